// A file that an interrupted program removes before it ends: a half-written document must not
// survive Ctrl-C, a terminal that closes or a kill.
#pragma once

#include <signal.h>

#include <string>

namespace korvane::platform {

// The signals that end a run: each removes the registered file and then ends the program by
// the same signal, so that the shell sees 128 + the signal (130, 143, 129, ...).
inline constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};
// Installs the handlers for the ending signals. A signal that the program was started with
// ignored (by nohup, `trap '' INT`, a service manager) stays ignored. SIGXFSZ is ignored, so
// that a write past the file size limit fails with "File too large".
void InstallSignalCleanup();
// In a worker process: ends it (as by SIGTERM) when its parent `parent` is gone, now or later.
void EndWithParent(int parent);
// Processes that a signal reaching this one is passed on to first (the workers converting
// tables at the same time), at most 256.
void ForwardSignalsTo(int pid);
void StopForwardingTo(int pid);
void ForgetSignalForwards();
// The ending signals as a set.
const sigset_t& CleanupSignals();
// The signal that a DeferredSignalBlock held back and recorded; 0 when none did.
int DeferredSignal();
// The file to remove when a signal arrives (one at a time); a later call replaces it.
void RegisterCleanupFile(const std::string& path);
void UnregisterCleanupFile();
// While set, a signal first ends the line on standard error (a progress line being drawn).
void SetLineEndOnSignal(bool pending);

// Holds SIGINT, SIGTERM and SIGHUP back while it lives (for creating and registering a file
// as one step); they are delivered when it ends.
class ScopedSignalBlock {
public:
    ScopedSignalBlock();
    ~ScopedSignalBlock();
    ScopedSignalBlock(const ScopedSignalBlock&) = delete;
    ScopedSignalBlock& operator=(const ScopedSignalBlock&) = delete;

private:
    sigset_t FSaved;
};

// Holds SIGINT, SIGTERM and SIGHUP back while a finished document replaces its target. One that
// arrives meanwhile does not end the program when the block ends: it is recorded (see
// DeferredSignal), so that the program can finish what it owes the user and then stop.
class DeferredSignalBlock {
public:
    DeferredSignalBlock();
    ~DeferredSignalBlock();
    DeferredSignalBlock(const DeferredSignalBlock&) = delete;
    DeferredSignalBlock& operator=(const DeferredSignalBlock&) = delete;

private:
    sigset_t FSaved;
};

}  // namespace korvane::platform
