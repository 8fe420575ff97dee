#include "platform/SignalCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace korvane::platform {

namespace {

// The handler may only touch what is async-signal-safe: a fixed buffer and a flag.
char gPath[PATH_MAX + 1];
volatile sig_atomic_t gRegistered = 0;
volatile sig_atomic_t gLineEnd = 0;

void OnSignal(int signal) {
    if (gRegistered) ::unlink(gPath);
    if (gLineEnd) (void)!::write(STDERR_FILENO, "\n", 1);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void InstallSignalCleanup() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(s, &action, nullptr);
}

void RegisterCleanupFile(const std::string& path) {
    gRegistered = 0;
    if (path.size() > PATH_MAX) return;
    std::memcpy(gPath, path.c_str(), path.size() + 1);
    gRegistered = 1;
}

void UnregisterCleanupFile() {
    gRegistered = 0;
}

void SetLineEndOnSignal(bool pending) {
    gLineEnd = pending ? 1 : 0;
}

ScopedSignalBlock::ScopedSignalBlock() {
    sigset_t block;
    sigemptyset(&block);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, s);
    ::sigprocmask(SIG_BLOCK, &block, &FSaved);
}

ScopedSignalBlock::~ScopedSignalBlock() {
    ::sigprocmask(SIG_SETMASK, &FSaved, nullptr);
}

}  // namespace korvane::platform
