// The conversion run: one table file into one XML document.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "conversion/ConversionView.h"

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
    std::size_t Count() const { return FTables.size(); }

private:
    std::vector<std::unique_ptr<dbf::TDbf>> FTables;
};

struct ConversionOptions {
    bool readOnly = false;        // open the table read-only: no header write-back
    bool exclusive = false;       // lock the table for the run and read records ahead
    bool readAhead = false;       // read records in 64 KiB blocks also with shared access
    bool standardOutput = false;  // write the document to standard output as it is
};

// What a finished run found that the document itself does not tell.
struct ConversionReport {
    int rows = 0;
    // Another program made the table shorter during the run: the walk ended with the last
    // record the file still held in full.
    bool tableShrank = false;
};

// Converts the table at `tablePath` into `targetPath`, telling `view` what a window shows.
// A table that cannot be opened is reported through the view's message box and gives false;
// every other failure leaves as an exception, with the view in its running state.
bool RunConversion(IConversionView& view, TableOwner& owner, const std::string& tablePath, const std::string& targetPath,
                   const ConversionOptions& options = {}, ConversionReport* report = nullptr);

}  // namespace korvane
