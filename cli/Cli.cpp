#include "cli/Cli.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "conversion/ConversionRun.h"
#include "conversion/ConversionTexts.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane::cli {

namespace {

// The command line's view of the run: progress on standard error, messages collected.
class CliView : public IConversionView {
public:
    CliView(std::ostream& err, bool progress) : FErr(err), FProgress(progress) {}

    void SetVisible(Control, bool) override {}
    void SetText(Control, const std::string&) override {}
    void SetGaugeRange(int minValue, int maxValue) override {
        FMin = minValue;
        FMax = maxValue;
        FStart = std::chrono::steady_clock::now();
        FLastPercent = -1;
    }
    void SetGaugeProgress(int progress) override {
        FProgressValue = progress;
        if (!FProgress) return;
        const int percent = Percent();
        const auto now = std::chrono::steady_clock::now();
        if (percent == FLastPercent && now - FLastDraw < std::chrono::milliseconds(200)) return;
        FLastPercent = percent;
        FLastDraw = now;
        Draw(now);
    }
    void ShowMessage(const std::string& text) override { FMessage = text; }

    void Finish() {
        if (FProgress && FLastPercent >= 0) {
            Draw(std::chrono::steady_clock::now());
            FErr << '\n';
        }
    }
    const std::string& Message() const { return FMessage; }

private:
    int Percent() const {
        if (FMax <= FMin) return 0;
        const long long clamped = std::min<long long>(std::max(FProgressValue, FMin), FMax);
        return static_cast<int>(100 * (clamped - FMin) / (FMax - FMin));
    }
    void Draw(std::chrono::steady_clock::time_point now) {
        constexpr int kWidth = 30;
        const int percent = Percent();
        const double seconds = std::chrono::duration<double>(now - FStart).count();
        const double rate = seconds > 0 ? FProgressValue / seconds : 0;
        std::string bar(static_cast<std::size_t>(kWidth * percent / 100), '#');
        bar.resize(kWidth, '.');
        char line[160];
        std::snprintf(line, sizeof line, "\r[%s] %3d%%  %d records  %.0f records/s", bar.c_str(), percent, FProgressValue, rate);
        FErr << line << std::flush;
    }

    std::ostream& FErr;
    bool FProgress;
    int FMin = 0;
    int FMax = 100;
    int FProgressValue = 0;
    int FLastPercent = -1;
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point FLastDraw;
    std::string FMessage;
};

}  // namespace

std::string UsageText() {
    return "Usage: dbf2xml [--read-only | --fix-header | --exclusive] [-q] [-o OUT | -o -] TABLE...\n"
           "Converts dBase and FoxPro tables (.dbf with .dbt or .fpt memos) to XML.\n"
           "\n"
           "  -o OUT        write the document of the single TABLE to OUT ('-': standard output);\n"
           "                without it each TABLE goes to its own name with the extension .xml\n"
           "  --read-only   only read the tables (the default: a table is never written)\n"
           "  --fix-header  open each table as the window does: for reading and writing, and a\n"
           "                header that disagrees with the file is corrected on disk\n"
           "  --exclusive   lock each table against other programs while it is converted, and\n"
           "                correct its header as --fix-header does\n"
           "  -q            no progress display\n"
           "  --help        show this text\n"
           "  --version     show the version\n"
           "\n"
           "A document reaches its target only when it is finished: a run that fails or is\n"
           "interrupted leaves an earlier file of that name as it was.\n"
           "\n"
           "Exit status: 0 when every table was converted, 1 when any failed, 2 for bad arguments.\n";
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress, bool standardOutputOpen) {
    // Without options the table is only read; --fix-header is the window's mode.
    ConversionOptions options;
    options.readOnly = true;
    options.readAhead = true;
    int modes = 0;
    bool quiet = false;
    bool haveTarget = false;
    std::string target;
    std::vector<std::string> tables;
    auto usage = [&](const std::string& problem) {
        err << "dbf2xml: " << problem << "\n" << UsageText();
        return 2;
    };
    bool onlyTables = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyTables || a.empty() || a[0] != '-' || a == "-") {
            tables.push_back(a);
        } else if (a == "--") {
            onlyTables = true;
        } else if (a == "--help" || a == "-h") {
            out << UsageText();
            return 0;
        } else if (a == "--version") {
            out << kVersionText << "\n";
            return 0;
        } else if (a == "--read-only") {
            ++modes;
        } else if (a == "--fix-header") {
            ++modes;
            options = ConversionOptions{};
        } else if (a == "--exclusive") {
            ++modes;
            options = ConversionOptions{};
            options.exclusive = true;
        } else if (a == "-q" || a == "--quiet") {
            quiet = true;
        } else if (a == "-o") {
            if (i + 1 >= args.size()) return usage("-o needs a file name");
            target = args[++i];
            haveTarget = true;
        } else {
            return usage("unknown option " + a);
        }
    }
    if (tables.empty()) return usage("no table given");
    if (modes > 1) return usage("--read-only, --fix-header and --exclusive exclude each other");
    if (haveTarget && tables.size() != 1) return usage("-o takes exactly one table");
    if (haveTarget && target.empty()) return usage("-o needs a file name");
    options.standardOutput = haveTarget && target == "-";
    if (options.standardOutput && !standardOutputOpen) {
        err << "dbf2xml: " << texts::kStandardOutputClosed << "\n";
        return 1;
    }

    int status = 0;
    TableOwner owner;
    // Targets written in this run, by device and inode, with the table each came from.
    struct Written {
        std::uint64_t device;
        std::uint64_t inode;
        std::string table;
    };
    std::vector<Written> written;
    for (const std::string& table : tables) {
        const std::string full = platform::ExpandFileName(table);
        const std::string xml = haveTarget ? target : platform::ChangeFileExt(full, ".xml");
        if (!options.standardOutput) {
            std::uint64_t device = 0, inode = 0;
            if (platform::PathIdentity(xml, device, inode)) {
                const auto earlier = std::find_if(written.begin(), written.end(),
                                                  [&](const Written& w) { return w.device == device && w.inode == inode; });
                if (earlier != written.end()) {
                    err << "dbf2xml: " << table << ": not converted: " << xml << " was written from " << earlier->table << " in this run\n";
                    status = 1;
                    continue;
                }
            }
        }
        CliView view(err, progress && !quiet);
        try {
            ConversionReport report;
            const bool converted = RunConversion(view, owner, full, xml, options, &report);
            view.Finish();
            if (!converted) {
                err << "dbf2xml: " << table << ": " << view.Message() << "\n";
                status = 1;
            } else {
                std::uint64_t device = 0, inode = 0;
                if (!options.standardOutput && platform::PathIdentity(xml, device, inode)) written.push_back({device, inode, table});
                if (report.tableShrank)
                    err << "dbf2xml: " << table << ": warning: the table became shorter during the conversion; "
                        << report.rows << " rows were written\n";
            }
        } catch (const Exception& e) {
            view.Finish();
            err << "dbf2xml: " << table << ": " << e.Message() << "\n";
            status = 1;
        } catch (const std::bad_alloc&) {
            view.Finish();
            err << "dbf2xml: " << table << ": Out of memory\n";
            status = 1;
        }
    }
    return status;
}

}  // namespace korvane::cli
