// A fresh temporary folder for one test, removed with everything in it after.
#pragma once

#include <string>

class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const;

    // Writes bytes or text to a file below the folder (creating sub-folders).
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    void MakeFolder(const std::string& name) const;

private:
    std::string path_;
};

// Points the start directory (and the log) at a temporary folder for one test
// and restores the previous one after.
class ScopedStartDirectory {
public:
    explicit ScopedStartDirectory(const std::string& folder);
    ~ScopedStartDirectory();

private:
    std::string previous_;
};
