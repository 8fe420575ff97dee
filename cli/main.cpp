// dbf2xml: converts tables from the command line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <iostream>

#include "cli/Cli.h"
#include "platform/Settings.h"
#include "platform/SignalCleanup.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Ctrl-C, a closed terminal or a kill removes a half-written document before the end.
    korvane::platform::InstallSignalCleanup();
    // A standard stream the shell closed gets /dev/null, so that no table or document opened
    // later takes its number; that standard output was closed is remembered for "-o -".
    const bool outputOpen = ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) return 1;
    korvane::cli::Environment environment;
    environment.settings = korvane::platform::SettingsFromLocale();
    environment.outputOpen = outputOpen;
    struct stat out {
    }, error{};
    environment.outputOnErrorTerminal = outputOpen && ::isatty(STDOUT_FILENO) && ::fstat(STDOUT_FILENO, &out) == 0 &&
                                        ::fstat(STDERR_FILENO, &error) == 0 && out.st_rdev == error.st_rdev;
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = korvane::cli::RunCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0, environment);
    std::cout.flush();
    std::cerr.flush();
    korvane::cli::EndBySignalHeldBack(status);
    return status;
}
