#include "support/temp_directory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "shell/start_directory.h"

TempDirectory::TempDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vesk-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::File(const std::string& name) const { return path_ + "/" + name; }

void TempDirectory::Write(const std::string& name, const std::string& bytes) const
{
    const std::filesystem::path target = File(name);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDirectory::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void TempDirectory::MakeFolder(const std::string& name) const { std::filesystem::create_directories(File(name)); }

ScopedStartDirectory::ScopedStartDirectory(const std::string& folder) : previous_(StartDirectory)
{
    SetStartDirectory(folder);
}

ScopedStartDirectory::~ScopedStartDirectory() { SetStartDirectory(previous_); }
