// How a run ends by a signal (or, on Windows, a console event), between the clean-up's table
// and each system's way of taking the signal.
#pragma once

namespace korvane::platform {

// After `signal` was taken: waits for every conversion that is creating or replacing a file.
// When a replacement was in progress the signal is held back and this returns; otherwise every
// registered file is removed and the program ends by the signal.
void EndRun(int signal);
// Removes a file at once (the program is ending).
void RemoveNow(const char* path) noexcept;
// Ends the line on standard error that a progress line left open.
void EndErrorLine() noexcept;

}  // namespace korvane::platform
