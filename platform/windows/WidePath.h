// The door between the program's UTF-8 paths and text and the Windows wide-character API.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/OsError.h"

namespace korvane::platform {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// A path as the system's wide-character calls take it: UTF-16, and absolute in the "\\?\" form
// (with '\' for '/' and "." and ".." folded, as the system would) where it is too long for the
// classic limit, so that long paths work without the system's opt-in.
std::wstring WidePath(const std::string& path);
// The path made absolute by the system (GetFullPathNameW), in the long form where needed.
std::wstring AbsoluteWidePath(const std::string& path);
// The errno that stands for a Windows error code.
int ErrnoFromSystemError(DWORD error);
// The calling thread's last error as an OsError.
OsError LastOsError(const std::string& path = {});

}  // namespace korvane::platform
