// The seam under every file the program reads or writes: a byte file with positioned and
// sequential transfers, and a file system that opens byte files by name. The system's files
// are one implementation; memory files (tests, fuzzing) are another. Failures come back as
// values (an errno), never through a global.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
    CreateUnnamed,       // a file without a name in the folder the path names, for writing
};

// What a path names, following symbolic links unless asked not to.
struct PathStatus {
    bool exists = false;
    bool regular = false;
    bool folder = false;
    bool link = false;  // only from LinkStatus
    std::uint64_t links = 0;
    unsigned mode = 0;  // permission bits
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    unsigned owner = 0;  // user and group ids
    unsigned group = 0;
};

// One transfer: how many bytes, or the errno of a failure (count is then 0).
struct IoResult {
    std::int64_t count = 0;
    int error = 0;
};

class IByteFile {
public:
    virtual ~IByteFile() = default;
    // One transfer as the system makes it: fewer bytes than asked for are no failure (a read
    // stops at the end of the file, a write may take part); callers go on with the rest.
    virtual IoResult ReadAt(void* buffer, std::size_t count, std::int64_t offset) = 0;
    virtual IoResult WriteAt(const void* buffer, std::size_t count, std::int64_t offset) = 0;
    // Writes behind what was written last (pipes, devices, standard output).
    virtual IoResult Write(const void* buffer, std::size_t count) = 0;
    virtual IoResult Size() = 0;
    // A shared lock for as long as the file is open: 0, or the errno (EWOULDBLOCK when
    // another program holds the file exclusively).
    virtual int LockShared() = 0;
    virtual FileType Type() = 0;
    // Device and inode, to tell whether two names are one file.
    virtual bool Identity(std::uint64_t& device, std::uint64_t& inode) = 0;
    virtual bool SetPermissions(unsigned mode) = 0;
    // 0, or the errno of a failed close; the file is closed either way.
    virtual int Close() = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual PathStatus Status(const std::string& path) = 0;
    // Opens a file; nothing, with `error` saying why, when it cannot. `mode` is the permission
    // of a created file, before the umask.
    virtual std::unique_ptr<IByteFile> Open(const std::string& path, FileAccess access, OsError& error, unsigned mode = 0666) = 0;
    // The names in a folder ("" is the working folder).
    virtual std::vector<std::string> Entries(const std::string& folder) = 0;
    // Whether its paths are the system's files (not files held in memory).
    virtual bool OfSystem() const { return false; }
    // The companion file `exactPath` stands for: that file if it exists, else the one whose
    // name matches ignoring ASCII case (the first in byte order); empty when there is none.
    virtual std::string Companion(const std::string& exactPath);
};

// The system's files.
IFileSystem& SystemFiles();

// Files (the system's by default) with each folder listed once: a run of many tables in one folder looks
// for their companions in one listing (a companion made during the run is not seen by it).
// Safe to use from several threads.
class ListedOnce : public IFileSystem {
public:
    explicit ListedOnce(IFileSystem& files = SystemFiles()) : FFiles(files) {}
    PathStatus Status(const std::string& path) override { return FFiles.Status(path); }
    std::unique_ptr<IByteFile> Open(const std::string& path, FileAccess access, OsError& error, unsigned mode = 0666) override {
        return FFiles.Open(path, access, error, mode);
    }
    std::vector<std::string> Entries(const std::string& folder) override;
    bool OfSystem() const override { return FFiles.OfSystem(); }
    // From the folder's listing: the exact name where it is listed, else the first listed name
    // that matches ignoring ASCII case.
    std::string Companion(const std::string& exactPath) override;

private:
    struct Listing {
        std::vector<std::string> names;
        std::unordered_set<std::string> exact;
        std::unordered_map<std::string, std::string> folded;  // lower-case name -> first such name
    };
    const Listing& ListingOf(const std::string& folder);

    IFileSystem& FFiles;
    std::mutex FMutex;
    std::unordered_map<std::string, Listing> FListings;
};

// Files held in memory: for tests, and for the fuzzer, which converts thousands of tables a
// second. Paths are plain keys: "/d/t.dbf" lies in folder "/d/".
class MemoryFileSystem : public IFileSystem {
public:
    // Adds or replaces a regular file; `regular` false makes it stand for a device or pipe.
    void Put(const std::string& path, std::vector<std::uint8_t> bytes, bool regular = true);
    std::vector<std::uint8_t> Get(const std::string& path) const;

    PathStatus Status(const std::string& path) override;
    std::unique_ptr<IByteFile> Open(const std::string& path, FileAccess access, OsError& error, unsigned mode = 0666) override;
    std::vector<std::string> Entries(const std::string& folder) override;

private:
    struct Entry {
        std::shared_ptr<std::vector<std::uint8_t>> bytes;
        bool regular = true;
        std::uint64_t inode = 0;
    };
    std::map<std::string, Entry> FFiles;
    std::uint64_t FNextInode = 1;
};

}  // namespace korvane::platform
