// One table's conversion on the command line: the run, --strict, and what is told of it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "cli/Arguments.h"

namespace korvane::cli {

// What became of one table: the same for a run one table after another and for tables
// converted at the same time.
struct TableResult {
    bool converted = false;
    bool interrupted = false;  // a signal ended the run before the table was done: nothing to tell
    long long rows = 0;
    long long deleted = 0;
    double seconds = 0;
    std::uint64_t bytes = 0;  // the table file's size
};

// Totals over the tables of one invocation, for the last summary line.
struct Totals {
    int tables = 0;
    int converted = 0;
    long long rows = 0;
    long long deleted = 0;
    double seconds = 0;
    std::uint64_t bytes = 0;
    // Counts a table that was told of (a refused one with an empty result).
    void Add(const TableResult& r);
};

// Converts one table and tells `err` what the user needs to know about it, with a progress
// line when `progress` is set. `table` is the path as given, `full` its absolute path, `xml`
// its target.
TableResult ConvertOne(const Arguments& a, const std::string& table, const std::string& full, const std::string& xml,
                       TableOwner& owner, std::ostream& err, bool progress);

}  // namespace korvane::cli
