// The conversion run: one table file into one XML document.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "conversion/ConversionReport.h"
#include "conversion/ConversionView.h"
#include "conversion/TargetSeam.h"
#include "conversion/TextCodePage.h"
#include "platform/ByteFile.h"
#include "platform/Settings.h"

namespace korvane {

namespace dbf {
class TDbf;
}

// The application object's part in a run: it owns the table objects, so a table that a
// failed run leaves open is released at program end.
class TableOwner {
public:
    TableOwner();
    ~TableOwner();
    dbf::TDbf& CreateTable();
    void ReleaseTable(dbf::TDbf& table);
    // Closes and releases every table a failed run left open.
    void ReleaseAll();
    std::size_t Count() const { return FTables.size(); }

private:
    std::vector<std::unique_ptr<dbf::TDbf>> FTables;
};

struct ConversionOptions {
    // The system's code pages and regional formats the table is read and its values shown with
    // (each program reads them from its locale once at start).
    platform::PlatformSettings settings;
    bool readOnly = false;        // open the table read-only: no header write-back
    bool exclusive = false;       // lock the table for the run and read records ahead
    bool readAhead = false;       // read records in 64 KiB blocks also with shared access
    bool standardOutput = false;  // write the document to standard output as it is
    // Read character values, memos and field names in this code page, without the code page
    // 852 repair (by default they are read as Windows-1250 and repaired).
    CodePageRequest codePage;
    // Where the table and its companions are read from (memory files in tests and fuzzing).
    platform::IFileSystem* files = nullptr;
    // Write the typed document: a valid inline schema, values in XML Schema's forms.
    bool typed = false;
    // Read every typed value through the general rules, none straight from the record (tests
    // compare the two ways).
    bool generalValues = false;
    // Called with what the run has found once the table is open and again after the last
    // row, before the document is ended and takes the target's place; an exception it raises
    // fails the run.
    std::function<void(const ConversionReport&)> check;
    // Remove what runs killed outright left beside the target (the command line does it once
    // per folder for all its targets).
    bool sweepTemporaries = true;
    // What tests watch and change of the target's replacement.
    TargetSeam targetSeam;
};

// Converts the table at `tablePath` into `targetPath`, telling `view` what a window shows.
// A table that cannot be opened is reported through the view's message box and gives false;
// every other failure leaves as an exception, with the view in its running state.
bool RunConversion(IConversionView& view, TableOwner& owner, const std::string& tablePath, const std::string& targetPath,
                   const ConversionOptions& options = {}, ConversionReport* report = nullptr);

// The window's message after a finished run that found what the document cannot show: a table
// cut short, values left empty because they could not be read (time stamps that form none),
// memos cut at the end of the memo file; empty when there was none of these.
std::string FinishedRunMessage(const ConversionReport& report);

}  // namespace korvane
