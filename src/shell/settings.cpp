// The settings file "vesk.cfg".
//
// Layout (little-endian, no padding): a 9-byte magic "vesk0.03\0"; reserved
// int; windowed, screen width and height, colour bits, sample count, FSAA
// choice, adapter, output, aspect, resolution choice, use-refresh-rate and
// refresh rate; three reserved ints; sound back end; four reserved ints; a
// counted reserved text; 11 reserved four-byte values; a counted reserved wide
// text; five reserved ints, the last update check's day, month and year and the
// start counter; the counted last-world name; an empty counted text; show
// hints; 32 reserved ints; and, when the application object exists, 50 key
// slots and 35 reserved ints. With defaults and no last world it is 656 bytes.
#include "shell/settings.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/binary_io.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "shell/game.h"
#include "shell/log.h"
#include "shell/start_directory.h"

StartupSetup Settings;

namespace {

constexpr char kMagic[] = "vesk0.03";
constexpr char kFileName[] = "vesk.cfg";
constexpr int kReservedTailInts = 32;
constexpr int kReservedKeyTailInts = 35;

// Slots 23 and 24 ("Tool 9", "Tool 10") are not stored.
constexpr int kStoredSlotOrder[] = {0,  1,  2,  3,  4,  5,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                                    19, 20, 21, 22, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35, 36, 37, 38,
                                    39, 40, 41, 42, 43, 44, 45, 46, 47, 33, 6,  7,  50, 51, 48, 49};
static_assert(sizeof(kStoredSlotOrder) / sizeof(int) == 50);

// Input codes run from -1 (unbound) to the mouse codes ending at 2061.
bool IsPlausibleInputCode(int32_t code) { return code >= -1 && code <= 2061; }

// A counted text: u16 byte count (length + 1), then the text with its NUL. A
// count larger than the buffer is read bounded: the excess is skipped so the
// position stays right, and the text is always terminated.
bool ReadCountedText(BinaryReader& reader, char* buffer, size_t capacity)
{
    uint16_t count = 0;
    if (!reader.ReadU16(count)) return false;
    if (count == 0) return true;
    if (count > reader.Remaining()) return false;
    const size_t kept = count < capacity ? count : capacity - 1;
    reader.ReadBytes(buffer, kept);
    reader.Skip(count - kept);
    buffer[kept] = '\0';
    return true;
}

void WriteCountedText(BinaryWriter& writer, const char* text, size_t capacity)
{
    const size_t length = strnlen(text, capacity - 1);
    writer.WriteU16(static_cast<uint16_t>(length + 1));
    writer.WriteBytes(text, length);
    writer.WriteU8(0);
}

bool MagicMatches(const uint8_t* bytes)
{
    for (int i = 0; i < 8; ++i) {
        char c = static_cast<char>(bytes[i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kMagic[i]) return false;
    }
    return bytes[8] == 0;
}

// Reads the fields in file order, each straight into its value, so a short
// file keeps the values read so far and defaults for the rest.
bool ReadFields(BinaryReader& reader, StartupSetup& s, CGame* game)
{
    int32_t* head[] = {&s.reservedHead[0], &s.windowed,     &s.screenWidth,      &s.screenHeight,
                       &s.colorBits,       &s.sampleCount,  &s.fsaaChoice,       &s.adapterIndex,
                       &s.outputIndex,     &s.aspectChoice, &s.resolutionChoice, &s.useRefreshRate,
                       &s.refreshRate,     &s.reservedHead[1], &s.reservedHead[2], &s.reservedHead[3],
                       &s.soundBackEnd,    &s.reservedHead[4], &s.reservedHead[5], &s.reservedHead[6],
                       &s.reservedHead[7]};
    for (int32_t* field : head)
        if (!reader.ReadI32(*field)) return false;
    if (!ReadCountedText(reader, s.reservedText, sizeof s.reservedText)) return false;
    for (uint32_t& value : s.reservedValues)
        if (!reader.ReadU32(value)) return false;
    char scratch[kSettingsTextBytes] = {};
    if (!ReadCountedText(reader, scratch, sizeof scratch)) return false;
    for (int32_t& value : s.reservedInts)
        if (!reader.ReadI32(value)) return false;
    if (!reader.ReadI32(s.lastUpdateDay) || !reader.ReadI32(s.lastUpdateMonth) || !reader.ReadI32(s.lastUpdateYear) ||
        !reader.ReadI32(s.startCount))
        return false;
    if (!ReadCountedText(reader, s.lastWorld, sizeof s.lastWorld)) return false;
    uint16_t emptyText = 0;
    if (!reader.ReadU16(emptyText)) return false;
    if (!reader.ReadI32(s.showHints)) return false;
    if (!reader.Skip(kReservedTailInts * 4)) return false;
    if (!game) return true;
    for (int slot : kStoredSlotOrder) {
        int32_t code = 0;
        if (!reader.ReadI32(code)) return false;
        game->keySlots[slot] = IsPlausibleInputCode(code) ? code : kDefaultKeySlots[slot];
    }
    return reader.Skip(kReservedKeyTailInts * 4);
}

void WriteFields(BinaryWriter& writer, const StartupSetup& s, const CGame* game)
{
    writer.WriteBytes(kMagic, sizeof kMagic);  // eight characters and the NUL
    const int32_t head[] = {s.reservedHead[0], s.windowed,        s.screenWidth,      s.screenHeight,
                            s.colorBits,       s.sampleCount,     s.fsaaChoice,       s.adapterIndex,
                            s.outputIndex,     s.aspectChoice,    s.resolutionChoice, s.useRefreshRate,
                            s.refreshRate,     s.reservedHead[1], s.reservedHead[2],  s.reservedHead[3],
                            s.soundBackEnd,    s.reservedHead[4], s.reservedHead[5],  s.reservedHead[6],
                            s.reservedHead[7]};
    for (int32_t value : head) writer.WriteI32(value);
    WriteCountedText(writer, s.reservedText, sizeof s.reservedText);
    for (uint32_t value : s.reservedValues) writer.WriteU32(value);
    writer.WriteU16(1);  // the reserved wide text: empty
    writer.WriteU8(0);
    for (int32_t value : s.reservedInts) writer.WriteI32(value);
    writer.WriteI32(s.lastUpdateDay);
    writer.WriteI32(s.lastUpdateMonth);
    writer.WriteI32(s.lastUpdateYear);
    writer.WriteI32(s.startCount);
    WriteCountedText(writer, s.lastWorld, sizeof s.lastWorld);
    writer.WriteU16(0);
    writer.WriteI32(s.showHints);
    for (int i = 0; i < kReservedTailInts; ++i) writer.WriteI32(0);
    if (!game) return;
    for (int slot : kStoredSlotOrder) writer.WriteI32(game->keySlots[slot]);
    for (int i = 0; i < kReservedKeyTailInts; ++i) writer.WriteI32(0);
}

// Sizes the window code cannot use fall back to the defaults.
void SanitizeDisplayValues(StartupSetup& s)
{
    const StartupSetup defaults;
    if (s.screenWidth <= 0 || s.screenWidth > 16384 || s.screenHeight <= 0 || s.screenHeight > 16384) {
        s.screenWidth = defaults.screenWidth;
        s.screenHeight = defaults.screenHeight;
    }
}

}  // namespace

void ResetStartupSetup() { Settings = StartupSetup(); }

int ParseStartupSetup(const std::vector<uint8_t>& bytes, StartupSetup& setup, CGame* game)
{
    BinaryReader reader(bytes);
    uint8_t magic[9];
    if (!reader.ReadBytes(magic, sizeof magic) || !MagicMatches(magic)) return 0;
    const bool complete = ReadFields(reader, setup, game);
    SanitizeDisplayValues(setup);
    if (!complete) return 0;
    if (setup.startCount < INT_MAX) ++setup.startCount;
    return 1;
}

int LoadStartupSetup()
{
    if (!platform::DirectoryExists(StartDirectory)) return 0;
    std::vector<uint8_t> bytes;
    // The file is a few hundred bytes; anything far larger is not ours.
    if (!platform::ReadWholeFile(platform::JoinPath(StartDirectory, kFileName), bytes, 1 << 20)) return 0;
    return ParseStartupSetup(bytes, Settings, Game);
}

int SaveStartupSetup()
{
    if (!platform::DirectoryExists(StartDirectory)) return 0;
    platform::AtomicFileWriter file;
    if (!file.Open(platform::JoinPath(StartDirectory, kFileName))) {
        platform::ShowMessageBox(
            "Can't write vesk.cfg file. It seems you have a permission problem. Run it as Administrator and/or make "
            "sure that you have full access to " + StartDirectory,
            "permission problem", platform::MB_OK);
        return 0;
    }
    BinaryWriter writer;
    WriteFields(writer, Settings, Game);
    if (!file.Write(writer.Bytes().data(), writer.Size()) || !file.Commit()) {
        WriteLog("Error: SaveStartupSetup()");
        return 0;
    }
    return 1;
}
