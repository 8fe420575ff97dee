// The standard streams on Linux: descriptors 0 to 2, and the terminal they may share.
#include "platform/Console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

namespace korvane::platform {

bool PrepareStandardStreams(StandardStreams& streams) {
    streams.outputOpen = ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) return false;
    struct stat out {
    }, error{};
    streams.errorIsTerminal = ::isatty(STDERR_FILENO) != 0;
    streams.outputOnErrorTerminal = streams.outputOpen && ::isatty(STDOUT_FILENO) && ::fstat(STDOUT_FILENO, &out) == 0 &&
                                    ::fstat(STDERR_FILENO, &error) == 0 && out.st_rdev == error.st_rdev;
    return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::ostream& MessageOutput() {
    return std::cout;
}

std::ostream& MessageError() {
    return std::cerr;
}

}  // namespace korvane::platform
