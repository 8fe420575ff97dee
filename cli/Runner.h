// The run's tables converted one after another, or up to N at the same time on threads of
// this process, and what each had to say told whole and in the tables' order.
#pragma once

#include <ostream>
#include <vector>

#include "cli/RunPlan.h"
#include "cli/TableRun.h"

namespace korvane::cli {

// Converts the tables the plan leaves, up to `a.jobs` at a time; tells the plan's refusals in
// their places; adds every table told of to `totals`. With one at a time (or one table), each
// table's messages and progress line are told as they come; at the same time, each table's
// messages are told whole once it is done, and one line shows the run's progress. Returns the
// exit status: 1 when a table failed, 128 + the signal when a signal held back during a
// replacement left tables unconverted.
int RunTables(const Arguments& a, const std::vector<Job>& jobs, const Plan& plan, std::ostream& err, bool progress,
              Totals& totals);

}  // namespace korvane::cli
