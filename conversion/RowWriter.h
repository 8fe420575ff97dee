// The rows of the document: one `row` element per record, one attribute per field.
//
// Each field is read once per record through the reader's typed decoding and its text is
// rendered straight into the document's buffer as escaped UTF-8. Character and memo values of
// a single-byte system code page go through the byte tables of SingleByteText; values the
// typed decoding does not cover, and text read in a code page the user asked for, take the
// field object's own text. Either way the document is the same, byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/FieldTextReader.h"
#include "conversion/MemoText.h"
#include "conversion/SingleByteText.h"
#include "conversion/TextFile.h"
#include "conversion/TextWatch.h"
#include "conversion/ValueAudit.h"
#include "dbf/FieldValue.h"
#include "fields/DateTime.h"

namespace korvane {

namespace dbf {
class TDbf;
class TDbfFile;
}  // namespace dbf
class OutputCursor;
struct ConversionReport;

class RowWriter {
public:
    // `decoder` (may be null) is the code page the user asked for; `names`, when given, the
    // decoded field names (else the field objects' names are used).
    // `watch` (may be null) is shown every character and memo value as stored.
    RowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>* names,
              TextWatch* watch = nullptr);
    ~RowWriter();

    // Writes the current record's row as its write statements.
    void Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report);

private:
    // How a field's value is read and rendered.
    enum class Form : std::uint8_t {
        Text,
        Memo,
        Blob,
        Integer,
        Smallint,
        Largeint,
        Float,
        Date,
        DateTime,
        Time,
        Boolean,
        General
    };
    // Values stored as text (character, numeric, date and logical fields), read straight from
    // the record's bytes where the reader's decoding reads them alike.
    enum class StoredText : std::uint8_t { None, Character, Decimal, Whole, Date, Logical };
    struct Column {
        Form form = Form::General;
        int column = 0;                          // the field's column in the table
        const dbf::TDbfFieldDef* def = nullptr;  // its definition
        dbf::FieldByteRange bytes;               // where its value is in a record
        StoredText stored = StoredText::None;    // how its text is read straight from the record
        std::string prefix;                      // ` NAME="` as UTF-8
        std::array<char, 48> prefixBlock{};      // the same, padded, when it fits
        std::string trueText;                    // a logical's texts, escaped UTF-8
        std::string falseText;
    };
    // A value read from the record, ready to be rendered.
    struct Value {
        enum class Kind : std::uint8_t {
            Empty,
            Bytes,    // character or memo bytes in the system code page
            Integer,  // a whole number
            Number,   // ASCII in FAscii, kGeneralSeparator standing for the decimal separator
            Ascii,    // ASCII in FAscii, to be escaped
            Utf16,    // FValue, to be escaped
            Literal   // already escaped UTF-8
        } kind = Kind::Empty;
        std::span<const std::uint8_t> bytes;
        std::int64_t integer = 0;
        std::size_t length = 0;  // of the text in FAscii
        std::string_view literal;
    };

    Value Read(const Column& c, std::size_t i, dbf::TDbf& table, std::span<const std::uint8_t> record);
    // The attribute of a value stored as text, read straight from the record; false, with
    // nothing written, when its text needs the decoding's general rules (a number with an
    // exponent or more than 15 digits, say).
    bool PutStored(OutputCursor& cursor, const Column& c, std::size_t i, std::span<const std::uint8_t> record);
    // Reserves room for the prefix and `valueRoom` bytes of value, writes the prefix and
    // returns where the value goes.
    static char* PutPrefix(OutputCursor& cursor, const Column& c, std::size_t valueRoom);
    // Writes the number's text in FAscii, `length` bytes, with the decimal separator.
    char* PutNumber(char* d, std::size_t length) const;
    // A memo's attribute, its text streamed in pieces.
    void PutMemo(OutputCursor& cursor, const Column& c, std::span<const std::uint8_t> record);
    // The field object's own text, through the run's character text reader.
    Value General(std::size_t i, dbf::TDbf& table);
    void PutAttribute(OutputCursor& cursor, const Column& c, const Value& v);

    const platform::PlatformSettings& FSettings;  // the table's
    FieldTextReader FText;
    ValueAudit FAudit;
    TextWatch* FWatch;
    std::unique_ptr<SingleByteText> FSingleByte;
    dbf::TDbfFile* FFile;
    MemoText FMemo;
    std::vector<Column> FColumns;
    std::string FSeparator;  // the decimal separator, escaped UTF-8
    // The separator when it is one byte (numbers are then formatted with it), else the
    // stand-in that PutNumber replaces.
    char FSeparatorByte;
    // The row's end without the line break; the line break's bytes when the system code page
    // keeps CR and LF as they are (else it is written as a line statement of its own).
    bool FPlainLineEnd = false;
    std::u16string FValue;    // a value's UTF-16 text
    std::u16string FEscaped;  // its escaped form
    char FAscii[256];         // a number's or date's ASCII text
    // The date pattern, and whether dates are written with it (its text is then plain).
    NumericPattern FDatePattern;
    bool FDatePlain = false;
    PaddedRecord FRecord;  // the current record
};

}  // namespace korvane
