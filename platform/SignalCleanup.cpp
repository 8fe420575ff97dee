#include "platform/SignalCleanup.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace korvane::platform {

namespace {

// The handler may only touch what is async-signal-safe: a fixed buffer and a flag.
char gPath[PATH_MAX + 1];
volatile sig_atomic_t gRegistered = 0;
volatile sig_atomic_t gLineEnd = 0;
volatile sig_atomic_t gDeferring = 0;
volatile sig_atomic_t gDeferred = 0;
constexpr int kMaxForwards = 256;
volatile sig_atomic_t gForwards[kMaxForwards] = {};

void OnSignal(int signal) {
    for (int i = 0; i < kMaxForwards; ++i)
        if (gForwards[i] > 0) ::kill(static_cast<pid_t>(gForwards[i]), signal);
    if (gDeferring) {
        gDeferred = signal;
        return;
    }
    if (gRegistered) ::unlink(gPath);
    if (gLineEnd) (void)!::write(STDERR_FILENO, "\n", 1);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

const sigset_t& CleanupSignals() {
    static const sigset_t set = [] {
        sigset_t s;
        sigemptyset(&s);
        for (int n : kEndingSignals) sigaddset(&s, n);
        return s;
    }();
    return set;
}

void InstallSignalCleanup() {
    // A file grown past the process's limit (ulimit -f) is a failed write, told and cleaned up
    // like any other, rather than an end without a word.
    ::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_mask = CleanupSignals();
    for (int s : kEndingSignals) {
        struct sigaction before {};
        if (::sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &action, nullptr);
    }
}

void ForwardSignalsTo(int pid) {
    for (int i = 0; i < kMaxForwards; ++i)
        if (gForwards[i] == 0) {
            gForwards[i] = pid;
            return;
        }
}

void StopForwardingTo(int pid) {
    for (int i = 0; i < kMaxForwards; ++i)
        if (gForwards[i] == pid) gForwards[i] = 0;
}

void ForgetSignalForwards() {
    for (int i = 0; i < kMaxForwards; ++i) gForwards[i] = 0;
}

void EndWithParent(int parent) {
    // A worker whose parent is gone (killed outright) must not go on to replace targets.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::raise(SIGTERM);
}

int DeferredSignal() {
    return gDeferred;
}

DeferredSignalBlock::DeferredSignalBlock() {
    ::sigprocmask(SIG_BLOCK, &CleanupSignals(), &FSaved);
}

DeferredSignalBlock::~DeferredSignalBlock() {
    // Signals held back are delivered while the mask is restored, to a handler that only
    // records them.
    gDeferring = 1;
    ::sigprocmask(SIG_SETMASK, &FSaved, nullptr);
    gDeferring = 0;
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
    ::sigprocmask(SIG_BLOCK, &CleanupSignals(), &FSaved);
}

ScopedSignalBlock::~ScopedSignalBlock() {
    ::sigprocmask(SIG_SETMASK, &FSaved, nullptr);
}

}  // namespace korvane::platform
