#include "tests/support/LockHolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvane::test {

LockHolder::LockHolder(const std::string& path, int operation) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    FPid = ::fork();
    if (FPid == 0) {
        // Holds the lock until the test lets go (or ends, which closes the pipe too).
        ::close(release[1]);
        const int fd = ::open(path.c_str(), O_RDONLY);
        (void)!::write(ready[1], ::flock(fd, operation) == 0 ? "y" : "n", 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(release[0]);
    ::close(ready[1]);
    FRelease = release[1];
    char answer = 0;
    FHolds = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
}

LockHolder::~LockHolder() {
    if (FRelease >= 0) ::close(FRelease);
    if (FPid > 0) ::waitpid(FPid, nullptr, 0);
}

}  // namespace korvane::test
