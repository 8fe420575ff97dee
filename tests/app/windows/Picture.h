// Pictures of what is on the screen, as PNG files, for people to look at.
#pragma once

#include <windows.h>

#include <string>

namespace korvane::test {

// Saves the screen's pixels under `window` (the X display's, under Wine) to `path`.
bool SaveWindowPicture(HWND window, const std::string& path);

}  // namespace korvane::test
