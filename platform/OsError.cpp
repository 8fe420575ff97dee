#include "platform/OsError.h"

#include <cerrno>
#include <cstring>

#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane::platform {

namespace {
bool ParentDirectoryExists(const std::string& path) {
    const auto slash = path.find_last_of(kPathDelims);
    if (slash == std::string::npos) return true;
    return StatPath(path.substr(0, slash + 1)).folder;
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
        case kErrnoQuotaExceeded:
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
#ifdef _WIN32
    return strerror_s(buffer, sizeof buffer, errnoValue) == 0 ? buffer : "Unknown error";
#else
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
    return strerror_r(errnoValue, buffer, sizeof buffer);
#endif
}

}  // namespace korvane::platform
