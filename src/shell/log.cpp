#include "shell/log.h"

#include <cstdio>
#include <ctime>

#include "platform/local_time.h"
#include "platform/text.h"
#include "shell/start_directory.h"

void ResetLog()
{
    if (LogPath.empty()) return;
    std::FILE* file = std::fopen(LogPath.c_str(), "wb");
    if (!file) return;
    // asctime form with its own line feed; a second one leaves an empty line.
    char stamp[64] = "NULL Time\n";
    std::tm utc {};
    if (platform::GetUtcCalendarTime(utc) && utc.tm_year >= -1900 && utc.tm_year <= 8099) {
        static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        std::snprintf(stamp, sizeof stamp, "%s %s %2d %02d:%02d:%02d %d\n", kDays[utc.tm_wday % 7],
                      kMonths[utc.tm_mon % 12], utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                      utc.tm_year + 1900);
    }
    std::fprintf(file, "%s\n", stamp);
    std::fclose(file);
}

void WriteLog(const char* text)
{
    if (!text || LogPath.empty()) return;
    std::FILE* file = std::fopen(LogPath.c_str(), "a");
    if (!file) return;
    std::fprintf(file, "%s\n", text);
    std::fclose(file);
}

void WriteLog(const char16_t* text)
{
    if (!text) return;
    WriteLog(platform::Utf16ToUtf8(text).c_str());
}
