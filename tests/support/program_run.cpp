#include "support/program_run.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/message_box.h"
#include "shell/settings.h"
#include "shell/win_main.h"

std::string ProgramRunTest::CurrentDirectory()
{
    std::string here;
    platform::GetCurrentDirectory(here);
    return here;
}

void ProgramRunTest::SetUp()
{
    platform::SetMessageBoxesSuppressed(true);
    ResetStartupSetup();
    folder.MakeFolder("Worlds");
    for (const char* data : {"Blocks", "Textures", "TexturesUI", "Shaders", "Sounds"}) {
        const std::filesystem::path from = std::filesystem::absolute(previous_) / data;
        if (std::filesystem::exists(from))
            std::filesystem::create_directory_symlink(from, std::filesystem::path(folder.Path()) / data);
    }
}

void ProgramRunTest::TearDown()
{
    SetMainLoopPassHook(nullptr);
    ResetStartupSetup();
    platform::SetCurrentDirectory(previous_);
}
