// dbf2xml run as a process of its own, with its standard output and error read through pipes.
#pragma once

#include <string>
#include <vector>

namespace korvane::test {

struct ProgramResult {
    int status = -1;  // the exit status; 128 + the signal when a signal ended it
    std::string out;
    std::string err;
};

// The program's path.
std::string ProgramPath();
ProgramResult RunProgram(const std::vector<std::string>& args);

}  // namespace korvane::test
