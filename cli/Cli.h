// The command-line companion: dbf2xml [--read-only|--exclusive] [-q] [-o OUT | -o -] TABLE...
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

inline constexpr const char* kVersionText = "Korvane ver. 1.0.3";

// Runs the command with its arguments (without the program name); returns the exit status.
// `progress` shows a progress bar on `err`, as when standard error is a terminal.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress);

std::string UsageText();

}  // namespace korvane::cli
