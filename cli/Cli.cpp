#include "cli/Cli.h"

#include <csignal>

#include "cli/Arguments.h"
#include "cli/Messages.h"
#include "cli/ParallelRun.h"
#include "cli/RunPlan.h"
#include "cli/TableRun.h"
#include "conversion/ConversionTexts.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane::cli {

void EndBySignalHeldBack(int status) {
    const int signal = platform::DeferredSignal();
    if (signal == 0 || status != 128 + signal) return;
    ::signal(signal, SIG_DFL);
    ::raise(signal);
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

    int status = 0;
    Totals totals;
    TableOwner owner;
    // Targets written in this run, by device and inode, with the table each came from.
    struct Written {
        std::uint64_t device;
        std::uint64_t inode;
        std::string table;
    };
    std::vector<Written> written;
    const Plan plan = PlanRun(a, jobs);
    const std::vector<std::string>& refusals = plan.refusals;
    a.options.sweepTemporaries = false;  // done by the plan, once per folder
    // Several tables at the same time where more than one is to be converted.
    const bool parallel = a.jobs > 1 && plan.claimed.size() > 1 && !a.options.standardOutput;
    if (parallel) status = ConvertInParallel(a, jobs, refusals, err, drawProgress, totals);
    int interrupted = 0;
    for (std::size_t t = 0; t < jobs.size() && !parallel; ++t) {
        const std::string& table = jobs[t].shown;
        ++totals.tables;
        const std::string& full = jobs[t].full;
        const std::string xml = a.haveTarget ? a.target : jobs[t].target;
        if (!refusals[t].empty()) {
            err << refusals[t];
            status = 1;
            continue;
        }
        std::uint64_t device = 0, inode = 0;
        const bool targetExists = !a.options.standardOutput && platform::PathIdentity(xml, device, inode);
        const auto earlier = std::find_if(written.begin(), written.end(), [&](const Written& w) {
            return targetExists && w.device == device && w.inode == inode;
        });
        if (earlier != written.end()) {
            err << "dbf2xml: " << Shown(full) << ": not converted: " << Shown(xml) << " was written from " << earlier->table
                << " in this run\n";
            status = 1;
            continue;
        }
        const bool converted = ConvertOne(a, table, full, xml, owner, err, drawProgress, totals);
        if (converted && !a.options.standardOutput && platform::PathIdentity(xml, device, inode))
            written.push_back({device, inode, Shown(full)});
        if (!converted) status = 1;
        // A signal held back while a document replaced its target: that table is converted,
        // no other starts, and the status tells of the signal when tables were left.
        if (const int signal = platform::DeferredSignal(); signal != 0) {
            if (t + 1 < jobs.size()) interrupted = signal;
            break;
        }
    }
    if (!a.quiet && totals.tables > 1)
        err << "dbf2xml: " << Plural(totals.tables, "table", "tables") << ": " << totals.converted << " converted, "
            << totals.tables - totals.converted << " failed; " << Plural(totals.rows, "row", "rows") << ", " << totals.deleted
            << " deleted skipped, " << Seconds(totals.seconds) << ", " << Rate(totals.bytes, totals.seconds) << "\n";
    return interrupted != 0 ? 128 + interrupted : status;
}

}  // namespace korvane::cli
