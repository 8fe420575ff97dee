// The rows of a document: one `row` element per record, one attribute per field, written
// straight into the document's buffer as escaped UTF-8.
//
// The loop and what it reads (RowSource) are the same for both documents; a renderer says how
// a value is written. It is a type resolved at compile time, so that each document's loop is
// compiled with its renderer's code in place. A renderer has:
//   static constexpr bool kNullFlags;  // the null flags leave attributes out (their field too)
//   bool PutStored(OutputCursor&, const RowColumn&, std::size_t i, const StoredValue&);
//       // a value read from its stored text; false: the general way decides
//   void PutGeneral(OutputCursor&, const RowColumn&, std::size_t i, dbf::TDbf&, record);
//       // any other value, or none
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "conversion/ConversionReport.h"
#include "conversion/OutputCursor.h"
#include "conversion/RowSource.h"
#include "conversion/TextFile.h"
#include "dbf/Dbf.h"

namespace korvane {

template <class Renderer>
class RowLoop {
public:
    // `names`: the attribute names; `decoder` (may be null) the code page the user asked for;
    // `watch` (may be null) is shown every character and memo value as stored; `args` go to
    // the renderer after the row source.
    template <class... Args>
    RowLoop(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names, TextWatch* watch,
            Args&&... args)
        : FSource(table, decoder, names, watch), FRenderer(FSource, table, std::forward<Args>(args)...) {}

    // Writes the current record's row as its write statements.
    void Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report) {
        OutputCursor cursor(out);
        const std::span<const std::uint8_t> record = FSource.Record(table);
        FSource.audit.ReportTo(report);
        constexpr std::string_view kRowStart = "   <row";
        cursor.Done(std::copy(kRowStart.begin(), kRowStart.end(), cursor.Reserve(kRowStart.size())));
        StoredValue stored;
        for (std::size_t i = 0; i < FSource.columns.size(); ++i) {
            const RowColumn& c = FSource.columns[i];
            if constexpr (Renderer::kNullFlags) {
                // The null flags are the table's own bookkeeping: the attributes left out say it.
                if (c.nullFlags || FSource.Null(c, record)) continue;
            }
            if (c.stored != StoredText::None && FSource.ParseStored(c, i, record, stored) &&
                FRenderer.PutStored(cursor, c, i, stored))
                continue;
            try {
                if (c.stream != Stream::None)
                    FSource.PutStream(cursor, c, record);
                else
                    FRenderer.PutGeneral(cursor, c, i, table, record);
            } catch (...) {
                // Which value could not be read: the record and the field as the document names it.
                cursor.CommitDone();
                report.failedRecord = table.RecNo();
                report.failedField = c.name;
                throw;
            }
        }
        EndRow(cursor, out, FSource.plainLineBreak);
    }

private:
    RowSource FSource;
    Renderer FRenderer;
};

}  // namespace korvane
