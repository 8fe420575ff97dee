// The system's files on Windows, through the wide-character API. Tables are opened so that
// other programs may go on reading and writing them; the locks that the Linux build takes with
// flock are byte-range locks (LockFileEx) on one byte far past any data, which guard the same
// way and never stand in the way of a read or write of the file's content.
#include "platform/File.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/Paths.h"
#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The byte that stands for the whole file in a lock.
constexpr DWORD kLockOffsetLow = 0xFFFFFFFE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
// One transfer is at most this many bytes (ReadFile and WriteFile count in a DWORD).
constexpr std::size_t kMaxTransfer = 1u << 30;

HANDLE Native(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t Stored(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

int LastErrno() {
    return ErrnoFromSystemError(::GetLastError());
}

int Lock(HANDLE handle, DWORD flags) {
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    if (::LockFileEx(handle, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 0;
    return LastErrno();
}

OVERLAPPED At(std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return at;
}

bool Information(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    return ::GetFileInformationByHandle(handle, &info) != 0;
}

std::uint64_t Index(const BY_HANDLE_FILE_INFORMATION& info) {
    return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Opens a path for its attributes only, whatever it is (a folder too).
HANDLE OpenForStatus(const std::string& path, bool followLinks) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return ::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
}

PathStatus StatusOf(const std::string& path, bool followLinks) {
    PathStatus s;
    const HANDLE h = OpenForStatus(path, followLinks);
    BY_HANDLE_FILE_INFORMATION info{};
    bool known = false;
    if (h != INVALID_HANDLE_VALUE) {
        known = Information(h, info);
        ::CloseHandle(h);
    }
    if (!known) {
        // A file the system keeps open for itself still has attributes.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return s;
        info.dwFileAttributes = data.dwFileAttributes;
        info.nFileSizeHigh = data.nFileSizeHigh;
        info.nFileSizeLow = data.nFileSizeLow;
        info.nNumberOfLinks = 1;
    }
    s.exists = true;
    const DWORD a = info.dwFileAttributes;
    s.folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    s.link = !followLinks && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    s.regular = !s.folder && !s.link;
    s.links = info.nNumberOfLinks;
    s.mode = s.folder ? 0777 : (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    s.device = info.dwVolumeSerialNumber;
    s.inode = Index(info);
    s.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return s;
}

}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        FHandle = other.FHandle;
        other.FHandle = kNoHandle;
    }
    return *this;
}

File::~File() {
    Close();
}

bool File::Open(const std::string& path, FileAccess access, OsError& error, unsigned mode) {
    Close();
    DWORD desired = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    // Others may read a file being written; a document being written may also be removed by
    // the clean-up of an interrupted run while it is open.
    DWORD share = kShareAll;
    switch (access) {
        case FileAccess::ReadWrite:
        case FileAccess::ReadWriteExclusive:
            break;
        case FileAccess::ReadOnly:
            desired = GENERIC_READ;
            break;
        case FileAccess::CreateTruncate:
            desired = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            share = FILE_SHARE_READ | FILE_SHARE_DELETE;
            break;
        case FileAccess::WriteExisting:
            desired = GENERIC_WRITE;
            break;
        case FileAccess::CreateNew:
            disposition = CREATE_NEW;
            break;
        case FileAccess::CreateUnnamed:
            // Windows has no file without a name: the caller makes a named one.
            error = MakeOsError(EOPNOTSUPP, path);
            return false;
    }
    // A created file without any write permission is read-only, as on Linux.
    const DWORD attributes =
        (disposition != OPEN_EXISTING && (mode & 0222) == 0) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    const HANDLE h = ::CreateFileW(WidePath(path).c_str(), desired, share, nullptr, disposition, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        // Opening a folder as a file is refused as "access denied"; Linux says what it is.
        error = MakeOsError(e == ERROR_ACCESS_DENIED && StatusOf(path, true).folder ? EISDIR : ErrnoFromSystemError(e), path);
        return false;
    }
    if (access == FileAccess::ReadWriteExclusive) {
        if (const int e = Lock(h, LOCKFILE_EXCLUSIVE_LOCK); e != 0) {
            ::CloseHandle(h);
            error = MakeOsError(e, path);
            return false;
        }
    }
    FHandle = Stored(h);
    return true;
}

bool File::Duplicate(const File& other, OsError& error) {
    Close();
    HANDLE copy = nullptr;
    const HANDLE process = ::GetCurrentProcess();
    if (!::DuplicateHandle(process, Native(other.FHandle), process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        error = LastOsError();
        return false;
    }
    FHandle = Stored(copy);
    return true;
}

bool File::DuplicateStandardOutput(OsError& error) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        error = MakeOsError(EBADF);
        return false;
    }
    File standard;
    standard.FHandle = Stored(out);
    const bool ok = Duplicate(standard, error);
    standard.FHandle = kNoHandle;
    return ok;
}

IoResult File::ReadAt(void* buffer, std::size_t count, std::int64_t offset) {
    OVERLAPPED at = At(offset);
    DWORD done = 0;
    if (::ReadFile(Native(FHandle), buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done, &at)) return {done, 0};
    const DWORD e = ::GetLastError();
    if (e == ERROR_HANDLE_EOF || e == ERROR_BROKEN_PIPE) return {0, 0};
    return {0, ErrnoFromSystemError(e)};
}

IoResult File::WriteAt(const void* buffer, std::size_t count, std::int64_t offset) {
    OVERLAPPED at = At(offset);
    DWORD done = 0;
    if (::WriteFile(Native(FHandle), buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done, &at)) return {done, 0};
    return {0, LastErrno()};
}

IoResult File::Write(const void* buffer, std::size_t count) {
    DWORD done = 0;
    if (::WriteFile(Native(FHandle), buffer, static_cast<DWORD>(std::min(count, kMaxTransfer)), &done, nullptr)) return {done, 0};
    return {0, LastErrno()};
}

IoResult File::Size() {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(Native(FHandle), &size)) return {0, LastErrno()};
    return {size.QuadPart, 0};
}

int File::LockShared() {
    return Lock(Native(FHandle), 0);
}

int File::TryLockExclusive() {
    return Lock(Native(FHandle), LOCKFILE_EXCLUSIVE_LOCK);
}

bool File::SetPermissions(unsigned) {
    // Windows keeps no permission bits: a replaced target keeps its attributes (RenameFile).
    return true;
}

int File::Sync() {
    if (::FlushFileBuffers(Native(FHandle))) return 0;
    return LastErrno();
}

int File::Truncate(std::int64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    if (::SetFileInformationByHandle(Native(FHandle), FileEndOfFileInfo, &end, sizeof end)) return 0;
    return LastErrno();
}

int File::Reserve(std::int64_t size) {
    if (size <= 0) return 0;
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = size;
    if (::SetFileInformationByHandle(Native(FHandle), FileAllocationInfo, &room, sizeof room)) return 0;
    const int e = LastErrno();
    return e == ENOSPC ? e : 0;  // a file system that cannot reserve room
}

bool File::SetOwner(unsigned, unsigned) {
    return false;
}

bool File::LinkAs(const std::string& path, OsError& error) {
    error = MakeOsError(EOPNOTSUPP, path);
    return false;
}

int File::Close() {
    if (FHandle == kNoHandle) return 0;
    const bool ok = ::CloseHandle(Native(FHandle)) != 0;
    FHandle = kNoHandle;
    return ok ? 0 : LastErrno();
}

FileType File::Type() {
    switch (::GetFileType(Native(FHandle))) {
        case FILE_TYPE_DISK:
            return FileType::Regular;
        case FILE_TYPE_CHAR:
            return FileType::CharacterDevice;
        case FILE_TYPE_PIPE:
            return FileType::Pipe;
        default:
            return FileType::Other;
    }
}

bool File::Identity(std::uint64_t& device, std::uint64_t& inode) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (Information(Native(FHandle), info)) {
        device = info.dwVolumeSerialNumber;
        inode = Index(info);
        return true;
    }
    // A console or a pipe: open, and no file of any table.
    if (::GetFileType(Native(FHandle)) == FILE_TYPE_UNKNOWN) return false;
    device = ~std::uint64_t{0};
    inode = static_cast<std::uint64_t>(FHandle);
    return true;
}

PathStatus StatPath(const std::string& path) {
    return StatusOf(path, true);
}

PathStatus LinkStatus(const std::string& path) {
    return StatusOf(path, false);
}

std::string RealPath(const std::string& path) {
    const HANDLE h = OpenForStatus(path, true);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::wstring name(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
    if (n >= name.size()) {
        name.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(h);
    if (n == 0 || n >= name.size()) return {};
    name.resize(n);
    // The long form is the system's business: a path is shown as people write it.
    if (name.starts_with(L"\\\\?\\UNC\\"))
        name = L"\\\\" + name.substr(8);
    else if (name.starts_with(L"\\\\?\\"))
        name = name.substr(4);
    return Narrow(name);
}

bool RenameFile(const std::string& from, const std::string& to, OsError& error) {
    const std::wstring source = AbsoluteWidePath(from);
    const std::wstring target = AbsoluteWidePath(to);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // An existing target is replaced as one file: it keeps its attributes (read-only and
        // hidden included, cleared only for the replacement) and the rest of its identity.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (::ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
            ::SetFileAttributesW(target.c_str(), attributes);
            return true;
        }
        const DWORD e = ::GetLastError();
        ::SetFileAttributesW(target.c_str(), attributes);
        error = MakeOsError(ErrnoFromSystemError(e), to);
        return false;
    }
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    error = LastOsError(to);
    return false;
}

bool MayReplace(const std::string& path, OsError& error) {
    File probe;
    if (probe.Open(path, FileAccess::WriteExisting, error)) return true;
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return error.errnoValue == EACCES && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RenameOpenFile(File& file, const std::string& from, const std::string& to, OsError& error) {
    // ReplaceFileW refuses a replacement that is open anywhere, even with every share mode.
    file.Close();
    return RenameFile(from, to, error);
}

void RemoveFile(const std::string& path) noexcept {
    ::DeleteFileW(WidePath(path).c_str());
}

namespace {
// Every entry of a folder but "." and ".."; 0 or the errno of the failure to read it.
template <typename Take>
int EachEntry(const std::string& folder, Take take) {
    const std::wstring pattern = WidePath(IncludeTrailingPathDelimiter(folder) + "*");
    WIN32_FIND_DATAW found{};
    const HANDLE h =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND) return 0;  // an empty folder (a drive's root has no "." either)
        if (e == ERROR_PATH_NOT_FOUND && StatPath(folder).exists) return ENOTDIR;
        return ErrnoFromSystemError(e);
    }
    int result = 0;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") take(Narrow(name), found.dwFileAttributes);
    } while (::FindNextFileW(h, &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) result = LastErrno();
    ::FindClose(h);
    return result;
}
}  // namespace

int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const std::string prefix = IncludeTrailingPathDelimiter(folder);
    return EachEntry(folder, [&](std::string name, DWORD attributes) {
        FolderEntry entry{std::move(name)};
        // A reparse point (a link or a junction) to a folder is no folder of the tree, as a
        // link to a folder is not on Linux; one to a file counts as the file.
        const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.folder = !reparse && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.regular = reparse ? StatPath(prefix + entry.name).regular : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        entries.push_back(std::move(entry));
    });
}

int ListNames(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    return EachEntry(folder, [&](std::string name, DWORD) { names.push_back(std::move(name)); });
}

int MakeFolders(const std::string& folder) {
    for (std::size_t at = 0; at != std::string::npos;) {
        at = folder.find_first_of(kPathDelims, at + 1);
        const std::string path = folder.substr(0, at);
        if (path.empty() || StatPath(path).exists) continue;
        if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return LastErrno();
    }
    return 0;
}

int SyncFolder(const std::string&) {
    // The move itself was written through (MOVEFILE_WRITE_THROUGH).
    return 0;
}

bool StandardOutputIdentity(std::uint64_t& device, std::uint64_t& inode) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (Information(out, info)) {
        device = info.dwVolumeSerialNumber;
        inode = Index(info);
        return true;
    }
    if (::GetFileType(out) == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return false;
    device = ~std::uint64_t{0};
    inode = reinterpret_cast<std::uintptr_t>(out);
    return true;
}

bool PathIdentity(const std::string& path, std::uint64_t& device, std::uint64_t& inode) {
    const PathStatus s = StatPath(path);
    if (!s.exists) return false;
    device = s.device;
    inode = s.inode;
    return true;
}

}  // namespace korvane::platform
