// The console's control handler: Ctrl-C, Ctrl-Break and a closing console end a run as the
// Linux signals do.
#pragma once

#include <windows.h>

namespace korvane::platform {

// What the system calls on an event (SetConsoleCtrlHandler); the tests call it themselves.
BOOL WINAPI TakeConsoleEvent(DWORD event);

}  // namespace korvane::platform
