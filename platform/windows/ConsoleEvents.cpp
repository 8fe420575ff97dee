// The ending events on Windows: Ctrl-C and Ctrl-Break end a run as SIGINT does on Linux (status
// 130), a console that closes (or a logoff or shutdown) as SIGHUP does (129). The system calls
// the handler on a thread of its own, which does what the signal thread does on Linux.
#include "platform/windows/ConsoleEvents.h"

#include <chrono>
#include <thread>

#include "platform/EndingRun.h"
#include "platform/SignalCleanup.h"
#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {

constexpr int kInterrupt = 2;  // SIGINT
constexpr int kHangUp = 1;     // SIGHUP

}  // namespace

BOOL WINAPI TakeConsoleEvent(DWORD event) {
    const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    EndRun(closing ? kHangUp : kInterrupt);
    // Held back while a document replaced its target: the run finishes that table and ends by
    // the event. A closing console ends the process when the handler returns, so it waits.
    if (closing)
        for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return TRUE;
}

void RemoveNow(const char* path) noexcept {
    ::DeleteFileW(WidePath(path).c_str());
}

void EndErrorLine() noexcept {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD done = 0;
    if (DWORD mode = 0; ::GetConsoleMode(error, &mode))
        ::WriteConsoleW(error, L"\n", 1, &done, nullptr);
    else
        ::WriteFile(error, "\n", 1, &done, nullptr);
}

void InstallSignalCleanup() {
    ::SetConsoleCtrlHandler(TakeConsoleEvent, TRUE);
}

void EndBySignal(int signal) {
    ::ExitProcess(static_cast<UINT>(128 + signal));
}

}  // namespace korvane::platform
