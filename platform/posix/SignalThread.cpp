// The ending signals on Linux: blocked in every thread and taken by one thread with sigwait, so
// that the clean-up runs as ordinary code, never inside a signal handler.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/EndingRun.h"
#include "platform/SignalCleanup.h"

namespace korvane::platform {

namespace {

// The signals that end a run: each removes the registered files and then ends the program by
// the same signal, so that the shell sees 128 + the signal (130, 143, 129, ...).
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};

void TakeSignals(sigset_t waited) {
    for (;;) {
        int signal = 0;
        if (::sigwait(&waited, &signal) == 0) EndRun(signal);
    }
}

}  // namespace

void RemoveNow(const char* path) noexcept {
    ::unlink(path);
}

void EndErrorLine() noexcept {
    (void)!::write(STDERR_FILENO, "\n", 1);
}

void InstallSignalCleanup() {
    // A file grown past the process's limit (ulimit -f) is a failed write, told and cleaned up
    // like any other, rather than an end without a word.
    ::signal(SIGXFSZ, SIG_IGN);
    sigset_t all;
    sigemptyset(&all);
    for (int s : kEndingSignals) sigaddset(&all, s);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    sigset_t waited;
    sigemptyset(&waited);
    for (int s : kEndingSignals) {
        struct sigaction before {};
        if (::sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaddset(&waited, s);
    }
    // It lives as long as the program: it ends the program or waits until the program ends.
    std::thread(TakeSignals, waited).detach();
}

void EndBySignal(int signal) {
    ::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(signal);
    // A runtime that delivers signals at its own next safe point (a sanitizer's) gets a few
    // more chances; the status says the same should the default action still not come.
    for (int tries = 0; tries < 100; ++tries) {
        ::kill(::getpid(), signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::_exit(128 + signal);
}

}  // namespace korvane::platform
