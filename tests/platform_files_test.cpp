// File services: sorted listings, case-insensitive look-up, atomic writes.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_directory.h"

TEST(PlatformFiles, ListingIsSortedAndMarksFolders)
{
    TempDirectory folder;
    folder.Write("b.txt", "b");
    folder.Write("A.txt", "a");
    folder.MakeFolder("c.dir");
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(folder.Path(), entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "A.txt");
    EXPECT_EQ(entries[1].name, "b.txt");
    EXPECT_TRUE(entries[2].isDirectory);
    EXPECT_FALSE(platform::ListDirectory(folder.File("missing"), entries));
}

TEST(PlatformFiles, ResolvesNamesIgnoringCase)
{
    TempDirectory folder;
    folder.Write("Stone.DDS", "x");
    EXPECT_EQ(platform::ResolveFileName(folder.Path(), "stone.dds"), folder.File("Stone.DDS"));
    EXPECT_EQ(platform::ResolveFileName(folder.Path(), "none.dds"), folder.File("none.dds"));
}

TEST(PlatformFiles, AtomicWriterNeverDestroysTheOldFile)
{
    TempDirectory folder;
    folder.Write("world.vsk", "good");
    // Large enough that the disk has been asked to start on part of it.
    std::string large(9u << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / 4096);
    {
        platform::AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(folder.File("world.vsk")));
        for (size_t at = 0; at < large.size(); at += 1u << 20) ASSERT_TRUE(writer.Write(large.data() + at, 1u << 20));
        // abandoned without Commit, as when a save fails midway
    }
    EXPECT_EQ(folder.Read("world.vsk"), "good");
    EXPECT_FALSE(platform::FileExists(folder.File("world.vsk.tmp")));

    platform::AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(folder.File("world.vsk")));
    ASSERT_TRUE(writer.Write("better", 6));
    ASSERT_TRUE(writer.Write(large.data(), large.size()));
    ASSERT_TRUE(writer.Commit());
    EXPECT_TRUE(folder.Read("world.vsk") == "better" + large);

    platform::AtomicFileWriter nowhere;
    EXPECT_FALSE(nowhere.Open(folder.File("no/such/folder/file")));
}

TEST(PlatformFiles, ScopedDirectoryIsRestored)
{
    TempDirectory folder;
    std::string before;
    ASSERT_TRUE(platform::GetCurrentDirectory(before));
    {
        platform::ScopedCurrentDirectory keep;
        ASSERT_TRUE(platform::SetCurrentDirectory(folder.Path()));
    }
    std::string after;
    ASSERT_TRUE(platform::GetCurrentDirectory(after));
    EXPECT_EQ(before, after);
}
