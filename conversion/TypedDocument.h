// The typed document (dbf2xml --typed): an inline XML Schema that describes the whole document
// and validates, and values in XML Schema's lexical forms rather than the regional ones.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "conversion/FieldTextReader.h"
#include "conversion/MemoText.h"
#include "conversion/OutputCursor.h"
#include "conversion/TextFile.h"
#include "conversion/ValueAudit.h"
#include "dbf/FieldValue.h"

namespace korvane {

namespace dbf {
class TDbf;
}
struct ConversionReport;

// Writes the head, the schema and the root element's start; `names` are the attribute names,
// `decoder` (or none: the system's code page) what field names are decoded with.
void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names, platform::TextDecoder* decoder);

// Writes the rows: one attribute per field that has a value, in its lexical form.
class TypedRowWriter {
public:
    // `watch` (may be null) is shown every character and memo value as stored.
    // `generalOnly`: every value through the general rules, none straight from the record.
    TypedRowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names,
                   TextWatch* watch = nullptr, bool generalOnly = false);
    void Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report);

private:
    // The value of field i of the current record; false when the attribute is left out.
    bool Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i);
    // The attribute of a value stored as text, read straight from the record (as the plain
    // document reads it); false, with nothing written, where it needs the general rules.
    bool PutStored(OutputCursor& cursor, std::size_t i, std::span<const std::uint8_t> record);
    // Reserves room for field i's prefix and `valueRoom` bytes, writes the prefix and returns
    // where the value goes.
    char* PutPrefix(OutputCursor& cursor, std::size_t i, std::size_t valueRoom);

    FieldTextReader FText;
    ValueAudit FAudit;
    TextWatch* FWatch;
    std::unique_ptr<SingleByteText> FSingleByte;
    MemoText FMemo;
    // How a field's value is read and written: through the general rules, streamed (a memo's
    // text, a blob's base64), or straight from the record's text.
    enum class Way : std::uint8_t {
        General,
        Text,
        Base64,
        Character,
        Decimal,
        Whole,
        Logical,
        Date,  // stored as text
        Binary,
        Stamp,
        Double,
        Currency,  // binary forms, through the typed decoding
        Bytes      // a field's own bytes as base64
    };
    struct Column {
        Way way = Way::General;
        dbf::FieldByteRange bytes;
        std::int64_t lowest = 0, highest = 0;  // a whole number's range
        TFieldType kind = ftUnknown;           // the kind a binary form is decoded as
        bool skip = false;                     // the null flags: no attribute
    };
    std::vector<Column> FColumns;
    std::vector<std::string> FPrefixes;  // ` NAME="` as UTF-8
    dbf::TDbfFile* FFile;
    bool FPlainLineBreak;
    PaddedRecord FRecord;   // the current record
    std::u16string FValue;  // a value's text, to be escaped
    std::u16string FEscaped;
    // A value in XML Schema's ASCII forms (numbers, dates, booleans, base64), which need no
    // escaping; set in place of FValue when FAsciiValue is.
    std::string FAscii;
    bool FAsciiValue = false;
    std::string FBytes;
    std::vector<std::uint8_t> FBuffer;
};

}  // namespace korvane
