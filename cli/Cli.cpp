#include "cli/Cli.h"

#include "cli/Arguments.h"
#include "cli/Messages.h"
#include "cli/RunPlan.h"
#include "cli/Runner.h"
#include "cli/TableRun.h"
#include "conversion/ConversionTexts.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane::cli {

void EndBySignalHeldBack(int status) {
    const int signal = platform::EndingSignal();
    if (signal != 0 && status == 128 + signal) platform::EndBySignal(signal);
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
           const Environment& environment) {
    Arguments a;
    if (const int status = ParseArguments(args, out, err, a); status >= 0) return status;
    // Folders stand for the tables in them; every table of the run is known before the first
    // converts.
    const std::vector<Job> jobs = ExpandTables(a.tables, a.recursive, a.outputDir, a.quiet, err);
    if (a.haveTarget && (jobs.size() != 1 || platform::StatPath(a.tables[0]).folder))
        return Usage(err, "-o takes exactly one table");
    a.options.settings = environment.settings;
    a.options.targetSeam = environment.targetSeam;
    a.options.standardOutput = a.haveTarget && a.target == "-";
    a.options.codePage = a.codePage;
    a.options.typed = a.typed;
    if (a.options.standardOutput && !environment.outputOpen) {
        err << "dbf2xml: " << texts::kStandardOutputClosed << "\n";
        return 1;
    }
    // No progress line where it would land in the document on the same terminal.
    const bool drawProgress = progress && !a.quiet && !(a.options.standardOutput && environment.outputOnErrorTerminal);

    // Every folder listed once for the whole run, however many tables look in it.
    platform::ListedOnce files;
    a.options.files = &files;
    const Plan plan = PlanRun(a, jobs, files);
    a.options.sweepTemporaries = false;  // done by the plan, once per folder
    Totals totals;
    const int status = RunTables(a, jobs, plan, err, drawProgress, totals);
    if (!a.quiet && totals.tables > 1)
        err << "dbf2xml: " << Plural(totals.tables, "table", "tables") << ": " << totals.converted << " converted, "
            << totals.tables - totals.converted << " failed; " << Plural(totals.rows, "row", "rows") << ", " << totals.deleted
            << " deleted skipped, " << Seconds(totals.seconds) << ", " << Rate(totals.bytes, totals.seconds) << "\n";
    return status;
}

}  // namespace korvane::cli
