// The settings file "vesk.cfg": exact layout, round trips and hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/binary_io.h"
#include "platform/message_box.h"
#include "shell/game.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "support/temp_directory.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        ResetStartupSetup();
        Game = &game;
    }
    void TearDown() override
    {
        Game = nullptr;
        ResetStartupSetup();
    }

    std::string Saved()
    {
        EXPECT_EQ(SaveStartupSetup(), 1);
        return folder.Read("vesk.cfg");
    }
    static int32_t IntAt(const std::string& bytes, size_t offset)
    {
        int32_t v;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    }

    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
    CGame game;
};

// Offset of the 50 key slots in a file with an empty last world.
constexpr size_t kKeySlotsOffset = 316;

}  // namespace

TEST_F(SettingsFile, DefaultFileIsExactly656BytesWithTheFieldTable)
{
    const std::string bytes = Saved();
    ASSERT_EQ(bytes.size(), 656u);
    EXPECT_EQ(std::memcmp(bytes.data(), "vesk0.03\0", 9), 0);
    const int32_t head[] = {1, 1, 1280, 720, 16, 0, 0, 0, 0, 0, -1, 0, -1, 3, 0, 0, 0, 0, 4, 0, 0};
    for (size_t i = 0; i < std::size(head); ++i) EXPECT_EQ(IntAt(bytes, 9 + 4 * i), head[i]) << "head field " << i;
    EXPECT_EQ(static_cast<uint32_t>(IntAt(bytes, 96)), 0x3E99999Au);
    EXPECT_EQ(bytes[140], 1);  // reserved wide text: u16 1 and a 0 byte
    EXPECT_EQ(IntAt(bytes, 175), 0);  // startCount
    EXPECT_EQ(bytes[179], 1);         // empty last world: count 1, NUL
    EXPECT_EQ(IntAt(bytes, 184), 1);  // showHints
    // Key slots in file order: 0..5, 8..22, 25..32, 34..47, 33, 6, 7, 50, 51, 48, 49.
    EXPECT_EQ(IntAt(bytes, kKeySlotsOffset), 0x57);
    EXPECT_EQ(IntAt(bytes, kKeySlotsOffset + 43 * 4), 0x4D);  // slot 33
    EXPECT_EQ(IntAt(bytes, kKeySlotsOffset + 49 * 4), 0xBF);  // slot 49
}

TEST_F(SettingsFile, RoundTripKeepsEveryValueAndCountsTheStart)
{
    Settings.windowed = 0;
    Settings.screenWidth = 1920;
    Settings.resolutionChoice = 7;
    Settings.showHints = 0;
    Settings.lastUpdateYear = 2026;
    Settings.startCount = 5;
    std::strcpy(Settings.lastWorld, "castle.vsk");
    Settings.reservedHead[5] = 99;
    game.keySlots[0] = 0x26;
    game.keySlots[49] = 2054;
    game.keySlots[kSlotTool9] = 0x41;  // never stored

    const std::string bytes = Saved();
    EXPECT_EQ(bytes.size(), 656u + std::strlen("castle.vsk"));
    EXPECT_EQ(IntAt(bytes, 175), 5);  // the count is added on load, not on save

    const StartupSetup written = Settings;
    ResetStartupSetup();
    game.SetDefaultBindings();
    ASSERT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(Settings.windowed, 0);
    EXPECT_EQ(Settings.screenWidth, 1920);
    EXPECT_EQ(Settings.resolutionChoice, 7);
    EXPECT_EQ(Settings.showHints, 0);
    EXPECT_EQ(Settings.lastUpdateYear, 2026);
    EXPECT_EQ(Settings.startCount, 6);
    EXPECT_STREQ(Settings.lastWorld, "castle.vsk");
    EXPECT_EQ(Settings.reservedHead[5], written.reservedHead[5]);
    EXPECT_EQ(game.keySlots[0], 0x26);
    EXPECT_EQ(game.keySlots[49], 2054);
    EXPECT_EQ(game.keySlots[kSlotTool9], 0x39);

    // And the next save writes the counted start.
    EXPECT_EQ(IntAt(Saved(), 175), 6);
}

TEST_F(SettingsFile, MagicIsComparedIgnoringCaseButNotVersion)
{
    std::string bytes = Saved();
    std::memcpy(bytes.data(), "VESK0.03", 8);
    folder.Write("vesk.cfg", bytes);
    Settings.screenWidth = 1;
    EXPECT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(Settings.screenWidth, 1280);

    std::memcpy(bytes.data(), "vesk0.04", 8);
    const int32_t width = 800;
    std::memcpy(bytes.data() + 17, &width, 4);
    folder.Write("vesk.cfg", bytes);
    ResetStartupSetup();
    EXPECT_EQ(LoadStartupSetup(), 0);
    EXPECT_EQ(Settings.screenWidth, 1280);

    folder.Write("vesk.cfg", "vesk0.0");
    EXPECT_EQ(LoadStartupSetup(), 0);
}

TEST_F(SettingsFile, TruncatedAfterTheReservedIntsKeepsDisplayValuesAndDefaultBindings)
{
    Settings.screenWidth = 1600;
    Settings.soundBackEnd = 1;
    Settings.startCount = 2;
    game.keySlots[0] = 0x26;
    std::string bytes = Saved();
    folder.Write("vesk.cfg", bytes.substr(0, 316));

    ResetStartupSetup();
    game.SetDefaultBindings();
    EXPECT_EQ(LoadStartupSetup(), 0);
    EXPECT_EQ(Settings.screenWidth, 1600);
    EXPECT_EQ(Settings.startCount, 2);  // no complete load, no count
    EXPECT_EQ(game.keySlots[0], 0x57);
}

TEST_F(SettingsFile, HostileTextCountsAreReadBounded)
{
    // A last-world count of 1000 with 1000 bytes present: kept cut and terminated,
    // and the fields after it still line up.
    BinaryWriter w;
    std::string bytes = Saved();
    std::string head = bytes.substr(0, 179);
    std::string tail = bytes.substr(181 + 1);  // after the empty last world
    std::string longName(1000, 'x');
    w.WriteU16(1000);
    std::string counted(reinterpret_cast<const char*>(w.Bytes().data()), 2);
    folder.Write("vesk.cfg", head + counted + longName + tail);
    ASSERT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(std::strlen(Settings.lastWorld), 127u);
    EXPECT_EQ(Settings.showHints, 1);
    EXPECT_EQ(game.keySlots[49], 0xBF);

    // A count running past the end of the file is a short read.
    ResetStartupSetup();
    folder.Write("vesk.cfg", head + counted + "abc");
    EXPECT_EQ(LoadStartupSetup(), 0);
    EXPECT_STREQ(Settings.lastWorld, "");
}

TEST_F(SettingsFile, HostileValuesAreClampedToDefaults)
{
    Settings.screenWidth = -5;
    Settings.screenHeight = 0;
    game.keySlots[3] = 123456;
    std::string bytes = Saved();
    ResetStartupSetup();
    ASSERT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(Settings.screenWidth, 1280);
    EXPECT_EQ(Settings.screenHeight, 720);
    EXPECT_EQ(game.keySlots[3], 0x44);

    Settings.startCount = std::numeric_limits<int32_t>::max();
    Saved();
    ASSERT_EQ(LoadStartupSetup(), 1);
    EXPECT_EQ(Settings.startCount, std::numeric_limits<int32_t>::max());
}

TEST_F(SettingsFile, UnwritableFileShowsTheMessageAndAFailedWriteIsLogged)
{
    const std::string good = Saved();
    folder.MakeFolder("vesk.cfg.tmp");  // the new file cannot be opened
    EXPECT_EQ(SaveStartupSetup(), 0);
    EXPECT_EQ(platform::LastMessageBoxText(),
              "Can't write vesk.cfg file. It seems you have a permission problem. Run it as Administrator and/or "
              "make sure that you have full access to " + folder.Path());
    EXPECT_EQ(folder.Read("vesk.cfg"), good);
    EXPECT_EQ(folder.Read("game.log").find("Error"), std::string::npos);

    std::filesystem::remove(folder.File("vesk.cfg.tmp"));
    std::filesystem::remove(folder.File("vesk.cfg"));
    folder.Write("vesk.cfg/keep", "");  // written, but it cannot take the old file's place
    EXPECT_EQ(SaveStartupSetup(), 0);
    EXPECT_NE(folder.Read("game.log").find("Error: SaveStartupSetup()\n"), std::string::npos);

    ScopedStartDirectory nowhere(folder.File("missing"));
    EXPECT_EQ(SaveStartupSetup(), 0);
}
