// One table's conversion on the command line: the run, --strict, and what is told of it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "cli/Arguments.h"

namespace korvane::cli {

// Totals over the tables of one invocation, for the last summary line.
struct Totals {
    int tables = 0;
    int converted = 0;
    long long rows = 0;
    long long deleted = 0;
    double seconds = 0;
    std::uint64_t bytes = 0;
};

// Converts one table and prints what the user needs to know about it; true when converted.
// `table` is the path as given, `full` its absolute path, `xml` its target.
bool ConvertOne(const Arguments& a, const std::string& table, const std::string& full, const std::string& xml, TableOwner& owner,
                std::ostream& err, bool progress, Totals& totals);

}  // namespace korvane::cli
