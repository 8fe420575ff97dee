// The run's plan, decided before any table converts: the tables (folders expanded), each
// one's target, and what keeps a table from being converted.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "platform/ByteFile.h"

namespace korvane::cli {

// One table of the run: its path as messages name it, absolute, and its document's path.
struct Job {
    std::string shown;
    std::string full;
    std::string target;
};

// The tables of the arguments, each once, with their documents' paths: beside the table, or
// under `outputDir` (a table given directly by its name, one found in a folder at the same
// relative path as under that folder). Links to nothing and tables reached again are told.
std::vector<Job> ExpandTables(const std::vector<std::string>& paths, bool recursive, const std::string& outputDir, bool quiet,
                              std::ostream& err);

// What keeps each table from being converted (its message, or empty), and the tables whose
// targets are theirs.
struct Plan {
    std::vector<std::string> refusals;
    std::vector<std::size_t> claimed;
};
// Decides it for every table of the run: no target may be a file a table of the run is read
// from or have a table file's name, two tables may not share one, output folders are made.
// Then the temporary files that runs killed outright left beside the targets are removed.
// Every table, companion and target is looked at once through `files`.
Plan PlanRun(const Arguments& a, const std::vector<Job>& jobs, platform::IFileSystem& files = platform::SystemFiles());

}  // namespace korvane::cli
