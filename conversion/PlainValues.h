// How the plain document writes a value: every field's attribute, its value as the field
// object's text in the regional formats (an empty value where there is none).
//
// Each field is read once per record through the reader's typed decoding and rendered straight
// into the document's buffer. Character and memo values of a single-byte system code page go
// through the byte tables of SingleByteText; values the typed decoding does not cover, and text
// read in a code page the user asked for, take the field object's own text. Either way the
// document is the same, byte for byte.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/RowLoop.h"
#include "conversion/RowSource.h"
#include "conversion/XmlText.h"
#include "dbf/FieldValue.h"
#include "fields/DateTime.h"
#include "fields/NumberFormat.h"
#include "platform/Settings.h"

namespace korvane {

class PlainValues {
public:
    static constexpr bool kNullFlags = false;

    PlainValues(RowSource& source, dbf::TDbf& table);

    bool PutStored(OutputCursor& cursor, const RowColumn& c, std::size_t i, const StoredValue& v);
    void PutGeneral(OutputCursor& cursor, const RowColumn& c, std::size_t i, dbf::TDbf& table,
                    std::span<const std::uint8_t> record);

private:
    static constexpr std::size_t kIntegerRoom = 24;  // a sign and 19 digits
    // ASCII text that an attribute carries as it is.
    static bool IsPlainAscii(std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 0x80 && IsPlainXmlCharacter(static_cast<char16_t>(ch));
        });
    }
    static char* Put(char* dest, std::string_view bytes) {
        std::memcpy(dest, bytes.data(), bytes.size());
        return dest + bytes.size();
    }

    // How a field's value is read and rendered.
    enum class Form : std::uint8_t { Text, Integer, Smallint, Largeint, Float, Date, DateTime, Time, Boolean, General };
    struct Column {
        Form form = Form::General;
        std::string trueText;  // a logical's texts, escaped UTF-8
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

    Value Read(const RowColumn& rc, std::size_t i, dbf::TDbf& table, std::span<const std::uint8_t> record);
    // The field object's own text, through the run's character text reader.
    Value General(std::size_t i, dbf::TDbf& table);
    // Writes the number's text in FAscii, `length` bytes, with the decimal separator.
    char* PutNumber(char* d, std::size_t length) const;
    void PutAttribute(OutputCursor& cursor, const RowColumn& c, const Value& v);

    RowSource& FSource;
    const platform::PlatformSettings& FSettings;  // the table's
    std::vector<Column> FColumns;
    std::string FSeparator;  // the decimal separator, escaped UTF-8
    // The separator when it is one byte (numbers are then formatted with it), else the
    // stand-in that PutNumber replaces.
    char FSeparatorByte;
    std::u16string FValue;    // a value's UTF-16 text
    std::u16string FEscaped;  // its escaped form
    char FAscii[256];         // a number's or date's ASCII text
    // The date pattern, and whether dates are written with it (its text is then plain).
    NumericPattern FDatePattern;
    bool FDatePlain = false;
};

// In the header, so that the row loop has it in place.
inline bool PlainValues::PutStored(OutputCursor& cursor, const RowColumn& c, std::size_t i, const StoredValue& v) {
    char* d;
    if (v.empty) {
        d = RowSource::PutPrefix(cursor, c, 0);  // no value
    } else {
        switch (c.stored) {
            case StoredText::Character:
                d = RowSource::PutPrefix(cursor, c, SingleByteText::Room(v.text.size()));
                d = FSource.singleByte->WritePadded(v.text, d);
                break;
            case StoredText::Decimal: {
                const std::size_t length = GeneralDigitsText(FAscii, v.digits.negative, v.digits.digits, v.digits.count,
                                                             v.digits.exponent, FSeparatorByte);
                d = RowSource::PutPrefix(cursor, c, kGeneralTextMax * std::max<std::size_t>(FSeparator.size(), 1));
                d = PutNumber(d, length);
                break;
            }
            case StoredText::Whole:
                d = RowSource::PutPrefix(cursor, c, kIntegerRoom);
                d = std::to_chars(d, d + kIntegerRoom, v.whole).ptr;
                break;
            case StoredText::Date: {
                // Text that forms no valid date reads as 30 December 1899.
                const int year = v.validDate ? v.year : 1899, month = v.validDate ? v.month : 12, day = v.validDate ? v.day : 30;
                const char* end;
                if (FDatePlain) {
                    std::tm tm{};
                    tm.tm_year = year - 1900;
                    tm.tm_mon = month - 1;
                    tm.tm_mday = day;
                    end = FDatePattern.Put(FAscii, tm);
                } else {
                    end = PutDateText(FSettings, FAscii, year, month, day);
                }
                if (!end) return false;
                const std::size_t length = static_cast<std::size_t>(end - FAscii);
                d = RowSource::PutPrefix(cursor, c, XmlAttributeUtf8Room(length));
                if (FDatePlain || IsPlainAscii({FAscii, length})) {
                    d = Put(d, {FAscii, length});
                } else {
                    FValue.assign(FAscii, FAscii + length);
                    d = WriteXmlAttributeUtf8(FValue, FEscaped, d);
                }
                break;
            }
            case StoredText::Logical: {
                const std::string& literal = dbf::IsTrueLetter(v.letter) ? FColumns[i].trueText : FColumns[i].falseText;
                d = Put(RowSource::PutPrefix(cursor, c, literal.size()), literal);
                break;
            }
            default:
                return false;
        }
    }
    *d++ = '"';
    cursor.Done(d);
    return true;
}

// The plain document's rows.
using RowWriter = RowLoop<PlainValues>;

}  // namespace korvane
