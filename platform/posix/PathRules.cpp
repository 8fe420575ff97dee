// What a path is on Linux: '/' is the root, the working folder and the program's own file come
// from the system.
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Paths.h"

namespace korvane::platform {

bool IsFullFilePath(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

std::string WorkingFolder() {
    std::vector<char> cwd(kMaxPath);
    const char* dir = ::getcwd(cwd.data(), cwd.size());
    return dir ? dir : "/";
}

std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string DbfBasePath() {
    std::vector<char> buffer(kMaxPath);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return ExpandFileName("./");
    return ExtractFilePath(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

}  // namespace korvane::platform
