// A file that an interrupted program removes before it ends: a half-written document must not
// survive Ctrl-C, a terminal that closes or a kill.
#pragma once

#include <signal.h>

#include <string>

namespace korvane::platform {

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the registered file and then
// end the program by the same signal, so the shell sees 130, 143 or 129. A signal that the
// program was started with ignored (by nohup, `trap '' INT`, a service manager) stays ignored.
void InstallSignalCleanup();
// Processes that a signal reaching this one is passed on to first (the workers converting
// tables at the same time), at most 256.
void ForwardSignalsTo(int pid);
void StopForwardingTo(int pid);
void ForgetSignalForwards();
// SIGINT, SIGTERM and SIGHUP: the signals that end a run.
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
