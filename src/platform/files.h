// File-system services in place of the Win32 file and directory calls.
// Paths are UTF-8 and joined with '/'. Listings are sorted by name (byte order)
// so libraries and lists come out the same on every run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::string JoinPath(std::string_view folder, std::string_view name);

// The folder that holds the running executable (its start directory), or an
// empty string when the system cannot tell.
std::string ExecutableDirectory();

// GetCurrentDirectoryW / SetCurrentDirectoryW.
bool GetCurrentDirectory(std::string& out);
bool SetCurrentDirectory(const std::string& path);

// Keeps the current directory and restores it when it goes out of scope, on
// every path out of the caller.
class ScopedCurrentDirectory {
public:
    ScopedCurrentDirectory();
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::string kept_;
    bool valid_;
};

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
};

// FindFirstFileW/FindNextFileW over "*.*": every entry but "." and "..", sorted.
// False when the folder cannot be opened.
bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& out);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool CreateDirectory(const std::string& path);
// DeleteFileW: false when the file could not be removed (LastFileErrorText says why).
bool DeleteFile(const std::string& path);
// Replaces `to` if it exists (MoveFileEx with MOVEFILE_REPLACE_EXISTING).
// False when it could not (LastFileErrorText says why).
bool RenameFile(const std::string& from, const std::string& to);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

// What tells a file apart from the one read under its name before: its size
// and the times its contents and its entry last changed, to the nanosecond.
// A file that cannot be examined has the stamp FileStamp{}.
struct FileStamp {
    bool exists = false;
    int64_t size = 0;
    int64_t writtenNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// Windows finds "Stone.DDS" when asked for "stone.dds"; Linux does not. Returns
// folder/name when it exists, else the first entry of the folder whose name
// matches ignoring ASCII case, else folder/name unchanged.
std::string ResolveFileName(const std::string& folder, const std::string& name);

// The system's own words for why the last DeleteFile or RenameFile call that
// failed did fail ("Permission denied", "No space left on device"), as
// FormatMessage gives them for GetLastError; kept until the next failure.
const std::string& LastFileErrorText();

// Reads a whole file into `out`; fails on files larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes = uint64_t{1} << 32);

// Writes a file so that a failure never destroys the file already there: the
// bytes go to "<path>.tmp", are flushed to disk, and only then renamed over the
// target; the folder is flushed last, so the new name survives a power cut.
// Destroying an uncommitted writer removes the temporary file. Each writer
// keeps the reason of its own failure (FailureText), never another call's.
//
// When a save counts as made: once the new file is whole and renamed into
// place. Some file systems refuse to flush a folder at all (EINVAL from
// fsync, or a folder that cannot be opened for it); there the save still
// counts, and UnflushedFolderText says why the folder was not flushed, for the
// caller's log. Only a flush that reports lost data (EIO, no space) fails it.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Open(const std::string& path);
    bool Write(const void* data, size_t bytes);
    // Adds the owner's execute permission to the bytes written so far, so the
    // file is a program from the moment it appears under its name.
    bool MakeOwnerExecutable();
    // Flushes, closes, renames and flushes the folder. False on a failure:
    // before the rename the old file is intact; when the folder's flush
    // reported lost data the new file is in place but may not outlast a crash.
    bool Commit();
    void Abandon();
    bool IsOpen() const { return file_ != nullptr; }

    // Why the last call of this writer that failed did fail, in the system's
    // words; empty while none failed.
    const std::string& FailureText() const { return failure_; }
    // After a Commit that succeeded: empty when the folder was flushed, else
    // why the file system would not flush it.
    const std::string& UnflushedFolderText() const { return unflushedFolder_; }

private:
    // Keeps the system's text for `error` as this writer's failure; false.
    bool Fail(int error);

    std::string path_;
    std::string temporaryPath_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    std::string failure_;
    std::string unflushedFolder_;
    // The disk starts on what the system already holds every this many
    // bytes, while the caller produces the rest; Commit then waits only for
    // the last of them, not for the whole file.
    static constexpr uint64_t kSendToDiskBytes = uint64_t{8} << 20;
    uint64_t written_ = 0;
    uint64_t sentToDisk_ = 0;  // the offset the last request started from
};

// Test hook: the next `count` folder flushes of AtomicFileWriter::Commit fail
// with the system error `error` (EIO: the disk lost data; EINVAL: the file
// system does not flush folders).
void FailNextFolderSyncs(int count, int error);

}  // namespace platform
