// A run of the whole program (WinMain) in a fresh start directory: an empty
// "Worlds" folder beside links to the shipped data of the directory the tests
// run in, the settings at their defaults, message boxes suppressed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/temp_directory.h"

class ProgramRunTest : public ::testing::Test {
protected:
    static std::string CurrentDirectory();
    void SetUp() override;
    void TearDown() override;

    // The directory the tests run in, taken before the start directory moves.
    std::string previous_ = CurrentDirectory();
    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
};
