// The typed document (dbf2xml --typed): an inline XML Schema that describes the whole document
// and validates, and values in XML Schema's lexical forms rather than the regional ones.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "conversion/FieldTextReader.h"
#include "conversion/MemoText.h"
#include "conversion/TextFile.h"
#include "conversion/ValueAudit.h"

namespace korvane {

namespace dbf {
class TDbf;
}
struct ConversionReport;

// Writes the head, the schema and the root element's start; `names` are the attribute names.
void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names);

// Writes the rows: one attribute per field that has a value, in its lexical form.
class TypedRowWriter {
public:
    // `watch` (may be null) is shown every character and memo value as stored.
    TypedRowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names,
                   TextWatch* watch = nullptr);
    void Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report);

private:
    // The value of field i of the current record; false when the attribute is left out.
    bool Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i);

    FieldTextReader FText;
    ValueAudit FAudit;
    TextWatch* FWatch;
    std::unique_ptr<SingleByteText> FSingleByte;
    MemoText FMemo;
    // How a memo-like field's value is streamed: not at all, as text, as base64.
    enum class Streamed : std::uint8_t { No, Text, Base64 };
    std::vector<Streamed> FStreamed;
    std::vector<std::u16string> FPrefixes;  // ` NAME="`
    std::u16string FValue;
    std::u16string FPiece;
    std::string FBytes;
    std::vector<std::uint8_t> FBuffer;
};

}  // namespace korvane
