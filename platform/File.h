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
};

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    File& operator=(File&& other) noexcept;
    ~File();

    // Opens a file; on failure the handle stays closed and `error` says why.
    [[nodiscard]] bool Open(const std::string& path, FileAccess access, OsError& error);
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
// Device and inode of a path, following links; false when it does not exist.
bool PathIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode);

}  // namespace korvane::platform
