// What a conversion run found that the document itself does not tell: rows and records, the
// table's end, its memo file, values that were not what their field says, and where a failure
// happened.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane {

// Kinds of stored values that the document cannot show as they are meant.
enum class ValueProblem : std::size_t {
    Unreadable,  // a time stamp that forms none: written as no value
    Date,        // a date field's text that is no valid date (read as 30 December 1899)
    Number,      // a number field's text that is no number (written empty)
    Logical,     // a logical's letter that is none of T, F, Y, N and ?
    MemoCut,     // a memo that runs past the end of the memo file: cut to the bytes it holds
};
inline constexpr std::size_t kValueProblems = 5;

// The values of one kind found over a table, and the first of them.
struct ValueIssue {
    int count = 0;
    int record = 0;     // its physical record number
    std::string field;  // its field, named as the document names it
    // What was stored: quoted text, for a time stamp its bytes in hexadecimal, for a memo its
    // block number.
    std::string detail;
};

struct ConversionReport {
    int rows = 0;     // rows written
    int records = 0;  // records read, deleted ones included
    // Another program made the table shorter during the run: the walk ended with the last
    // record the file still held in full.
    bool tableShrank = false;
    // Whole record slots behind the table's end that were not read as records.
    int slotsBehindEnd = 0;
    int tableEnd = 0;  // the records the table holds, as its end was found
    // The header's record count and the records the table held at open: fewer whole records
    // in the file than the header says is a table cut short. Whether the open corrected the
    // header's count (--fix-header, --exclusive, the window).
    int headerRecords = 0;
    int recordsAtOpen = 0;
    bool recordCountCorrected = false;
    // The header's record length, the one its fields need, and whether records were read at
    // the fields' length.
    int headerRecordLength = 0;
    int fieldsRecordLength = 0;
    bool fieldsLengthUsed = false;
    // The table has memo fields but its memo file does not exist: every memo reads empty.
    bool memoMissing = false;
    std::string memoFileName;  // the memo file looked for, or found
    std::array<ValueIssue, kValueProblems> values;
    // Text read as Windows-1250 that is likely in another code page: the table declares
    // `declaredCodePage` (not 1250 or 852) and its text has high bytes, or it declares none and
    // its text is UTF-8 with multi-byte characters.
    std::uint32_t declaredCodePage = 0;
    // A .cpg file beside the table that names no code page, passed over for the table's
    // driver, and its first line.
    std::string passedOverCodePageFile;
    std::string passedOverCodePageText;
    bool textInDeclaredCodePage = false;
    bool textInUtf8 = false;
    // When reading a value failed: the record's physical number and the field's name.
    int failedRecord = 0;
    std::string failedField;
    // The file a failed read or write of the reader was about, when it was not the table.
    std::string failedFile;

    ValueIssue& Values(ValueProblem p) { return values[static_cast<std::size_t>(p)]; }
    const ValueIssue& Values(ValueProblem p) const { return values[static_cast<std::size_t>(p)]; }
};

}  // namespace korvane
