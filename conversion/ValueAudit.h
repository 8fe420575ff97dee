// Counts, over one table, the stored values that the document cannot show as they are meant:
// time stamps that form none, dates that are no dates, numbers that are no numbers and
// logicals of other letters. The writers call it only where a value turned out so, which is
// off the path that ordinary values take.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "conversion/ConversionReport.h"
#include "dbf/FieldValue.h"

namespace korvane {

namespace dbf {
class TDbf;
}

class ValueAudit {
public:
    // `names`: the fields' names as the document names them, UTF-8.
    // It is told of the table's memos that run past the end of the memo file while it lives.
    ValueAudit(dbf::TDbf& table, std::vector<std::string> names);
    ~ValueAudit();
    ValueAudit(const ValueAudit&) = delete;
    ValueAudit& operator=(const ValueAudit&) = delete;

    // The report the findings go to, for the rows that follow.
    void ReportTo(ConversionReport& report) { FReport = &report; }

    // Field i's time stamp forms none.
    void TimeStamp(std::size_t i, const dbf::InvalidTimeStamp& stamp);
    // Field i, a number stored as text, has no value: counted unless its text is blank (or
    // blanks with a sign and a point) or a number after all (one out of the field's range).
    void NumberWithoutValue(std::size_t i, std::span<const std::uint8_t> field);
    // Field i's date text (blanks dropped) forms no date.
    void Date(std::size_t i, std::span<const std::uint8_t> text);
    // Field i is a logical whose stored letter is `letter`: counted unless it is one of the
    // letters a logical is stored with.
    void Logical(std::size_t i, std::uint8_t letter) {
        if (!dbf::IsLogicalLetter(letter)) Note(ValueProblem::Logical, i, Quoted({&letter, 1}));
    }

    // Stored bytes as a message shows them: quoted, with bytes outside printable ASCII as \xHH.
    static std::string Quoted(std::span<const std::uint8_t> bytes);

private:
    // The memo at `block`, read for the current record, runs past the end of the memo file.
    void MemoCut(std::int32_t block);
    void Note(ValueProblem problem, std::size_t i, const std::string& detail);

    dbf::TDbf& FTable;
    std::vector<std::string> FNames;
    ConversionReport* FReport = nullptr;
    // The last memo counted: a memo is read twice where its text is decided before it is written.
    int FCutRecord = 0;
    std::int32_t FCutBlock = 0;
};

}  // namespace korvane
