// The system's files: a move-only handle on an open file (a descriptor on Linux, a handle on
// Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteFile.h"
#include "platform/OsError.h"

namespace korvane::platform {

class File : public IByteFile {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : FHandle(other.FHandle) { other.FHandle = kNoHandle; }
    File& operator=(File&& other) noexcept;
    ~File() override;

    // Opens a file; on failure the handle stays closed and `error` says why. `mode` is the
    // permission of a created file, before the umask.
    [[nodiscard]] bool Open(const std::string& path, FileAccess access, OsError& error, unsigned mode = 0666);
    // A handle of its own on another open file, which stays open.
    [[nodiscard]] bool Duplicate(const File& other, OsError& error);
    // A handle of its own on the program's standard output.
    [[nodiscard]] bool DuplicateStandardOutput(OsError& error);
    bool IsOpen() const { return FHandle != kNoHandle; }
    // Writes the file's data and size through to the disk; 0 or the errno of the failure.
    int Sync();
    // Sets the file's size; 0 or the errno of the failure.
    int Truncate(std::int64_t size);
    // Takes the file's exclusive lock (flock) unless another open file holds a lock on it; 0 or
    // the errno of the failure (EWOULDBLOCK: held elsewhere).
    int TryLockExclusive();
    // Reserves room for the first `size` bytes without changing the file's size or content;
    // 0 or the errno of the failure. A file system that cannot reserve room gives 0.
    int Reserve(std::int64_t size);
    // Gives the file an owner and group; false where the process may not.
    bool SetOwner(unsigned owner, unsigned group);
    // Gives a file opened without a name (CreateUnnamed) the name `path`.
    [[nodiscard]] bool LinkAs(const std::string& path, OsError& error);

    IoResult ReadAt(void* buffer, std::size_t count, std::int64_t offset) override;
    IoResult WriteAt(const void* buffer, std::size_t count, std::int64_t offset) override;
    IoResult Write(const void* buffer, std::size_t count) override;
    IoResult Size() override;
    int LockShared() override;
    FileType Type() override;
    bool Identity(std::uint64_t& device, std::uint64_t& inode) override;
    bool SetPermissions(unsigned mode) override;
    int Close() override;

private:
    // A descriptor, or a Windows HANDLE (whose invalid value is -1 as well).
    using NativeHandle = std::intptr_t;
    static constexpr NativeHandle kNoHandle = -1;
    NativeHandle FHandle = kNoHandle;
};

PathStatus StatPath(const std::string& path);
PathStatus LinkStatus(const std::string& path);
// The path with every link, "." and ".." resolved by the system; empty when it does not exist.
std::string RealPath(const std::string& path);
[[nodiscard]] bool RenameFile(const std::string& from, const std::string& to, OsError& error);
// Whether the program may put another file in place of `path`: where it may write it (Linux), or
// (Windows) where it may write it or it is only marked read-only, an attribute that the
// replacement keeps (RenameFile). False, with `error` saying why, when not.
[[nodiscard]] bool MayReplace(const std::string& path, OsError& error);
// Gives `from`, open as `file`, the name `to` in place of a file of that name. Linux renames it
// while it stays open; Windows replaces a target only with a closed file, so it is closed first.
[[nodiscard]] bool RenameOpenFile(File& file, const std::string& from, const std::string& to, OsError& error);
void RemoveFile(const std::string& path) noexcept;
// One entry of a folder: its name, whether it is a folder itself (a link to one is not), and
// whether it is a regular file or a link to one.
struct FolderEntry {
    std::string name;
    bool folder = false;
    bool regular = false;
};
// The entries of a folder but "." and ".."; 0 or the errno of the failure to read it.
int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);
// The names in a folder but "." and ".."; 0 or the errno of the failure to read it.
int ListNames(const std::string& folder, std::vector<std::string>& names);
// Creates a folder and the folders above it that are missing (0777 less the umask); 0 or the
// errno of the failure.
int MakeFolders(const std::string& folder);
// Writes a folder's entries (a rename in it) through to the disk; 0 or the errno of the failure.
int SyncFolder(const std::string& folder);
// The reason given when a file is locked by another program.
inline constexpr const char* kLockedByAnotherProgram = "The file is locked by another program.";
inline constexpr const char* kNotARegularFile = "Not a regular file.";
// Device and inode of a path, following links; false when it does not exist.
bool PathIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode);
// Device and inode of the program's standard output; false when it is not open.
bool StandardOutputIdentity(std::uint64_t& device, std::uint64_t& inode);

}  // namespace korvane::platform
