// The command line's arguments: what they ask for, and the usage text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "conversion/ConversionRun.h"
#include "conversion/TextCodePage.h"

namespace korvane::cli {

struct Arguments {
    ConversionOptions options;
    CodePageRequest codePage;
    bool typed = false;
    bool writesTable = false;  // --fix-header or --exclusive
    bool quiet = false;
    bool strict = false;
    bool haveTarget = false;
    bool recursive = false;
    std::string outputDir;  // empty: each document beside its table
    int jobs = 1;           // tables converted at the same time
    std::string target;
    std::vector<std::string> tables;
};

// Tells a usage problem on one line with the hint to --help; the exit status 2.
int Usage(std::ostream& err, const std::string& problem);
// Reads the arguments into `a`; -1 when the run goes on, else the exit status (--help and
// --version answered on `out`, a usage problem told on `err`).
int ParseArguments(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Arguments& a);

}  // namespace korvane::cli
