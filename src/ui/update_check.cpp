// The update check, which the front end makes when it first draws, and the
// main menu's "Download and Update".
//
// Sections:
//   - update-information file and shortcut: parsing and names
//   - transfers: libcurl with verification, redirects, limits and time-outs
//   - CMenu::CheckForUpdate
//   - CMenu::DownloadAndUpdate
#include "ui/update_check.h"

#include <curl/curl.h>

#include <charconv>
#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "shell/start_directory.h"
#include "ui/menu.h"

#ifndef VESK_UPDATE_SERVER
#define VESK_UPDATE_SERVER ""
#endif

namespace {

constexpr size_t kMaxLineChars = 4095;
constexpr size_t kMaxVersionChars = 259;
constexpr double kVersionTolerance = 0.0001;
constexpr uint64_t kMaxShortcutBytes = 64 * 1024;

std::optional<std::string>& TestServer()
{
    static std::optional<std::string> server;
    return server;
}

long testTimeoutSeconds = 0;
std::string testCertificate;
uint64_t testDownloadLimit = 0;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view TrimLeading(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimTrailing(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

// atof's reading, whatever the process locale: leading blanks, an optional
// sign, the longest number that parses; 0 when none does.
double ParseVersion(std::string_view text)
{
    text = TrimLeading(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return result.ec == std::errc() ? value : 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Update-information file and shortcut: parsing and names
// ---------------------------------------------------------------------------

int64_t UpdateDayNumber(int32_t year, int32_t month, int32_t day)
{
    return int64_t {year} * 365 + static_cast<int64_t>(static_cast<double>(month) * 30.45) + day;
}

bool UpdateCheckDue(int32_t lastYear, int32_t lastMonth, int32_t lastDay, int32_t year, int32_t month, int32_t day)
{
    return UpdateDayNumber(year, month, day) - UpdateDayNumber(lastYear, lastMonth, lastDay) > 5;
}

size_t UpdateInfoWrite(char* data, size_t size, size_t count, void* user)
{
    auto* text = static_cast<std::string*>(user);
    if (!text || (size != 0 && count > kMaxUpdateInfoBytes / size)) return 0;
    const size_t bytes = size * count;
    if (text->size() + bytes > kMaxUpdateInfoBytes) return 0;
    text->append(data, bytes);
    return bytes;
}

bool ParseUpdateLine(std::string_view line, double* version, std::string* url)
{
    if (line.size() > kMaxLineChars || line.find('\0') != std::string_view::npos) return false;
    const std::string_view original = TrimLeading(line);
    const std::string lower = LowerAscii(original);
    if (lower.starts_with("\\") || lower.starts_with("//")) return false;
    const size_t comma = lower.find(',');
    if (comma == std::string::npos || comma == 0 || comma > kMaxVersionChars) return false;
    const std::string_view address = TrimTrailing(TrimLeading(original.substr(comma + 1)));
    if (address.empty()) return false;
    if (version) *version = ParseVersion(std::string_view(lower).substr(0, comma));
    if (url) url->assign(address);
    return true;
}

std::string FindUpdateUrl(std::string_view text)
{
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        double version = 0.0;
        std::string url;
        if (!ParseUpdateLine(line, &version, &url)) continue;
        if (version - kProgramVersion <= kVersionTolerance && kProgramVersion - version <= kVersionTolerance)
            return url;
    }
    return {};
}

std::string InternetShortcutText(const std::string& url) { return "[InternetShortcut]\nURL=" + url; }

std::string ShortcutUrl(std::string_view shortcut)
{
    while (!shortcut.empty()) {
        const size_t end = shortcut.find('\n');
        const std::string_view line = shortcut.substr(0, end);
        shortcut = end == std::string_view::npos ? std::string_view() : shortcut.substr(end + 1);
        const size_t key = line.find("URL=");
        if (key != std::string_view::npos) return std::string(TrimTrailing(line.substr(key + 4)));
    }
    return {};
}

std::string UpdateFileNameFromUrl(const std::string& url)
{
    const size_t slash = url.rfind('/');
    return slash == std::string::npos ? std::string() : url.substr(slash + 1);
}

bool IsAcceptableUpdateFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127) return false;
    static const char* const kOwnFiles[] = {
        "vesk",   "vesk.cfg", "game.log", "imgui.ini", kUpdateShortcutName, kUpdateInfoFileName, "shaders",
        "blocks", "textures", "texturesui", "sounds", "worlds", "temp-percp-graph.tga",
    };
    const std::string lower = LowerAscii(name);
    for (const char* own : kOwnFiles)
        if (lower == LowerAscii(own)) return false;
    return true;
}

bool IsAcceptableUpdateUrl(const std::string& url)
{
    return LowerAscii(url).starts_with("https://") && IsAcceptableUpdateFileName(UpdateFileNameFromUrl(url));
}

std::string UpdateServer()
{
    std::string server = TestServer() ? *TestServer() : std::string(VESK_UPDATE_SERVER);
    while (!server.empty() && server.back() == '/') server.pop_back();
    return server;
}

void SetUpdateServerForTesting(const char* server)
{
    if (server)
        TestServer() = std::string(server);
    else
        TestServer().reset();
}

void SetUpdateTimeoutForTesting(long seconds) { testTimeoutSeconds = seconds; }

void SetUpdateCertificateForTesting(const std::string& pem) { testCertificate = pem; }

void SetUpdateDownloadLimitForTesting(uint64_t bytes) { testDownloadLimit = bytes; }

// ---------------------------------------------------------------------------
// Transfers: one GET each, over https alone. Certificates are verified,
// redirects stay on https and are few, and time-outs keep a dead server from
// freezing the front end for long. Only a 2xx answer succeeds, and only
// within the transfer's byte limit (an announced size is refused before the
// body arrives, the rest is counted as it comes). A transfer that fails in
// any of these ways counts as nothing received.
// ---------------------------------------------------------------------------

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kCheckTimeoutSeconds = 30;
constexpr long kDownloadTimeoutSeconds = 600;

// "512 MB" for whole megabytes, else the bytes.
std::string SizeText(uint64_t bytes)
{
    constexpr uint64_t kMegabyte = uint64_t {1} << 20;
    return bytes % kMegabyte == 0 ? std::to_string(bytes / kMegabyte) + " MB" : std::to_string(bytes) + " bytes";
}

class CurlSession {
public:
    CurlSession()
    {
        globalUp_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (globalUp_) handle_ = curl_easy_init();
    }
    ~CurlSession()
    {
        if (handle_) curl_easy_cleanup(handle_);
        if (globalUp_) curl_global_cleanup();
    }
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // One GET of `url` into `write`(..., `sink`), at most `maxBytes` of body;
    // empty on success, else why not.
    std::string Get(const std::string& url, curl_write_callback write, void* sink, long timeoutSeconds,
                    uint64_t maxBytes)
    {
        if (!handle_) return "curl_easy_init failed";
        char error[CURL_ERROR_SIZE] = {};
        Receiver receiver {write, sink, maxBytes};
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, Receive);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &receiver);
        curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(handle_, CURLOPT_MAXREDIRS, kMaxUpdateRedirects);
        curl_easy_setopt(handle_, CURLOPT_REDIR_PROTOCOLS_STR, "https");
        curl_easy_setopt(handle_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
        curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
        curl_easy_setopt(handle_, CURLOPT_TIMEOUT, testTimeoutSeconds > 0 ? testTimeoutSeconds : timeoutSeconds);
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle_, CURLOPT_FAILONERROR, 1L);
        curl_blob certificate {testCertificate.data(), testCertificate.size(), CURL_BLOB_COPY};
        if (!testCertificate.empty()) curl_easy_setopt(handle_, CURLOPT_CAINFO_BLOB, &certificate);
        const CURLcode result = curl_easy_perform(handle_);
        if (receiver.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
            return "the file is larger than " + SizeText(maxBytes);
        if (result != CURLE_OK) return error[0] ? std::string(error) : std::string(curl_easy_strerror(result));
        // Redirects that were followed are behind us; a 3xx here had no
        // usable address, and its body is not the file asked for.
        long status = 0;
        curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
        return status >= 200 && status <= 299 ? std::string() : "the server answered " + std::to_string(status);
    }

private:
    // Counts the body on its way to the caller's sink: a server need not
    // announce its size.
    struct Receiver {
        curl_write_callback write;
        void* sink;
        uint64_t maxBytes;
        uint64_t received = 0;
        bool tooLarge = false;
    };

    static size_t Receive(char* data, size_t size, size_t count, void* user)
    {
        auto* receiver = static_cast<Receiver*>(user);
        const uint64_t bytes = uint64_t {size} * count;
        if (bytes > receiver->maxBytes - receiver->received) {
            receiver->tooLarge = true;
            return 0;
        }
        receiver->received += bytes;
        return receiver->write(data, size, count, receiver->sink);
    }

    bool globalUp_ = false;
    CURL* handle_ = nullptr;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user)
{
    auto* file = static_cast<platform::AtomicFileWriter*>(user);
    const size_t bytes = size * count;
    return file->Write(data, bytes) ? bytes : 0;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    platform::AtomicFileWriter file;
    return file.Open(path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

}  // namespace

// ---------------------------------------------------------------------------
// CMenu::CheckForUpdate
// ---------------------------------------------------------------------------

void CMenu::CheckForUpdate()
{
    const platform::SystemTime today = platform::GetLocalTime();
    updateAvailable = 0;
    if (!UpdateCheckDue(Settings.lastUpdateYear, Settings.lastUpdateMonth, Settings.lastUpdateDay, today.year,
                        today.month, today.day))
        return;
    const std::string server = UpdateServer();
    if (server.empty()) {
        WriteLog("Update check skipped: no update server is configured");
        return;
    }

    // Stored before the request: a failed check is not repeated for five days.
    Settings.lastUpdateMonth = today.month;
    Settings.lastUpdateYear = today.year;
    Settings.lastUpdateDay = today.day;

    std::string text;
    const std::string failure =
        CurlSession().Get(server + "/autoupdate/" + kUpdateInfoFileName, UpdateInfoWrite, &text, kCheckTimeoutSeconds,
                          kMaxUpdateInfoBytes);
    if (!failure.empty()) {
        WriteLog("Error: CMenu::CheckForUpdate() " + failure);
        return;
    }
    if (!WriteWholeFile(platform::JoinPath(StartDirectory, kUpdateInfoFileName), text))
        WriteLog(std::string("Error: CMenu::CheckForUpdate() cannot write ") + kUpdateInfoFileName);

    const std::string url = FindUpdateUrl(text);
    if (url.empty()) return;
    if (!WriteWholeFile(platform::JoinPath(StartDirectory, kUpdateShortcutName), InternetShortcutText(url))) {
        WriteLog(std::string("Error: CMenu::CheckForUpdate() cannot write ") + kUpdateShortcutName);
        return;
    }
    updateAvailable = 1;
}

// ---------------------------------------------------------------------------
// CMenu::DownloadAndUpdate
// ---------------------------------------------------------------------------

namespace {

int RefuseUpdate(const std::string& why)
{
    WriteLog("Error: CMenu::DownloadAndUpdate() " + why);
    platform::ShowMessageBox("The update could not be installed: " + why, "Update",
                             platform::MB_OK | platform::MB_ICONERROR);
    return 0;
}

}  // namespace

int CMenu::DownloadAndUpdate()
{
    std::vector<uint8_t> shortcut;
    platform::ReadWholeFile(platform::JoinPath(StartDirectory, kUpdateShortcutName), shortcut, kMaxShortcutBytes);
    const std::string url = ShortcutUrl(std::string_view(reinterpret_cast<const char*>(shortcut.data()), shortcut.size()));
    if (url.empty()) return RefuseUpdate(std::string("no URL in ") + kUpdateShortcutName);
    if (!IsAcceptableUpdateUrl(url)) return RefuseUpdate("refused update address \"" + url + "\"");

    const std::string path = platform::JoinPath(StartDirectory, UpdateFileNameFromUrl(url));
    {
        platform::AtomicFileWriter file;
        if (!file.Open(path)) return RefuseUpdate("cannot create " + path);
        const uint64_t limit = testDownloadLimit > 0 ? testDownloadLimit : kMaxUpdateDownloadBytes;
        const std::string failure = CurlSession().Get(url, WriteToFile, &file, kDownloadTimeoutSeconds, limit);
        if (!failure.empty()) return RefuseUpdate("download of " + url + " failed: " + failure);
        // Executable before it appears under its name: it is started next.
        if (!file.MakeOwnerExecutable() || !file.Commit()) return RefuseUpdate("cannot write " + path);
    }

    intptr_t started = -1;
    {
        // The update starts in the start directory, as the program did.
        platform::ScopedCurrentDirectory keep;
        platform::SetCurrentDirectory(StartDirectory);
        started = platform::StartProcess(path, {});
    }
    if (started < 0) return RefuseUpdate("cannot start " + path);
    SendCloseToMainWindow();
    return 1;
}
