// Files that an interrupted program removes before it ends: a half-written document must not
// survive Ctrl-C, a terminal that closes or a kill, whichever of the run's conversions wrote it.
#pragma once

#include <string>

#include "platform/Exception.h"

namespace korvane::platform {

// The signals that end a run (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2; on
// Windows Ctrl-C and Ctrl-Break as SIGINT, a closing console as SIGHUP) each remove the
// registered files and then end the program by the same signal, so that the shell sees 128 +
// the signal (130, 143, 129, ...).

// Conversions at the same time that the clean-up can know of.
inline constexpr int kCleanupSlots = 256;

// Blocks the ending signals in the calling thread, and so in every thread started after it, and
// starts the one thread that takes them (on Windows: installs the console's control handler,
// which the system calls on a thread of its own). Call it from main before any other thread
// starts. A signal that the program was started with ignored (by nohup, `trap '' INT`, a
// service manager) stays ignored. SIGXFSZ is ignored, so that a write past the file size limit fails with
// "File too large".
void InstallSignalCleanup();

// The ending signal that was taken while a document replaced its target, and held back until
// that replacement was done; 0 when none was. From the moment a signal is taken, no temporary
// file is created and no replacement starts (see CleanupSlot), so the run only tells what it
// owes and ends (EndBySignal).
int EndingSignal();
// Ends the program by `signal`, as if it had not been held back.
[[noreturn]] void EndBySignal(int signal);
// While set, a signal first ends the line on standard error (a progress line being drawn).
void SetLineEndOnSignal(bool pending);
// Held while a progress line is written, so that the line a signal ends is a whole one.
class LineWrite {
public:
    LineWrite();
    ~LineWrite();
    LineWrite(const LineWrite&) = delete;
    LineWrite& operator=(const LineWrite&) = delete;
};

// The run is ending by a signal: what was being converted is given up, without a message.
class EInterrupted : public korvane::Exception {
public:
    EInterrupted() : Exception("interrupted") {}
};

// A conversion's place in the clean-up: the temporary file to remove if a signal ends the
// program, and the steps a signal waits for (creating and registering that file, a document
// replacing its target). The slots are a fixed array written and read with atomic operations
// only; a conversion that finds none free works without one.
class CleanupSlot {
public:
    CleanupSlot();
    ~CleanupSlot();
    CleanupSlot(const CleanupSlot&) = delete;
    CleanupSlot& operator=(const CleanupSlot&) = delete;

    // Creating a file and registering it (EndCreating) are one step for the clean-up. False,
    // with nothing begun, when a signal is ending the run.
    bool BeginCreating();
    // Ends the step; `path` (empty: none) is the file to remove from now on.
    void EndCreating(const std::string& path);
    // The registered file is gone or is to be kept.
    void Unregister();
    // A finished document takes its target's place: a signal taken meanwhile waits for
    // EndReplacing and is then held back (EndingSignal). False when a signal is ending the run.
    bool BeginReplacing();
    // `path` (empty: none) is the file to remove from now on.
    void EndReplacing(const std::string& path);

private:
    void Leave(const std::string& path);
    int FIndex = -1;
};

}  // namespace korvane::platform
