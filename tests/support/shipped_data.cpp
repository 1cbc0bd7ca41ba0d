#include "support/shipped_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/files.h"

std::string Shipped(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

void CopyShippedFolder(const TempDirectory& to, const std::string& folder)
{
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(folder, entries)) << folder;
    for (const auto& entry : entries)
        if (!entry.isDirectory) to.Write(folder + "/" + entry.name, Shipped(platform::JoinPath(folder, entry.name)));
}
