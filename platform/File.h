// Files: a move-only handle with positioned reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/OsError.h"

namespace korvane::platform {

enum class FileType { Regular, CharacterDevice, Pipe, Other };

enum class FileAccess {
    ReadWrite,           // existing file, others may read and write
    ReadOnly,            // existing file, others may read and write
    ReadWriteExclusive,  // existing file, locked against other programs (flock)
    CreateTruncate,      // created or truncated for writing, others may read
    WriteExisting,       // existing file for writing, nothing changed by the open itself
    CreateNew,           // a new file for writing; fails when the name is taken
};

// What a path names, following symbolic links unless asked not to.
struct PathStatus {
    bool exists = false;
    bool regular = false;
    bool link = false;  // only from LinkStatus
    std::uint64_t links = 0;
    unsigned mode = 0;  // permission bits
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
};

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    File& operator=(File&& other) noexcept;
    ~File();

    // Opens a file; on failure the handle stays closed and `error` says why. `mode` is the
    // permission of a created file, before the umask.
    [[nodiscard]] bool Open(const std::string& path, FileAccess access, OsError& error, unsigned mode = 0666);
    // A handle of its own on an open descriptor (such as standard output), which stays open.
    [[nodiscard]] bool Duplicate(int descriptor, OsError& error);
    // A shared lock (flock) for as long as the handle is open; false when another program
    // holds the file exclusively (EWOULDBLOCK) or the system fails.
    [[nodiscard]] bool LockShared(OsError& error);
    bool SetPermissions(unsigned mode) const;
    // Closes the handle; false with `error` when the system reports a failure.
    bool Close(OsError& error);
    void Close() noexcept;

    bool IsOpen() const { return FFd >= 0; }
    int Descriptor() const { return FFd; }

    // Reads up to `count` bytes at `offset`, retrying interrupted and short reads until
    // the end of the file; -1 with errno set on failure.
    std::int64_t ReadAt(void* buffer, std::size_t count, std::int64_t offset) const;
    // Writes all bytes at `offset` (or at the end of what was written, for pipes and devices).
    std::int64_t WriteAt(const void* buffer, std::size_t count, std::int64_t offset) const;
    std::int64_t Write(const void* buffer, std::size_t count) const;
    std::int64_t Size() const;  // -1 on failure
    FileType Type() const;
    // Device and inode, to tell whether two paths name the same file.
    bool Identity(std::uint64_t& device, std::uint64_t& inode) const;

private:
    int FFd = -1;
};

// True when a file (not a directory) of that name exists.
bool FileExists(const std::string& path);
// True when the path names anything at all (a dangling link names nothing).
bool PathExists(const std::string& path);
PathStatus StatPath(const std::string& path);
PathStatus LinkStatus(const std::string& path);
// The path with every link, "." and ".." resolved by the system; empty when it does not exist.
std::string RealPath(const std::string& path);
[[nodiscard]] bool RenameFile(const std::string& from, const std::string& to, OsError& error);
void RemoveFile(const std::string& path) noexcept;
// The reason given when a file is locked by another program.
inline constexpr const char* kLockedByAnotherProgram = "The file is locked by another program.";
inline constexpr const char* kNotARegularFile = "Not a regular file.";
// Device and inode of a path, following links; false when it does not exist.
bool PathIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode);
// Device and inode of an open descriptor; false when it is not open.
bool DescriptorIdentity(int descriptor, std::uint64_t& device, std::uint64_t& inode);

}  // namespace korvane::platform
