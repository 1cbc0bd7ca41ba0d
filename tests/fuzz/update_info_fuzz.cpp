// The update information text and the shortcut against arbitrary bytes. The
// address found for this version must be a trimmed piece of one line that
// survives the shortcut written for it unchanged, and whatever address a
// shortcut holds, the download may only accept it with a plain file name.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/update_check.h"

namespace {

bool Blank(char c) { return static_cast<unsigned char>(c) <= 32; }

void CheckDownloadName(const std::string& url)
{
    if (!IsAcceptableUpdateUrl(url)) return;
    const std::string name = UpdateFileNameFromUrl(url);
    if (!IsAcceptableUpdateFileName(name) || name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string url = FindUpdateUrl(text);
    if (!url.empty()) {
        if (url.size() > 4095 || url.find_first_of(std::string_view("\n\0", 2)) != std::string::npos ||
            Blank(url.front()) || Blank(url.back()) || text.find(url) == std::string_view::npos)
            std::abort();
        if (ShortcutUrl(InternetShortcutText(url)) != url) std::abort();
    }
    CheckDownloadName(url);
    CheckDownloadName(ShortcutUrl(text));
    return 0;
}
