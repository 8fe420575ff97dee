// System error codes in the Windows style that the messages are written for.
#pragma once

#include <cerrno>
#include <string>

namespace korvane::platform {

constexpr int kErrorFileNotFound = 2;
constexpr int kErrorPathNotFound = 3;
constexpr int kErrorTooManyOpenFiles = 4;
constexpr int kErrorAccessDenied = 5;
constexpr int kErrorLockViolation = 33;
constexpr int kErrorDiskFull = 101;

// The errno of a full quota: Linux has one, Windows says its disk is full instead.
#ifdef EDQUOT
constexpr int kErrnoQuotaExceeded = EDQUOT;
#else
constexpr int kErrnoQuotaExceeded = -1;  // never an errno
#endif

// An error as the system reported it: the errno and the Windows-style code for it.
struct OsError {
    int errnoValue = 0;
    int code = 0;
};

// Maps an errno to its Windows-style code; for ENOENT the path decides between a missing
// file (2) and a missing directory on the way (3).
int CodeFromErrno(int errnoValue, const std::string& path = {});
OsError MakeOsError(int errnoValue, const std::string& path = {});
// The system's text for an errno.
std::string SystemErrorText(int errnoValue);

}  // namespace korvane::platform
