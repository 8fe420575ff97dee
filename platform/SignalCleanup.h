// A file that an interrupted program removes before it ends: a half-written document must not
// survive Ctrl-C, a terminal that closes or a kill.
#pragma once

#include <signal.h>

#include <string>

namespace korvane::platform {

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the registered file and then
// end the program by the same signal, so the shell sees 130, 143 or 129.
void InstallSignalCleanup();
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

}  // namespace korvane::platform
