// What both documents read of a row, the same way: the record in a padded copy, which fields
// are streamed and which are read straight from their stored text, that text parsed (with the
// value audit and the text watch told), the memo streams, and the prefix of each attribute.
// The documents differ only in how they write a value (see RowLoop).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/FieldTextReader.h"
#include "conversion/MemoText.h"
#include "conversion/OutputCursor.h"
#include "conversion/SingleByteText.h"
#include "conversion/TextWatch.h"
#include "conversion/ValueAudit.h"
#include "dbf/FieldValue.h"
#include "dbf/NumberText.h"

namespace korvane {

namespace dbf {
class TDbf;
class TDbfFile;
}  // namespace dbf

// Values stored as text (character, numeric, date and logical fields), read straight from the
// record where the reader's decoding reads them alike.
enum class StoredText : std::uint8_t { None, Character, Decimal, Whole, Date, Logical };
// Values streamed from the memo file: a memo's text, a blob's bytes as text or as base64.
enum class Stream : std::uint8_t { None, Text, Bytes, Base64 };

struct RowColumn {
    int column = 0;                          // the field's column in the table
    const dbf::TDbfFieldDef* def = nullptr;  // its definition
    dbf::FieldByteRange bytes;               // where its value is in a record
    StoredText stored = StoredText::None;    // how its text is read straight from the record
    Stream stream = Stream::None;
    bool nullFlags = false;                // the table's _NULLFLAGS field
    std::int64_t lowest = 0, highest = 0;  // a whole number's range
    std::string name;                      // the attribute's name, UTF-8
    std::string prefix;                    // ` NAME="`
    std::array<char, 48> prefixBlock{};    // the same, padded, when it fits
};

// A value stored as text, parsed; of the kind's members only those of the column's kind are set.
struct StoredValue {
    bool empty = true;                   // blank, or a whole number out of the field's range
    std::span<const std::uint8_t> text;  // the text it was read from
    dbf::DecimalDigits digits;           // Decimal
    std::int64_t whole = 0;              // Whole
    int year = 0, month = 0, day = 0;    // Date
    bool validDate = false;              // Date: the text forms a date (it was audited if not)
    std::uint8_t letter = 0;             // Logical: the stored letter
};

class RowSource {
public:
    static constexpr std::size_t kPrefixBlock = 48;

    // `names`: the attribute names; `decoder` (may be null) the code page the user asked for;
    // `watch` (may be null) is shown every character and memo value as stored.
    RowSource(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names, TextWatch* watch);

    // The current record, copied so that values are read sixteen bytes at a time.
    std::span<const std::uint8_t> Record(dbf::TDbf& table) { return FRecord.Copy(CurrentRecordOf(table)); }
    // Whether the record's null flags mark field i null.
    bool Null(const RowColumn& c, std::span<const std::uint8_t> record) const;

    // Reads column c's stored text; false when it needs the decoding's general rules (a number
    // with an exponent or more than 15 digits, say).
    [[gnu::always_inline]] bool ParseStored(const RowColumn& c, std::size_t i, std::span<const std::uint8_t> record,
                                            StoredValue& v) {
        // Only what the column's kind reads is set: the value is not cleared whole each time.
        v.empty = true;
        v.text = {};
        if (record.empty()) return true;
        const std::span<const std::uint8_t> field = c.bytes.In(record);
        if (c.stored == StoredText::Character) {
            // Its bytes up to the first zero byte: a blank or cut value writes empty text.
            v.text = dbf::CharacterTextPadded(field);
            if (watch && watch->Active()) {
                watch->See(v.text);
                watch->EndValue();
            }
            v.empty = v.text.empty();
            return true;
        }
        v.text = dbf::TrimmedTextPadded(field, ftFloat);
        if (v.text.empty()) return true;
        switch (c.stored) {
            case StoredText::Decimal:
                if (!dbf::ParseDecimalDigits(v.text.data(), v.text.size(), v.digits)) return false;
                break;
            case StoredText::Whole:
                if (!dbf::ParseIntegerDigits(v.text.data(), v.text.size(), v.whole)) return false;
                // Out of the kind's range is no value.
                if (v.whole < c.lowest || v.whole > c.highest) return true;
                break;
            case StoredText::Date:
                v.validDate = dbf::DecodeDateText(v.text.data(), v.text.size(), v.year, v.month, v.day);
                if (!v.validDate) audit.Date(i, v.text);
                break;
            case StoredText::Logical:
                v.letter = v.text[0];
                audit.Logical(i, v.letter);
                break;
            default:
                return false;
        }
        v.empty = false;
        return true;
    }

    // Reserves room for the prefix and `valueRoom` bytes of value and a closing quote, writes
    // the prefix and returns where the value goes.
    static char* PutPrefix(OutputCursor& cursor, const RowColumn& c, std::size_t valueRoom) {
        // A short prefix is copied as a whole padded block, which costs no call; a long one (a
        // level 7 name of letters that take three bytes each) as it is.
        char* d = cursor.Reserve(std::max(c.prefix.size(), kPrefixBlock) + valueRoom + 1);
        if (c.prefix.size() <= kPrefixBlock) {
            std::memcpy(d, c.prefixBlock.data(), kPrefixBlock);
            return d + c.prefix.size();
        }
        std::memcpy(d, c.prefix.data(), c.prefix.size());
        return d + c.prefix.size();
    }
    // A streamed column's attribute, its text written in pieces.
    void PutStream(OutputCursor& cursor, const RowColumn& c, std::span<const std::uint8_t> record);

    std::vector<RowColumn> columns;
    FieldTextReader text;  // the field objects' text, repaired or decoded as the run asks
    ValueAudit audit;
    TextWatch* watch;
    // The system code page's byte tables; none when a code page the user asked for decodes.
    std::unique_ptr<SingleByteText> singleByte;
    MemoText memo;
    dbf::TDbfFile* file;
    // Whether the system code page keeps CR and LF as they are (the row's end and its line
    // break are then put in place as bytes).
    bool plainLineBreak;

private:
    static std::span<const std::uint8_t> CurrentRecordOf(dbf::TDbf& table);

    PaddedRecord FRecord;
};

}  // namespace korvane
