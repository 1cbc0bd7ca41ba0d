// The update check and the update download, in the pieces that can be
// checked on their own: the five-day rule, the update-information file, the
// internet shortcut "autoupdate.url" and the name the download is saved as.
//
// The update server's address is a build-time setting (VESK_UPDATE_SERVER,
// empty by default: then no check goes to the network). The information file
// is fetched from "<server>/autoupdate/" + kUpdateInfoFileName and kept
// under the same name in the start directory. Each of its lines is
// "version,URL"; a line for this program's own version announces the update.
//
// Both transfers speak https only, verify the server's certificate, follow
// at most kMaxUpdateRedirects redirects (to https only) and keep nothing but
// a 2xx answer's body, which stays within a size limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr double kProgramVersion = 0.01;
constexpr char kUpdateInfoFileName[] = "vesk_update.txt";
constexpr char kUpdateShortcutName[] = "autoupdate.url";
constexpr long kMaxUpdateRedirects = 5;
// The largest update the download accepts; past it the transfer stops.
constexpr uint64_t kMaxUpdateDownloadBytes = uint64_t {512} << 20;

// year x 365 + trunc(month x 30.45) + day: a day count good enough for the
// five-day rule (January adds 30, December 365).
int64_t UpdateDayNumber(int32_t year, int32_t month, int32_t day);
// True when more than five days (by day numbers) lie between the stored date
// and today; a stored 0/0/0 (never checked) is always due.
bool UpdateCheckDue(int32_t lastYear, int32_t lastMonth, int32_t lastDay, int32_t year, int32_t month, int32_t day);

// The libcurl write callback of the check: appends exactly the size x count
// bytes received (zero bytes included) to the std::string at `user` and
// returns that count; 0 (which ends the transfer) once the text would exceed
// kMaxUpdateInfoBytes.
constexpr size_t kMaxUpdateInfoBytes = size_t{1} << 20;
size_t UpdateInfoWrite(char* data, size_t size, size_t count, void* user);

// One line of the information file (without its line feed). False for
// comments ("\" or "//" after leading blanks), lines without a version
// ("x" with no comma, ",x"), lines longer than 4095 or versions longer than
// 259 characters, and lines without a URL. The version is read from a
// lower-cased copy, independent of the locale; the URL is the line's own
// text after the first comma, without leading or trailing blanks.
bool ParseUpdateLine(std::string_view line, double* version, std::string* url);
// The URL of the first line for kProgramVersion (within 0.0001); empty when
// the text has none.
std::string FindUpdateUrl(std::string_view text);

// The bytes of "autoupdate.url": "[InternetShortcut]", a line feed, "URL="
// and the URL, with nothing after it.
std::string InternetShortcutText(const std::string& url);
// The rest of the first line of a shortcut that contains "URL=", trailing
// blanks removed; empty when there is none.
std::string ShortcutUrl(std::string_view shortcut);
// The part of a URL after its last "/"; empty when it has none.
std::string UpdateFileNameFromUrl(const std::string& url);
// False for a name the download must not be saved as: empty, ".", "..",
// anything with a path separator or a control character, and the program's
// own files and folders (the executable, its settings, log, data folders,
// the shortcut and the information file), in any letter case.
bool IsAcceptableUpdateFileName(const std::string& name);
// False for an address the download must not fetch: anything but https, or
// one whose file name IsAcceptableUpdateFileName refuses.
bool IsAcceptableUpdateUrl(const std::string& url);

// The server the check asks: the build-time address unless a test replaced it.
std::string UpdateServer();
// Tests point the check at a local server; null returns to the build-time one.
void SetUpdateServerForTesting(const char* server);
// Tests shorten the total time-out of every transfer; 0 restores the usual
// limits (30 s for the check, 600 s for the download).
void SetUpdateTimeoutForTesting(long seconds);
// Tests make the transfers trust their own server's certificate (PEM text);
// empty returns to the system's certificates.
void SetUpdateCertificateForTesting(const std::string& pem);
// Tests lower the download's size limit so an oversized body stays small; 0
// restores kMaxUpdateDownloadBytes.
void SetUpdateDownloadLimitForTesting(uint64_t bytes);
