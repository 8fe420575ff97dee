// The command-line companion: dbf2xml [--read-only | --fix-header | --exclusive] [-q] [-o OUT | -o -] TABLE...
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

inline constexpr const char* kVersionText = "Korvane ver. 1.0.3";

// Runs the command with its arguments (without the program name); returns the exit status.
// `progress` shows a progress bar on `err`, as when standard error is a terminal.
// `standardOutputOpen` false: the program found its standard output closed.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress, bool standardOutputOpen = true);

std::string UsageText();

}  // namespace korvane::cli
