#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Paths.h"

namespace korvane::platform {

namespace {
int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}
}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (FHandle >= 0) ::close(Fd(FHandle));
        FHandle = other.FHandle;
        other.FHandle = kNoHandle;
    }
    return *this;
}

File::~File() {
    if (FHandle >= 0) ::close(Fd(FHandle));
}

bool File::Open(const std::string& path, FileAccess access, OsError& error, unsigned mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::ReadWrite:
        case FileAccess::ReadWriteExclusive:
            flags |= O_RDWR;
            break;
        case FileAccess::ReadOnly:
            flags |= O_RDONLY;
            break;
        case FileAccess::CreateTruncate:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case FileAccess::WriteExisting:
            flags |= O_WRONLY | O_NOCTTY;
            break;
        case FileAccess::CreateNew:
            flags |= O_WRONLY | O_CREAT | O_EXCL;
            break;
        case FileAccess::CreateUnnamed:
            flags |= O_WRONLY | O_TMPFILE;
            break;
    }
    // An existing file is opened without waiting, so that a named pipe given as a table does
    // not block the open until some other program writes to it; reads then block as usual.
    const bool existing =
        access != FileAccess::CreateTruncate && access != FileAccess::CreateNew && access != FileAccess::CreateUnnamed;
    if (existing) flags |= O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = MakeOsError(errno, path);
        return false;
    }
    if (existing) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (access == FileAccess::ReadWriteExclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another program holds a lock on the file: report it as a sharing failure.
        const int e = errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
        ::close(fd);
        error = MakeOsError(e, path);
        return false;
    }
    FHandle = fd;
    return true;
}

bool File::DuplicateStandardOutput(OsError& error) {
    File out;
    out.FHandle = STDOUT_FILENO;
    const bool ok = Duplicate(out, error);
    out.FHandle = kNoHandle;
    return ok;
}

bool File::Duplicate(const File& other, OsError& error) {
    Close();
    const int fd = ::fcntl(Fd(other.FHandle), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        error = MakeOsError(errno);
        return false;
    }
    FHandle = fd;
    return true;
}

namespace {
// One system call, repeated only when a signal interrupted it.
template <typename Call>
IoResult Transfer(Call call) {
    for (;;) {
        const ssize_t n = call();
        if (n >= 0) return {static_cast<std::int64_t>(n), 0};
        if (errno != EINTR) return {0, errno};
    }
}
}  // namespace

IoResult File::ReadAt(void* buffer, std::size_t count, std::int64_t offset) {
    return Transfer([&] { return ::pread(Fd(FHandle), buffer, count, static_cast<off_t>(offset)); });
}

IoResult File::WriteAt(const void* buffer, std::size_t count, std::int64_t offset) {
    return Transfer([&] { return ::pwrite(Fd(FHandle), buffer, count, static_cast<off_t>(offset)); });
}

IoResult File::Write(const void* buffer, std::size_t count) {
    return Transfer([&] { return ::write(Fd(FHandle), buffer, count); });
}

IoResult File::Size() {
    struct stat st {};
    if (::fstat(Fd(FHandle), &st) != 0) return {0, errno};
    return {static_cast<std::int64_t>(st.st_size), 0};
}

int File::LockShared() {
    int rc;
    do {
        rc = ::flock(Fd(FHandle), LOCK_SH | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

bool File::SetPermissions(unsigned mode) {
    return ::fchmod(Fd(FHandle), static_cast<mode_t>(mode)) == 0;
}

int File::Sync() {
    int rc;
    do {
        rc = ::fsync(Fd(FHandle));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

int File::TryLockExclusive() {
    int rc;
    do {
        rc = ::flock(Fd(FHandle), LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

int File::Reserve(std::int64_t size) {
    if (size <= 0) return 0;
    int rc;
    do {
        rc = ::fallocate(Fd(FHandle), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    if (rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS) return 0;
    return errno;
}

int File::Truncate(std::int64_t size) {
    int rc;
    do {
        rc = ::ftruncate(Fd(FHandle), static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

bool File::SetOwner(unsigned owner, unsigned group) {
    return ::fchown(Fd(FHandle), static_cast<uid_t>(owner), static_cast<gid_t>(group)) == 0;
}

bool File::LinkAs(const std::string& path, OsError& error) {
    // The descriptor's entry in /proc names the file; following it links the file itself.
    const std::string self = "/proc/self/fd/" + std::to_string(Fd(FHandle));
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    error = MakeOsError(errno, path);
    return false;
}

int File::Close() {
    if (FHandle < 0) return 0;
    const int rc = ::close(Fd(FHandle));
    FHandle = kNoHandle;
    return rc != 0 && errno != EINTR ? errno : 0;
}

FileType File::Type() {
    struct stat st {};
    if (::fstat(Fd(FHandle), &st) != 0) return FileType::Other;
    if (S_ISREG(st.st_mode)) return FileType::Regular;
    if (S_ISCHR(st.st_mode)) return FileType::CharacterDevice;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FileType::Pipe;
    return FileType::Other;
}

bool File::Identity(std::uint64_t& device, std::uint64_t& inode) {
    struct stat st {};
    if (::fstat(Fd(FHandle), &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

namespace {
PathStatus StatusOf(const struct stat& st, bool ok) {
    PathStatus s;
    if (!ok) return s;
    s.exists = true;
    s.regular = S_ISREG(st.st_mode);
    s.folder = S_ISDIR(st.st_mode);
    s.link = S_ISLNK(st.st_mode);
    s.links = st.st_nlink;
    s.mode = st.st_mode & 07777;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.owner = st.st_uid;
    s.group = st.st_gid;
    return s;
}
}  // namespace

PathStatus StatPath(const std::string& path) {
    struct stat st {};
    return StatusOf(st, ::stat(path.c_str(), &st) == 0);
}

PathStatus LinkStatus(const std::string& path) {
    struct stat st {};
    return StatusOf(st, ::lstat(path.c_str(), &st) == 0);
}

std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string out = resolved;
    std::free(resolved);
    return out;
}

bool RenameFile(const std::string& from, const std::string& to, OsError& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = MakeOsError(errno, to);
    return false;
}

bool MayReplace(const std::string& path, OsError& error) {
    File probe;
    return probe.Open(path, FileAccess::WriteExisting, error);
}

bool RenameOpenFile(File&, const std::string& from, const std::string& to, OsError& error) {
    return RenameFile(from, to, error);
}

void RemoveFile(const std::string& path) noexcept {
    ::unlink(path.c_str());
}

int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* d = ::opendir(folder.c_str());
    if (!d) return errno;
    const std::string prefix = IncludeTrailingPathDelimiter(folder);
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry entry{name};
        struct stat own {};
        if (::lstat((prefix + name).c_str(), &own) == 0) entry.folder = S_ISDIR(own.st_mode);
        entry.regular = StatPath(prefix + name).regular;
        entries.push_back(std::move(entry));
        errno = 0;
    }
    const int e = errno;
    ::closedir(d);
    return e;
}

int ListNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* d = ::opendir(folder.c_str());
    if (!d) return errno;
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    const int e = errno;
    ::closedir(d);
    return e;
}

int MakeFolders(const std::string& folder) {
    std::string path;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        path = folder.substr(0, at);
        if (path.empty() || StatPath(path).exists) continue;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    const int e = rc == 0 ? 0 : errno;
    ::close(fd);
    return e;
}

bool StandardOutputIdentity(std::uint64_t& device, std::uint64_t& inode) {
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool PathIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

}  // namespace korvane::platform
