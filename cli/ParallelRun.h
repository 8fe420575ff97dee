// Tables converted at the same time, in worker processes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/RunPlan.h"
#include "cli/TableRun.h"

namespace korvane::cli {

// Converts the tables that `refusals` leaves, up to `a.jobs` at a time; tells what each had to
// say whole and in the tables' order; returns the exit status a serial run would give.
int ConvertInParallel(const Arguments& a, const std::vector<Job>& jobs, const std::vector<std::string>& refusals,
                      std::ostream& err, bool progress, Totals& totals);

}  // namespace korvane::cli
