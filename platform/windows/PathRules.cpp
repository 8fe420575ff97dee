// What a path is on Windows: a drive ("C:\"), a share ("\\server\share") or the working
// drive's root ("\data") starts a full path,
// the working folder and the program's own file come from the system.
#include <windows.h>

#include <vector>

#include "platform/Paths.h"
#include "platform/windows/WidePath.h"

namespace korvane::platform {

bool IsFullFilePath(const std::string& path) {
    // A path from the root of the working drive ("\data\t.dbf") is left to the system as well.
    if (!path.empty() && IsPathDelimiter(path[0])) return true;
    const bool letter = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path[1] == ':' && IsPathDelimiter(path[2]);
}

std::string WorkingFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) return "C:\\";
        if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(n + 1);
    }
}

std::string TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);
    return n > 0 && n <= MAX_PATH + 1 ? Narrow(std::wstring_view(buffer, n)) : WorkingFolder();
}

std::string DbfBasePath() {
    std::vector<wchar_t> buffer(kMaxPath);
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return ExpandFileName(".\\");
    return ExtractFilePath(Narrow(std::wstring_view(buffer.data(), n)));
}

}  // namespace korvane::platform
