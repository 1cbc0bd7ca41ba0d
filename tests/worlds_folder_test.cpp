// Listing the Worlds folder and proposing names for new worlds.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "shell/game.h"
#include "support/temp_directory.h"
#include "world/worlds_folder.h"

namespace {

class WorldsFolder : public ::testing::Test {
protected:
    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
    CGame game;
};

}  // namespace

TEST_F(WorldsFolder, ListsOnlyExactVskExtensions)
{
    folder.Write("Worlds/default.vsk", "");
    folder.Write("Worlds/Default1.VSK", "");
    folder.Write("Worlds/a.Vsk", "");
    folder.Write("Worlds/b.vsk.bak", "");
    folder.Write("Worlds/vsk", "");
    folder.Write("Worlds/W\xC3\xA4lt.vsk", "");
    folder.MakeFolder("Worlds/c.vsk");
    ScanWorldsFolder(&game);
    EXPECT_EQ(game.worldNames, (std::vector<std::string> {"Default1.VSK", "W\xC3\xA4lt.vsk", "default.vsk", "vsk"}));
}

TEST_F(WorldsFolder, ProposalIgnoresCaseAndNamesNoListedWorldNorFileOnDisk)
{
    folder.Write("Worlds/Default1.VSK", "");
    ScanWorldsFolder(&game);
    folder.Write("Worlds/default.vsk", "");  // made after the scan, by another run
    EXPECT_EQ(game.ProposeWorldName(), "default2.vsk");

    game.AddWorldName("default2.vsk");  // a world created in this run, listed once whatever its case
    game.AddWorldName("DEFAULT2.vsk");
    EXPECT_EQ(game.worldNames.size(), 2u);
}

TEST_F(WorldsFolder, MissingFolderLeavesListAndCurrentDirectoryAlone)
{
    std::string before;
    ASSERT_TRUE(platform::GetCurrentDirectory(before));
    game.worldNames.push_back("kept.vsk");
    ScanWorldsFolder(&game);
    EXPECT_EQ(game.worldNames.size(), 1u);
    std::string after;
    ASSERT_TRUE(platform::GetCurrentDirectory(after));
    EXPECT_EQ(before, after);
}

// A name is refused only for what is wrong with it, and the refusal names
// that; dots anywhere but in ".vsk" are a file name's own.
TEST(WorldNames, EachRefusalSaysWhatIsWrongAndDotsAreAllowed)
{
    for (const char* accepted : {"myworld.", "a..b", "..", " leading and trailing ", "Мир.vsk", "\u3000世界\u00a0"})
        EXPECT_EQ(WorldNameRefusal(accepted), "") << accepted;
    struct Refused {
        std::string typed;
        const char* says;
    };
    const Refused refused[] = {
        {"", "give the world a name"},         {"   ", "blank"},
        {" \t ", "blank"},                     {"\u3000\u3000", "blank"},
        {"\u00a0", "blank"},                   {" \u2009\u202f\u3000\u1680\u2029", "blank"},
        {".vsk", "only the extension"},
        {std::string(229, 'n'), "too long"},   {"tab\tname", "control character"},
        {"../outside", "\"/\""},               {"a\\b", "\"\\\""},
        {"a.vsk.bak", "\".vsk\" may stand only at its end"},
    };
    for (const Refused& name : refused) {
        const std::string why = WorldNameRefusal(name.typed);
        EXPECT_NE(why.find(name.says), std::string::npos) << name.typed << ": " << why;
    }
}
