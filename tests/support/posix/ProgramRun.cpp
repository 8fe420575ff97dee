#include "tests/support/ProgramRun.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvane::test {

std::string ProgramPath() {
    return KORVANE_DBF2XML;
}

ProgramResult RunProgram(const std::vector<std::string>& args) {
    ProgramResult result;
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return result;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]), ::close(err[0]), ::close(out[1]), ::close(err[1]);
        std::vector<char*> argv = {const_cast<char*>(KORVANE_DBF2XML)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KORVANE_DBF2XML, argv.data());
        ::_exit(127);
    }
    ::close(out[1]), ::close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    for (int open = 2; open > 0;) {
        if (::poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace korvane::test
