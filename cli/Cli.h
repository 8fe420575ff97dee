// The command-line companion:
//   dbf2xml [--read-only | --fix-header | --exclusive] [--code-page WHICH] [--typed] [--strict]
//           [-q] [-r] [-j N] [-o OUT | -o - | --output-dir DIR] [--] TABLE|FOLDER...
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Messages.h"
#include "conversion/TargetSeam.h"
#include "platform/Settings.h"
#include "platform/Version.h"

namespace korvane::cli {

inline constexpr const char* kVersionText = "dbf2xml (Korvane) " KORVANE_VERSION;

// What the program found when it started: the system's settings and its standard streams.
struct Environment {
    platform::PlatformSettings settings;  // read from the locale
    bool outputOpen = true;               // standard output was open
    bool outputOnErrorTerminal = false;   // standard output is the terminal standard error is
    TargetSeam targetSeam;                // what tests watch and change of replacements
};

// Runs the command with its arguments (without the program name); returns the exit status.
// `progress`: standard error is a terminal, so a progress line may be drawn on `err`.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
           const Environment& environment = {});

// The text of --help.
std::string UsageText();

// Ends the program by the signal that was held back while a document replaced its target,
// when RunCli's `status` says tables were left unconverted because of it; else returns.
void EndBySignalHeldBack(int status);

}  // namespace korvane::cli
