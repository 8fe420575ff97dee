// The program's standard streams and arguments as the system hands them over.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace korvane::platform {

struct StandardStreams {
    bool outputOpen = true;              // standard output was open at start
    bool errorIsTerminal = false;        // standard error is a terminal (a console)
    bool outputOnErrorTerminal = false;  // standard output is the terminal standard error is
};

// Gives a standard stream the caller's shell closed the null device, so that no table or
// document opened later takes its place, and tells what the streams are. False when that fails.
bool PrepareStandardStreams(StandardStreams& streams);

// The program's arguments after its name, in UTF-8 (on Windows read from the system in UTF-16,
// so that any name works whatever the console's code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The streams messages go to: UTF-8 text, which a console shows as it is meant (on Windows it
// is written to a console in UTF-16; to a file or a pipe as UTF-8 bytes).
std::ostream& MessageOutput();
std::ostream& MessageError();

}  // namespace korvane::platform
