#include "cli/Cli.h"

#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>

#include "conversion/ConversionRun.h"
#include "conversion/ConversionTexts.h"
#include "conversion/TargetFile.h"
#include "conversion/TextFile.h"
#include "dbf/DbfFile.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"
#include "platform/TextDecoder.h"

namespace korvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kNeverWritesHint = " (the default mode never writes the table)";
constexpr const char* kStandardOutputName = "standard output";

// A failure that --strict makes of a warning.
class EStrict : public Exception {
    using Exception::Exception;
};

std::string Plural(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

// A path as messages show it: resolved by the system where it exists, escaped.
std::string Shown(const std::string& path) {
    return EscapeControls(platform::ResolvedPath(path));
}

// The command line's view of the run: one progress line per table on standard error.
class CliView : public IConversionView {
public:
    CliView(std::ostream& err, bool progress, std::string label) : FErr(err), FProgress(progress), FLabel(std::move(label)) {}
    ~CliView() override { EndLine(); }

    void SetVisible(Control, bool) override {}
    void SetText(Control, const std::string&) override {}
    void SetGaugeRange(int, int maxValue) override {
        FTotal = maxValue;
        FStart = Clock::now();
    }
    void SetRecordNumber(int recordNumber) override { FVisited = recordNumber; }
    void SetGaugeProgress(int rows) override {
        FRows = rows;
        // The clock is asked every 64 rows; the line is drawn at most ten times a second.
        if (!FProgress || (FCalls++ & 63) != 0) return;
        const Clock::time_point now = Clock::now();
        if (FDrawn && now - FLastDraw < std::chrono::milliseconds(100)) return;
        FLastDraw = now;
        Draw(now);
    }
    void ShowMessage(const std::string& text) override { FMessage = text; }

    // The walk reached the end of the table: the line shows it whole.
    void Finish() {
        FFinished = true;
        if (FDrawn) {
            FVisited = std::max(FVisited, FTotal);
            Draw(Clock::now());
        }
        EndLine();
    }
    void EndLine() {
        if (!FDrawn) return;
        FErr << '\n' << std::flush;
        FDrawn = false;
        platform::SetLineEndOnSignal(false);
    }
    const std::string& Message() const { return FMessage; }

private:
    void Draw(Clock::time_point now) {
        // Before the walk has a range it has done nothing; a table without records is done
        // when it finishes.
        const int percent = FTotal > 0 ? static_cast<int>(100LL * std::clamp(FVisited, 0, FTotal) / FTotal) : FFinished ? 100 : 0;
        const double elapsed = std::chrono::duration<double>(now - FStart).count();
        std::string line = "dbf2xml: " + FLabel + "  " + std::to_string(percent) + " %  " + Plural(FRows, "row", "rows") + "  " +
                           Seconds(elapsed);
        if (percent > 0 && percent < 100) line += ", about " + Seconds(elapsed * (100 - percent) / percent) + " left";
        if (line == FLine) return;
        // Blanks cover what a longer line before left.
        std::string shown = line;
        if (shown.size() < FLine.size()) shown.append(FLine.size() - shown.size(), ' ');
        FLine = line;
        // Told first, so that a signal in the middle of drawing still ends the line.
        platform::SetLineEndOnSignal(true);
        FErr << '\r' << shown << std::flush;
        FDrawn = true;
    }

    std::ostream& FErr;
    bool FProgress;
    std::string FLabel;
    int FTotal = 0;
    int FVisited = 0;
    int FRows = 0;
    unsigned FCalls = 0;
    bool FDrawn = false;
    bool FFinished = false;
    std::string FLine;
    Clock::time_point FStart = Clock::now();
    Clock::time_point FLastDraw;
    std::string FMessage;
};

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

// Totals over the tables of one invocation, for the last summary line.
struct Totals {
    int tables = 0;
    int converted = 0;
    long long rows = 0;
    long long deleted = 0;
    double seconds = 0;
    std::uint64_t bytes = 0;
};

std::string Rate(std::uint64_t bytes, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB/s", static_cast<double>(bytes) / 1e6 / std::max(seconds, 1e-6));
    return text;
}

bool IsOpenFailureWithPath(const std::string& message) {
    const std::string reader = message.substr(std::min(message.size(), std::string(texts::kOpenDbfPrefix).size()));
    return reader.starts_with("Open: file not found: \"") || reader.starts_with("Cannot open file \"");
}

// Why the reader gave up on a table without a message of its own: its header leaves no room
// for a record.
std::string AbortReason(const std::string& path) {
    platform::File file;
    platform::OsError error;
    std::uint8_t header[12] = {};
    if (!file.Open(path, platform::FileAccess::ReadOnly, error)) return {};
    const platform::IoResult r = file.ReadAt(header, sizeof header, 0);
    if (r.error != 0) return {};
    if (r.count < static_cast<std::int64_t>(sizeof header)) return " (the file is too short to be a table)";
    if ((header[8] | header[9]) == 0) return " (the header gives a header length of 0)";
    if ((header[10] | header[11]) == 0) return " (the header gives a record length of 0)";
    return {};
}

// A table that can be opened for reading but not for writing (a read-only file or medium,
// no permission, a program that runs from it).
bool MayNotBeWritten(const std::string& path) {
    if (!platform::StatPath(path).regular) return false;
    platform::File file;
    platform::OsError error;
    return file.Open(path, platform::FileAccess::ReadOnly, error) && !file.Open(path, platform::FileAccess::ReadWrite, error);
}

// A code page's number, with its common name where there is one.
std::string CodePageName(std::uint32_t number) {
    static constexpr std::pair<std::uint32_t, const char*> kNames[] = {
        {437, "US DOS"},      {620, "Mazovia"},
        {737, "Greek DOS"},   {850, "Western European DOS"},
        {857, "Turkish DOS"}, {866, "Russian DOS"},
        {874, "Thai"},        {895, "Kamenický"},
        {932, "Japanese"},    {936, "Simplified Chinese"},
        {949, "Korean"},      {950, "Traditional Chinese"},
        {1251, "Cyrillic"},   {1252, "Western European"},
        {1253, "Greek"},      {1254, "Turkish"},
        {1255, "Hebrew"},     {1256, "Arabic"},
        {1257, "Baltic"},     {65001, "UTF-8"},
    };
    for (const auto& [n, name] : kNames)
        if (n == number) return std::to_string(number) + " (" + name + ")";
    return std::to_string(number);
}

// Fields that need more bytes than the header's record length, read at the fields' length.
std::string RecordLengthNote(const ConversionReport& r) {
    return "note: the header's record length is " + std::to_string(r.headerRecordLength) + " bytes, but the fields take " +
           std::to_string(r.fieldsRecordLength) + " and the file's size confirms them; records were read at " +
           std::to_string(r.fieldsRecordLength) + " bytes";
}

// The same where the file's size does not confirm the fields.
std::string RecordLengthWarning(const ConversionReport& r) {
    return "the fields take " + std::to_string(r.fieldsRecordLength) + " bytes, more than the header's record length of " +
           std::to_string(r.headerRecordLength) + "; values past a record's end are cut";
}

// A .cpg file beside the table that names no code page, with the start of its first line.
std::string CodePageFileWarning(const ConversionReport& r) {
    // Its controls are escaped with the rest of the message.
    const std::string& line = r.passedOverCodePageText;
    return "names no code page; the table's language driver is used (its first line: '" + line.substr(0, 40) +
           (line.size() > 40 ? "'...)" : "')");
}

// Values of one kind that were not what their field says, the first of them named.
std::string ValueWarning(ValueProblem problem, const ValueIssue& issue) {
    const bool one = issue.count == 1;
    std::string what, detail = issue.detail;
    switch (problem) {
        case ValueProblem::Unreadable:
            what = one ? "value could not be read and was left empty" : "values could not be read and were left empty";
            detail = issue.detail + " is not a valid timestamp";
            break;
        case ValueProblem::Date:
            what = one ? "date is not a valid date" : "dates are not valid dates";
            break;
        case ValueProblem::Number:
            what = one ? "number is not a valid number" : "numbers are not valid numbers";
            break;
        case ValueProblem::Logical:
            what = one ? "logical value is none of T, F, Y, N and ?" : "logical values are none of T, F, Y, N and ?";
            break;
        case ValueProblem::MemoCut:
            return std::to_string(issue.count) +
                   (one ? " memo value runs past the end of the memo file and was cut"
                        : " memo values run past the end of the memo file and were cut") +
                   " (first: record " + std::to_string(issue.record) + ", field " + issue.field + ", block " + issue.detail + ")";
    }
    return std::to_string(issue.count) + " " + what + " (first: record " + std::to_string(issue.record) + ", field " +
           issue.field + ": " + detail + ")";
}

// Converts one table and prints what the user needs to know about it; true when converted.
bool ConvertOne(const Arguments& a, const std::string& table, const std::string& full, const std::string& xml, TableOwner& owner,
                std::ostream& err, bool progress, Totals& totals) {
    const std::string shownTable = Shown(full);
    const std::string shownTarget = a.options.standardOutput ? kStandardOutputName : Shown(xml);
    auto say = [&](const std::string& path, const std::string& message) {
        err << "dbf2xml: " << (path.empty() ? "" : path + ": ") << EscapeControls(message) << "\n";
    };
    ConversionOptions options = a.options;
    // What is found at the open is told at once, what the walk found after the table; with
    // --strict a warning fails the table instead, before its document is ended.
    bool opened = false;
    options.check = [&](const ConversionReport& r) {
        if (!opened) {
            opened = true;
            if (r.memoMissing) {
                const std::string memo = platform::ExtractFileName(r.memoFileName);
                if (a.strict) throw EStrict("memo file " + memo + " not found; not converted (--strict)");
                say(shownTable, "warning: memo file " + memo + " not found; memo values are empty");
            }
            if (r.recordsAtOpen < r.headerRecords) {
                const std::string warning = "the header says " + Plural(r.headerRecords, "record", "records") +
                                            "; the file holds " + std::to_string(r.recordsAtOpen);
                if (a.strict) throw EStrict(warning + "; not converted (--strict)");
                say(shownTable, "warning: " + warning);
            }
            if (r.recordCountCorrected && !a.quiet)
                say(shownTable, "note: the header's record count was corrected from " + std::to_string(r.headerRecords) + " to " +
                                    std::to_string(r.recordsAtOpen));
            if (!r.passedOverCodePageFile.empty()) {
                if (a.strict)
                    throw EStrict(platform::ExtractFileName(r.passedOverCodePageFile) + " " + CodePageFileWarning(r) +
                                  "; not converted (--strict)");
                say(Shown(r.passedOverCodePageFile), CodePageFileWarning(r));
            }
            if (r.fieldsLengthUsed) {
                if (!a.quiet) say(shownTable, RecordLengthNote(r));
            } else if (r.fieldsRecordLength > r.headerRecordLength) {
                if (a.strict) throw EStrict(RecordLengthWarning(r) + "; not converted (--strict)");
                say(shownTable, "warning: " + RecordLengthWarning(r));
            }
            return;
        }
        if (!a.strict) return;
        if (r.tableShrank) throw EStrict("the table became shorter during the conversion; not converted (--strict)");
        for (std::size_t k = 0; k < kValueProblems; ++k)
            if (r.values[k].count > 0)
                throw EStrict(ValueWarning(static_cast<ValueProblem>(k), r.values[k]) + "; not converted (--strict)");
    };
    CliView view(err, progress, EscapeControls(table));
    ConversionReport report;
    const Clock::time_point start = Clock::now();
    try {
        if (!RunConversion(view, owner, full, xml, options, &report)) {
            view.EndLine();
            std::string message = view.Message();
            if (message == std::string(texts::kOpenDbfPrefix) + "Operation aborted") message += AbortReason(full);
            if (a.writesTable && MayNotBeWritten(full)) message += kNeverWritesHint;
            say(IsOpenFailureWithPath(message) ? "" : report.failedFile.empty() ? shownTable : Shown(report.failedFile), message);
            return false;
        }
    } catch (const EInOutError& e) {
        view.EndLine();
        // The target's own errors, which name it in front like every other message.
        say(shownTarget, e.ErrorCode == kIoInvalidFileName ? InOutErrorMessage(e.ErrorCode) : e.Message());
        return false;
    } catch (const Exception& e) {
        view.EndLine();
        std::string path = shownTable;
        if (e.Message() == texts::kStandardOutputClosed)
            path.clear();
        else if (e.Message() == texts::kTargetIsSource)
            path = shownTarget;
        else if (!report.failedFile.empty())
            path = Shown(report.failedFile);
        const std::string where = report.failedField.empty()
                                      ? ""
                                      : "record " + std::to_string(report.failedRecord) + ", field " + report.failedField + ": ";
        say(path, where + CurrentExceptionMessage());
        return false;
    } catch (...) {
        view.EndLine();
        say(shownTable, CurrentExceptionMessage());
        return false;
    }
    view.Finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (report.tableShrank)
        say(shownTable, "warning: the table became shorter during the conversion; " +
                            Plural(report.rows, "row was", "rows were") + " written");
    for (std::size_t k = 0; k < kValueProblems; ++k)
        if (report.values[k].count > 0) say(shownTable, ValueWarning(static_cast<ValueProblem>(k), report.values[k]));
    if (!a.quiet) {
        if (report.textInDeclaredCodePage)
            say(shownTable, "note: the table declares code page " + CodePageName(report.declaredCodePage) +
                                "; its text was read as Windows-1250 with the code page 852 repair; --code-page table reads it "
                                "in its own code page");
        if (report.textInUtf8)
            say(shownTable,
                "note: the table declares no code page and its text is UTF-8; it was read as Windows-1250 with the code page "
                "852 repair; --code-page 65001 reads it as UTF-8");
    }
    if (report.slotsBehindEnd > 0 && !a.quiet)
        say(shownTable, "note: " + Plural(report.slotsBehindEnd, "record slot", "record slots") +
                            " behind the table's end (after record " + std::to_string(report.tableEnd) + ") " +
                            (report.slotsBehindEnd == 1 ? "was" : "were") + " not read");
    std::uint64_t bytes = 0;
    if (const platform::PathStatus s = platform::StatPath(full); s.exists) bytes = s.size;
    const long long deleted = std::max(0, report.records - report.rows);
    ++totals.converted;
    totals.rows += report.rows;
    totals.deleted += deleted;
    totals.seconds += seconds;
    totals.bytes += bytes;
    if (!a.quiet)
        err << "dbf2xml: " << shownTable << " -> " << (a.options.standardOutput ? kStandardOutputName : Shown(xml)) << ": "
            << Plural(report.rows, "row", "rows") << ", " << deleted << " deleted skipped, " << Seconds(seconds) << ", "
            << Rate(bytes, seconds) << "\n";
    return true;
}

// One table of the run: its path as messages name it, absolute, and its document's path.
struct Job {
    std::string shown;
    std::string full;
    std::string target;
};

bool IsTableName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".dbf";
}

// The tables a folder holds (directly, or with `recursive` in its whole tree, links to folders
// not followed), as paths relative to it, in byte order; a subfolder that cannot be read is
// told and passed over.
void TablesIn(const std::string& folder, const std::string& relative, bool recursive, std::vector<std::string>& out,
              std::ostream& err) {
    std::vector<platform::FolderEntry> entries;
    if (const int e = platform::ListFolder(folder + relative, entries); e != 0) {
        err << "dbf2xml: " << Shown(folder + relative) << ": cannot be read: " << platform::SystemErrorText(e) << "\n";
        return;
    }
    for (const platform::FolderEntry& entry : entries) {
        if (entry.folder) {
            if (recursive) TablesIn(folder, relative + entry.name + "/", recursive, out, err);
        } else if (entry.regular && IsTableName(entry.name)) {
            out.push_back(relative + entry.name);
        } else if (IsTableName(entry.name) && !platform::StatPath(folder + relative + entry.name).exists) {
            err << "dbf2xml: " << Shown(folder + relative + entry.name) << ": warning: a link to nothing; not converted\n";
        }
    }
}

// The tables of the arguments, each once, with their documents' paths: beside the table, or
// under `outputDir` (a table given directly by its name, one found in a folder at the same
// relative path as under that folder).
std::vector<Job> ExpandTables(const std::vector<std::string>& paths, bool recursive, const std::string& outputDir, bool quiet,
                              std::ostream& err) {
    std::vector<Job> jobs;
    // The files already taken, by device and inode, with the path they were taken by.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> seen;
    const std::string out = outputDir.empty() ? "" : platform::IncludeTrailingPathDelimiter(platform::ExpandFileName(outputDir));
    auto add = [&](const std::string& shown, const std::string& full, const std::string& relative) {
        std::uint64_t device = 0, inode = 0;
        if (platform::PathIdentity(full, device, inode)) {
            const auto [first, fresh] = seen.emplace(std::make_pair(device, inode), full);
            if (!fresh) {
                // Reached again through a link or a second hard link: converted once.
                // Named as reached, links unresolved: resolved, both would be one path.
                if (!quiet && first->second != full)
                    err << "dbf2xml: " << EscapeControls(full) << ": note: not converted again; it is "
                        << EscapeControls(first->second) << ", converted in this run\n";
                return;
            }
        } else if (std::any_of(jobs.begin(), jobs.end(), [&](const Job& j) { return j.full == full; })) {
            return;
        }
        const std::string target =
            out.empty() ? platform::ChangeFileExt(full, ".xml") : platform::ChangeFileExt(out + relative, ".xml");
        jobs.push_back({shown, full, target});
    };
    for (const std::string& path : paths) {
        const std::string full = platform::ExpandFileName(path);
        if (!platform::StatPath(full).folder) {
            add(path, full, platform::ExtractFileName(full));
            continue;
        }
        const std::string folder = platform::IncludeTrailingPathDelimiter(full);
        std::vector<std::string> found;
        TablesIn(folder, "", recursive, found, err);
        std::sort(found.begin(), found.end());
        if (found.empty()) err << "dbf2xml: " << Shown(full) << ": no tables\n";
        for (const std::string& relative : found)
            add(platform::IncludeTrailingPathDelimiter(path) + relative, folder + relative, relative);
    }
    return jobs;
}

// Whether two targets are one file: the same path, or the same existing file.
bool SameTarget(const std::string& a, const std::string& b) {
    if (platform::ExpandFileName(a) == platform::ExpandFileName(b)) return true;
    std::uint64_t da = 0, ia = 0, db = 0, ib = 0;
    return platform::PathIdentity(a, da, ia) && platform::PathIdentity(b, db, ib) && da == db && ia == ib;
}

// The processors this process may run on.
int UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::max(1, CPU_COUNT(&set));
}

// A file that a table of the run is read from: the table, or a memo or index file beside it.
struct InputFile {
    std::size_t owner;  // the table's place among the arguments
    bool table;
    std::string path;  // absolute
    bool exists;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

std::vector<InputFile> InputFiles(const std::vector<std::string>& tables) {
    std::vector<InputFile> inputs;
    auto add = [&](std::size_t owner, bool table, const std::string& path) {
        InputFile f{owner, table, path, false};
        f.exists = platform::PathIdentity(path, f.device, f.inode);
        inputs.push_back(std::move(f));
    };
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const std::string full = platform::ExpandFileName(tables[t]);
        add(t, true, full);
        // Every companion the table could have, whatever its level turns out to be.
        std::vector<std::string> extensions = {".dbt", ".fpt", ".mdx"};
        if (std::string own = dbf::OwnMemoExtension(full); !own.empty()) extensions.push_back(own);
        for (const std::string& ext : extensions) {
            const std::string companion = platform::FindCompanionFile(platform::ChangeFileExt(full, ext));
            if (platform::StatPath(companion).exists) add(t, false, companion);
        }
    }
    return inputs;
}

// The input file of another table than the one at `self` that `target` names, if any.
const InputFile* InputAt(const std::vector<InputFile>& inputs, const std::string& target, std::size_t self) {
    const std::string path = platform::ExpandFileName(target);
    std::uint64_t device = 0, inode = 0;
    const bool exists = platform::PathIdentity(path, device, inode);
    for (const InputFile& f : inputs) {
        if (f.owner == self) continue;
        if (f.path == path || (exists && f.exists && f.device == device && f.inode == inode)) return &f;
    }
    return nullptr;
}

// Converts the tables in worker processes, up to `a.jobs` at a time. Each worker converts one
// table exactly as a serial run does and hands back what it had to say and its figures; they
// are told in the tables' order, whole, whatever order the workers finish in. Processes rather
// than threads: the reader keeps process-wide state (its settings, the signal clean-up's one
// temporary file, the signal mask while a document replaces its target), which a worker of its
// own keeps to itself.
int ConvertInParallel(const Arguments& a, const std::vector<Job>& jobs, const std::vector<std::string>& refusals,
                      std::ostream& err, bool progress, Totals& totals) {
    struct Worker {
        pid_t pid = -1;
        int fd = -1;
        std::string said;  // its figures' line, then its messages
        bool done = false;
    };
    std::vector<Worker> workers(jobs.size());
    std::size_t next = 0, told = 0, running = 0;
    int status = 0, stopped = 0;
    bool drawn = false;  // a progress line stands on the terminal
    const auto started = Clock::now();
    auto start = [&](std::size_t t) {
        int pipe[2];
        if (::pipe(pipe) != 0) return false;
        // Signals wait until the worker is known to be passed them on; the worker takes them
        // as soon as it runs.
        sigset_t saved;
        ::sigprocmask(SIG_BLOCK, &platform::CleanupSignals(), &saved);
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::sigprocmask(SIG_SETMASK, &saved, nullptr);
            ::close(pipe[0]);
            ::close(pipe[1]);
            return false;
        }
        if (pid == 0) {
            ::close(pipe[0]);
            platform::ForgetSignalForwards();
            platform::EndWithParent(parent);
            ::sigprocmask(SIG_SETMASK, &saved, nullptr);
            std::ostringstream said;
            Totals figures;
            TableOwner owner;
            const bool converted =
                ConvertOne(a, jobs[t].shown, jobs[t].full, a.haveTarget ? a.target : jobs[t].target, owner, said, false, figures);
            char line[160];
            std::snprintf(line, sizeof line, "%d %lld %lld %.6f %llu %d\n", converted ? 1 : 0, figures.rows, figures.deleted,
                          figures.seconds, static_cast<unsigned long long>(figures.bytes), platform::DeferredSignal());
            const std::string out = line + said.str();
            for (std::size_t done = 0; done < out.size();) {
                const ssize_t n = ::write(pipe[1], out.data() + done, out.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(pipe[1]);
        platform::ForwardSignalsTo(pid);
        ::sigprocmask(SIG_SETMASK, &saved, nullptr);
        workers[t].pid = pid;
        workers[t].fd = pipe[0];
        ++running;
        return true;
    };
    auto tell = [&] {
        for (; told < jobs.size() && (workers[told].done || !refusals[told].empty()); ++told) {
            if (drawn) {
                err << "\n";
                drawn = false;
            }
            ++totals.tables;
            if (!refusals[told].empty()) {
                err << refusals[told];
                status = 1;
                continue;
            }
            const std::string& said = workers[told].said;
            const std::size_t end = said.find('\n');
            int converted = 0, signal = 0;
            long long rows = 0, deleted = 0;
            double seconds = 0;
            unsigned long long bytes = 0;
            if (end == std::string::npos || std::sscanf(said.c_str(), "%d %lld %lld %lf %llu %d", &converted, &rows, &deleted,
                                                        &seconds, &bytes, &signal) != 6) {
                err << "dbf2xml: " << Shown(jobs[told].full) << ": the conversion ended without a word\n";
                status = 1;
                continue;
            }
            err << said.substr(end + 1);
            if (!converted) status = 1;
            if (signal != 0) stopped = signal;
            totals.converted += converted;
            totals.rows += rows;
            totals.deleted += deleted;
            totals.seconds += seconds;
            totals.bytes += bytes;
        }
        err.flush();
    };
    for (;;) {
        while (running < static_cast<std::size_t>(a.jobs) && next < jobs.size() && stopped == 0) {
            if (refusals[next].empty() && !start(next)) {
                workers[next].done = true;
                workers[next].said = "0 0 0 0 0 0\ndbf2xml: " + Shown(jobs[next].full) + ": no worker could be started\n";
            }
            ++next;
        }
        tell();
        if (running == 0) break;
        std::vector<pollfd> waiting;
        for (const Worker& w : workers)
            if (w.fd >= 0) waiting.push_back({w.fd, POLLIN, 0});
        if (::poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) break;
        for (const pollfd& p : waiting) {
            if (p.revents == 0) continue;
            Worker& w = *std::find_if(workers.begin(), workers.end(), [&](const Worker& x) { return x.fd == p.fd; });
            char buffer[4096];
            const ssize_t n = ::read(w.fd, buffer, sizeof buffer);
            if (n > 0) {
                w.said.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            ::close(w.fd);
            w.fd = -1;
            ::waitpid(w.pid, nullptr, 0);
            platform::StopForwardingTo(w.pid);
            w.done = true;
            --running;
        }
        if (progress) {
            // The whole run on one line: tables done of all, rows, time.
            err << "\rdbf2xml: " << told << " of " << jobs.size() << " tables  " << Plural(totals.rows, "row", "rows") << "  "
                << Seconds(std::chrono::duration<double>(Clock::now() - started).count()) << std::flush;
            drawn = true;
        }
    }
    if (drawn) err << "\n";
    // A signal held back while a document replaced its target stops the run; it tells when
    // tables were left unconverted.
    if (stopped != 0 && next < jobs.size()) return 128 + stopped;
    return status;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto hex = [&](unsigned value) {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", value);
        out += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7F)
            hex(c);
        // A C1 control in UTF-8 (C2 80 to C2 9F), or a lone byte of that range.
        else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            hex(static_cast<unsigned char>(text[++i]));
        else if (c >= 0x80 && c <= 0x9F && (i == 0 || static_cast<unsigned char>(text[i - 1]) < 0xC0))
            hex(c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

void EndBySignalHeldBack(int status) {
    const int signal = platform::DeferredSignal();
    if (signal == 0 || status != 128 + signal) return;
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::string UsageText() {
    return "Usage: dbf2xml [--read-only | --fix-header | --exclusive] [--code-page WHICH] [--typed] [--strict]\n"
           "               [-q] [-r] [-j N] [-o OUT | -o - | --output-dir DIR] [--] TABLE|FOLDER...\n"
           "Converts dBase and FoxPro tables (.dbf with .dbt or .fpt memos) to XML.\n"
           "\n"
           "  -o OUT        write the document of the single TABLE to OUT ('-': standard output);\n"
           "                without it each TABLE goes to its own name with the extension .xml\n"
           "  FOLDER        every table directly in it (.dbf in any letter case, links to tables\n"
           "                included), in the byte order of their paths; a link given as an\n"
           "                argument is followed\n"
           "  -r, --recursive  a FOLDER's whole tree (links to folders inside it are not followed)\n"
           "  --output-dir DIR  each document under DIR: a TABLE given directly as DIR/NAME.xml, a\n"
           "                table of a FOLDER at the same relative path under DIR (folders are\n"
           "                made as needed)\n"
           "  -j N, --jobs N  convert up to N tables at the same time (0: one per processor);\n"
           "                documents, messages and their order are those of -j 1\n"
           "  --read-only   only read the tables (the default: a table is never written)\n"
           "  --fix-header  open each table as the window does: for reading and writing, and a\n"
           "                header that disagrees with the file is corrected on disk\n"
           "  --exclusive   lock each table against other programs while it is converted, and\n"
           "                correct its header as --fix-header does\n"
           "  --code-page WHICH\n"
           "                read character values, memos and field names in a code page, without\n"
           "                the code page 852 repair: 'table' for the one the table declares (a .cpg\n"
           "                file beside it that names one, else its language driver, else\n"
           "                Windows-1250; a .cpg that names none is warned of), or a number such as\n"
           "                1251, 437, 936, 65001 (UTF-8), 895 (Kamenický) or 620 (Mazovia); for\n"
           "                tables that are not Czech, Czech tables stored in Windows-1250 or\n"
           "                Kamenický, and Polish tables in Mazovia; without it a note is given\n"
           "                when a table declares a code page other than 1250 and 852 and its text\n"
           "                has bytes above 0x7F, or declares none and its text is UTF-8\n"
           "  --typed       write a typed document: an inline XML Schema that validates it, and\n"
           "                values in XML Schema's forms (1234.5, 2024-02-29, true, base64) rather\n"
           "                than the regional ones; fields without a value are left out, binary\n"
           "                memos are base64, and each field's own name is kept in the schema\n"
           "  --strict      a warning fails the table: no document is written (a missing memo\n"
           "                file, fields that do not fit the record, a table that became shorter\n"
           "                during the conversion, time stamps that could not be read, dates,\n"
           "                numbers and logicals that are not what their field says, a .cpg that\n"
           "                names no code page, a table whose file holds fewer records than its\n"
           "                header says, memos that run past the end of the memo file)\n"
           "  -q, --quiet   no progress line, no summary and no notes (warnings and errors\n"
           "                still show)\n"
           "  -h, --help    show this text\n"
           "  --version     show the version\n"
           "  --            every argument after it is a table, also one that starts with '-'\n"
           "\n"
           "No target is touched before its document is finished and on the disk: a new file or\n"
           "a file with one name is replaced by rename, a file with several names or in a folder\n"
           "that takes no new file is overwritten in place from a finished copy (one run at a time,\n"
           "its room reserved first; the copy kept and named should the overwriting fail), devices,\n"
           "pipes and standard output are written as streams (a failed stream gets no closing\n"
           "tag). A run that fails or is interrupted leaves an earlier file of that name as it\n"
           "was. No target may be a file a table of the run is read from, nor have the name of a\n"
           "table's file (.dbf, .dbt, .fpt, .cpg, .mdx, .cdx and the like).\n"
           "\n"
           "Examples: dbf2xml --code-page table mesta.dbf   (a Cyrillic table with driver 0xC9)\n"
           "          dbf2xml -r -j 0 --output-dir out data  (data/2019/faktury.dbf to out/2019/faktury.xml)\n"
           "          dbf2xml --typed -o cenik.xml cenik.dbf (a document its own schema validates)\n"
           "\n"
           "Exit status: 0 when every table was converted, 1 when any table failed (each failure\n"
           "is told on standard error), 2 when the arguments were not understood.\n";
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress, const Streams& streams) {
    Arguments a;
    // Without options the table is only read; --fix-header is the window's mode.
    a.options.readOnly = true;
    a.options.readAhead = true;
    std::string mode;  // the mode option given, if any
    std::string codePageText;
    auto usage = [&](const std::string& problem) {
        err << "dbf2xml: " << problem << "\nTry 'dbf2xml --help' for more information.\n";
        return 2;
    };
    // An option given again must say the same.
    auto again = [&](const std::string& option, const std::string& before, const std::string& now) {
        return usage(option + " given twice, as '" + EscapeControls(before) + "' and as '" + EscapeControls(now) + "'");
    };
    bool onlyTables = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // An empty argument (an unset shell variable) never stands for the working folder.
        if (arg.empty()) return usage("'': no such table or folder");
        if (onlyTables || arg[0] != '-' || arg == "-") {
            a.tables.push_back(arg);
        } else if (arg == "--") {
            onlyTables = true;
        } else if (arg == "--help" || arg == "-h") {
            out << UsageText();
            return 0;
        } else if (arg == "--version") {
            out << kVersionText << "\n";
            return 0;
        } else if (arg == "--read-only" || arg == "--fix-header" || arg == "--exclusive") {
            if (!mode.empty() && mode != arg) return usage("--read-only, --fix-header and --exclusive exclude each other");
            mode = arg;
            if (arg == "--read-only") continue;
            a.options = ConversionOptions{};
            a.options.exclusive = arg == "--exclusive";
            a.writesTable = true;
        } else if (arg == "--code-page") {
            if (i + 1 >= args.size()) return usage("--code-page needs 'table' or a code page number");
            const std::string which = args[++i];
            if (!codePageText.empty() && codePageText != which) return again("--code-page", codePageText, which);
            codePageText = which;
            if (which == "table") {
                a.codePage.fromTable = true;
            } else {
                a.codePage.number = ParseCodePageName(which);
                if (a.codePage.number == 0 || !platform::TextDecoder::For(a.codePage.number))
                    return usage("--code-page " + EscapeControls(which) + ": not a code page Korvane can decode");
            }
        } else if (arg == "--typed") {
            a.typed = true;
        } else if (arg == "--strict") {
            a.strict = true;
        } else if (arg == "-q" || arg == "--quiet") {
            a.quiet = true;
        } else if (arg == "-j" || arg == "--jobs") {
            const std::string count = i + 1 < args.size() ? args[i + 1] : "";
            if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos)
                return usage(arg + " needs a number of tables to convert at the same time");
            a.jobs = std::stoi(args[++i]);
            if (a.jobs == 0) a.jobs = UsableProcessors();
        } else if (arg == "-r" || arg == "--recursive") {
            a.recursive = true;
        } else if (arg == "--output-dir") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--output-dir needs a folder");
            if (!a.outputDir.empty() && a.outputDir != args[i + 1]) return again("--output-dir", a.outputDir, args[i + 1]);
            a.outputDir = args[++i];
        } else if (arg == "-o") {
            if (i + 1 >= args.size()) return usage("-o needs a file name");
            if (a.haveTarget && a.target != args[i + 1]) return again("-o", a.target, args[i + 1]);
            a.target = args[++i];
            a.haveTarget = true;
        } else {
            return usage("unknown option " + EscapeControls(arg));
        }
    }
    if (a.tables.empty()) return usage("no table given");
    if (a.haveTarget && !a.outputDir.empty()) return usage("-o and --output-dir exclude each other");
    if (a.haveTarget && a.target.empty()) return usage("-o needs a file name");
    // Folders stand for the tables in them; every table of the run is known before the first
    // converts.
    const std::vector<Job> jobs = ExpandTables(a.tables, a.recursive, a.outputDir, a.quiet, err);
    if (a.haveTarget && (jobs.size() != 1 || platform::StatPath(a.tables[0]).folder)) return usage("-o takes exactly one table");
    a.options.standardOutput = a.haveTarget && a.target == "-";
    a.options.codePage = a.codePage;
    a.options.typed = a.typed;
    if (a.options.standardOutput && !streams.outputOpen) {
        err << "dbf2xml: " << texts::kStandardOutputClosed << "\n";
        return 1;
    }
    // No progress line where it would land in the document on the same terminal.
    const bool drawProgress = progress && !a.quiet && !(a.options.standardOutput && streams.outputOnErrorTerminal);

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
    std::vector<std::string> fulls;
    for (const Job& job : jobs) fulls.push_back(job.full);
    const std::vector<InputFile> inputs = InputFiles(fulls);
    // What keeps a table from being converted is decided for all of them before any converts.
    std::vector<std::string> refusals(jobs.size());
    std::vector<std::size_t> claimed;  // the tables whose targets are taken
    for (std::size_t t = 0; t < jobs.size(); ++t) {
        const std::string& full = jobs[t].full;
        const std::string xml = a.haveTarget ? a.target : jobs[t].target;
        std::ostringstream refusal;
        // No target may be a file another table of the run is read from (its own are refused
        // with the reader's message when it is opened).
        if (const InputFile* input = a.options.standardOutput ? nullptr : InputAt(inputs, xml, t)) {
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml) << " is "
                    << (input->table ? "a table" : "a memo or index file") << " of this run\n";
        } else if (!a.options.standardOutput && IsTableFileName(xml)) {
            // A document under such a name would later be read as a table's own file.
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml)
                    << " has the name of a table's file (a table, memo, index or code page file)\n";
        } else if (const auto first = std::find_if(claimed.begin(), claimed.end(),
                                                   [&](std::size_t j) { return SameTarget(jobs[j].target, xml); });
                   !a.haveTarget && first != claimed.end()) {
            // Two tables of the run with one target: the later one is not converted.
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml) << " is the target of "
                    << Shown(jobs[*first].full) << " too\n";
        } else if (const int e = a.outputDir.empty() ? 0 : platform::MakeFolders(platform::ExtractFilePath(xml)); e != 0) {
            refusal << "dbf2xml: " << Shown(platform::ExtractFilePath(xml)) << ": " << platform::SystemErrorText(e) << "\n";
        } else {
            claimed.push_back(t);
        }
        refusals[t] = refusal.str();
    }
    // What runs killed outright left beside the targets goes, once per folder.
    if (!a.options.standardOutput) {
        std::map<std::string, std::vector<std::string>> folders;
        for (const std::size_t t : claimed) {
            const std::string xml = platform::ExpandFileName(a.haveTarget ? a.target : jobs[t].target);
            folders[platform::ExtractFilePath(xml)].push_back(platform::ExtractFileName(xml));
        }
        for (const auto& [folder, names] : folders) RemoveStaleTemporaries(folder, names);
        a.options.sweepTemporaries = false;
    }
    // Several tables at the same time where more than one is to be converted.
    const bool parallel = a.jobs > 1 && claimed.size() > 1 && !a.options.standardOutput;
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
