#include "cli/TableRun.h"

#include <algorithm>

#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "conversion/ConversionTexts.h"
#include "conversion/TextFile.h"
#include "dbf/DbfFile.h"
#include "platform/CodePages.h"
#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane::cli {

namespace {

// A failure that --strict makes of a warning.
class EStrict : public Exception {
    using Exception::Exception;
};

// A table that can be opened for reading but not for writing (a read-only file or medium,
// no permission, a program that runs from it).
bool MayNotBeWritten(const std::string& path) {
    if (!platform::StatPath(path).regular) return false;
    platform::File file;
    platform::OsError error;
    return file.Open(path, platform::FileAccess::ReadOnly, error) && !file.Open(path, platform::FileAccess::ReadWrite, error);
}

}  // namespace

void Totals::Add(const TableResult& r) {
    ++tables;
    if (!r.converted) return;
    ++converted;
    rows += r.rows;
    deleted += r.deleted;
    seconds += r.seconds;
    bytes += r.bytes;
}

TableResult ConvertOne(const Arguments& a, const std::string& table, const std::string& full, const std::string& xml,
                       TableOwner& owner, std::ostream& err, bool progress) {
    const std::string shownTable = Shown(full);
    const std::string shownTarget = a.options.standardOutput ? kStandardOutputName : Shown(xml);
    CliView view(err, progress, EscapeControls(table));
    // A message starts on its own line, after a progress line being drawn.
    auto say = [&](const std::string& path, const std::string& message) {
        view.EndLine();
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
    ConversionReport report;
    TableResult result;
    const Clock::time_point start = Clock::now();
    try {
        if (!RunConversion(view, owner, full, xml, options, &report)) {
            view.EndLine();
            std::string message = view.Message();
            // A file too short to be a table has one message, whatever its few bytes are.
            const std::string aborted = std::string(texts::kOpenDbfPrefix) + "Operation aborted";
            if (const std::string reason = dbf::AbortReason(full); message == aborted || reason == dbf::kTooShortToBeATable)
                message = aborted + reason;
            if (a.writesTable && MayNotBeWritten(full)) message += kNeverWritesHint;
            say(IsOpenFailureWithPath(message) ? "" : report.failedFile.empty() ? shownTable : Shown(report.failedFile), message);
            return result;
        }
    } catch (const platform::EInterrupted&) {
        view.EndLine();
        result.interrupted = true;
        return result;
    } catch (const EInOutError& e) {
        view.EndLine();
        // The target's own errors, which name it in front like every other message.
        say(shownTarget, TargetFailure(e));
        return result;
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
        return result;
    } catch (...) {
        view.EndLine();
        say(shownTable, CurrentExceptionMessage());
        return result;
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
            say(shownTable, "note: the table declares code page " + platform::CodePageName(report.declaredCodePage) +
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
    result.converted = true;
    if (const platform::PathStatus s = platform::StatPath(full); s.exists) result.bytes = s.size;
    result.rows = report.rows;
    result.deleted = std::max(0, report.records - report.rows);
    result.seconds = seconds;
    if (!a.quiet)
        err << "dbf2xml: " << shownTable << " -> " << shownTarget << ": " << Plural(result.rows, "row", "rows") << ", "
            << result.deleted << " deleted skipped, " << Seconds(seconds) << ", " << Rate(result.bytes, seconds) << "\n";
    return result;
}

}  // namespace korvane::cli
