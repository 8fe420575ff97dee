#include "platform/OsError.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace korvane::platform {

namespace {
bool ParentDirectoryExists(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

int CodeFromErrno(int errnoValue, const std::string& path) {
    switch (errnoValue) {
        case ENOENT:
            return path.empty() || ParentDirectoryExists(path) ? kErrorFileNotFound : kErrorPathNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return kErrorAccessDenied;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case ENOSPC:
        case EDQUOT:
            return kErrorDiskFull;
        default:
            return errnoValue;
    }
}

OsError MakeOsError(int errnoValue, const std::string& path) {
    return {errnoValue, CodeFromErrno(errnoValue, path)};
}

std::string SystemErrorText(int errnoValue) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
    return strerror_r(errnoValue, buffer, sizeof buffer);
}

}  // namespace korvane::platform
