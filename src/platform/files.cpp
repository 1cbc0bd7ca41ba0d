#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string lastFileError;

// The system's text for `error` (0: the call did not say why).
std::string ErrorText(int error) { return std::strerror(error != 0 ? error : EIO); }

// Keeps the system's text for `error` and answers false, the failed call's
// result.
bool NoteFailure(int error)
{
    lastFileError = ErrorText(error);
    return false;
}

}  // namespace

const std::string& LastFileErrorText() { return lastFileError; }

std::string JoinPath(std::string_view folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    if (name.empty()) return std::string(folder);
    std::string out(folder);
    if (out.back() != '/') out.push_back('/');
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    out.append(name);
    return out;
}

std::string ExecutableDirectory()
{
    std::vector<char> buffer(PATH_MAX + 1, '\0');
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0) return {};
    std::string path(buffer.data(), static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool GetCurrentDirectory(std::string& out)
{
    std::vector<char> buffer(PATH_MAX);
    if (!getcwd(buffer.data(), buffer.size())) return false;
    out.assign(buffer.data());
    return true;
}

bool SetCurrentDirectory(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0; }

ScopedCurrentDirectory::ScopedCurrentDirectory() : valid_(GetCurrentDirectory(kept_)) {}

ScopedCurrentDirectory::~ScopedCurrentDirectory()
{
    if (valid_) SetCurrentDirectory(kept_);
}

bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& out)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    std::vector<DirectoryEntry> entries;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back({name, DirectoryExists(JoinPath(folder, name))});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    out.insert(out.end(), entries.begin(), entries.end());
    return true;
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDirectory(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || DirectoryExists(path); }

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0 || NoteFailure(errno); }

bool RenameFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 || NoteFailure(errno);
}

int64_t FileSize(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

FileStamp StampOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    const auto nanoseconds = [](const timespec& time) { return int64_t{time.tv_sec} * 1000000000 + time.tv_nsec; };
    return {true, static_cast<int64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string ResolveFileName(const std::string& folder, const std::string& name)
{
    const std::string exact = JoinPath(folder, name);
    if (FileExists(exact) || DirectoryExists(exact)) return exact;
    std::vector<DirectoryEntry> entries;
    if (ListDirectory(folder.empty() ? std::string(".") : folder, entries)) {
        for (const auto& entry : entries)
            if (EqualIgnoringAsciiCase(entry.name, name)) return JoinPath(folder, entry.name);
    }
    return exact;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || static_cast<uint64_t>(info.st_size) > maxBytes) {
        std::fclose(file);
        return false;
    }
    out.resize(static_cast<size_t>(info.st_size));
    const size_t read = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), file);
    std::fclose(file);
    out.resize(read);
    return true;
}

namespace {

std::atomic<int> failingFolderSyncs{0};
std::atomic<int> failingFolderSyncError{EIO};

// Errors of fsync on a folder that say the file system does not flush
// folders at all (some network and FUSE file systems answer EINVAL), as
// opposed to a flush that was tried and lost data (EIO, ENOSPC).
bool FolderFlushUnsupported(int error)
{
    return error == EINVAL || error == EROFS || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

struct FolderFlush {
    int error = 0;         // 0: flushed
    bool refused = false;  // the file system would not flush it; nothing was lost
};

// A rename changes the folder, not the file: until the folder itself reaches
// the disk, a crash may bring the old name (and so the old file) back.
FolderFlush FlushFolderOf(const std::string& path)
{
    if (failingFolderSyncs.load() > 0 && failingFolderSyncs.fetch_sub(1) > 0) {
        const int error = failingFolderSyncError.load();
        return {error, FolderFlushUnsupported(error)};
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the program may write in but not open (no read permission)
    // cannot be flushed by it either.
    if (descriptor < 0) return {errno != 0 ? errno : EIO, true};
    FolderFlush flush;
    if (fsync(descriptor) != 0) {
        flush.error = errno != 0 ? errno : EIO;
        flush.refused = FolderFlushUnsupported(flush.error);
    }
    close(descriptor);  // read-only: closing it loses nothing
    return flush;
}

}  // namespace

void FailNextFolderSyncs(int count, int error)
{
    failingFolderSyncError.store(error);
    failingFolderSyncs.store(count);
}

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

bool AtomicFileWriter::Fail(int error)
{
    failure_ = ErrorText(error);
    return false;
}

bool AtomicFileWriter::Open(const std::string& path)
{
    Abandon();
    path_ = path;
    temporaryPath_ = path + ".tmp";
    failed_ = false;
    failure_.clear();
    unflushedFolder_.clear();
    written_ = sentToDisk_ = 0;
    file_ = std::fopen(temporaryPath_.c_str(), "wb");
    return file_ != nullptr || Fail(errno);
}

bool AtomicFileWriter::Write(const void* data, size_t bytes)
{
    if (!file_ || failed_) return false;
    if (bytes == 0) return true;
    if (std::fwrite(data, 1, bytes, file_) != bytes) failed_ = !Fail(errno);
    written_ += bytes;
    if (!failed_ && written_ - sentToDisk_ >= kSendToDiskBytes) {
        // Only a request to start writing: errors surface at Commit's fsync.
        sync_file_range(fileno(file_), static_cast<off_t>(sentToDisk_), 0, SYNC_FILE_RANGE_WRITE);
        sentToDisk_ = written_;
    }
    return !failed_;
}

bool AtomicFileWriter::MakeOwnerExecutable()
{
    if (!file_ || failed_) return false;
    struct stat status {};
    if (fstat(fileno(file_), &status) != 0 || fchmod(fileno(file_), (status.st_mode & 07777) | S_IXUSR) != 0)
        failed_ = !Fail(errno);
    return !failed_;
}

bool AtomicFileWriter::Commit()
{
    if (!file_) return false;
    bool ok = !failed_ && ((std::fflush(file_) == 0 && fsync(fileno(file_)) == 0) || Fail(errno));
    const bool closed = std::fclose(file_) == 0;
    const int closeError = errno;
    file_ = nullptr;
    if (ok && !closed) ok = Fail(closeError);
    if (ok && std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) ok = Fail(errno);
    if (!ok) unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    if (!ok) return false;
    // The new file is whole and in place: from here only lost data fails it.
    const FolderFlush flush = FlushFolderOf(path_);
    if (flush.error != 0 && !flush.refused) return Fail(flush.error);
    if (flush.error != 0) unflushedFolder_ = ErrorText(flush.error);
    return true;
}

void AtomicFileWriter::Abandon()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
}

}  // namespace platform
