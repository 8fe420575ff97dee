// The typed core of value decoding: one field's bytes in a record into a typed value. The
// table file's GetFieldData is a thin adapter that stores the value into a caller's buffer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "dbf/DbfFieldDef.h"
#include "fields/DateTime.h"
#include "fields/FieldType.h"

namespace korvane::dbf {

enum TDateTimeHandling { dtDateTime, dtBDETimeStamp };

// What decoding needs besides the field: the table's level, how dBase 7 time stamps are read,
// and the _NULLFLAGS field (or none).
struct FieldDecodingContext {
    TXBaseVersion level = xUnknown;
    TDateTimeHandling dateTimeHandling = dtBDETimeStamp;
    const TDbfFieldDef* nullField = nullptr;
};

// A date or date-time; delivered as a TDateTime, or as a day number for a native date.
struct DateValue {
    TDateTime value;
};
// Text: the bytes up to the first zero byte (delivered zero-terminated).
struct TextValue {
    std::span<const std::uint8_t> bytes;
};
// Varbinary: the bytes as stored (delivered after a 16-bit length).
struct VarBytesValue {
    std::span<const std::uint8_t> bytes;
};

// A time stamp whose stored day and millisecond form none (a day outside the years 1 to 9999,
// a millisecond outside the day): it has no value. It keeps the bytes it is stored in.
struct InvalidTimeStamp {
    std::array<std::uint8_t, 8> bytes{};
    std::uint8_t size = 0;
};

// The value in the form its requested kind is delivered in; std::monostate when nothing is
// delivered (a caller's buffer keeps what it held).
using FieldValue = std::variant<std::monostate, std::int16_t, std::uint16_t, std::int32_t, std::int64_t, double, DateValue,
                                TextValue, VarBytesValue, InvalidTimeStamp>;

struct DecodedField {
    bool hasValue = false;  // false: null, blank, not a number or an invalid time stamp
    FieldValue value;       // an InvalidTimeStamp (without a value) for a time stamp that forms none
};

// Bytes as messages and annotations quote them: upper-case hexadecimal one space apart.
std::string HexBytes(std::span<const std::uint8_t> bytes);
// An invalid time stamp's stored bytes as messages quote them: "FF FF FF FF 00 00 00 00".
std::string InvalidTimeStampBytes(const InvalidTimeStamp& stamp);
// What the reader says of it: "FF FF FF FF 00 00 00 00 is not a valid timestamp".
std::string InvalidTimeStampText(const InvalidTimeStamp& stamp);

// Decodes field `def` of `record` as kind `kind`. With `wantValue` false only the has-value
// answer is computed (text is then not parsed). A time stamp that forms none has no value and
// is marked invalid.
DecodedField DecodeFieldValue(const FieldDecodingContext& context, const TDbfFieldDef& def, TFieldType kind,
                              std::span<const std::uint8_t> record, bool wantValue);

// Where a field's value is in a record: its stored width for numbers and dBase III/V
// integers, else its Size.
struct FieldByteRange {
    std::size_t offset = 0;
    std::size_t width = 0;
    // The field's bytes cut to the record: a field reaching past the record's end reads only
    // what the record holds.
    std::span<const std::uint8_t> In(std::span<const std::uint8_t> record) const {
        if (offset >= record.size()) return {};
        return record.subspan(offset, width < record.size() - offset ? width : record.size() - offset);
    }
};
FieldByteRange FieldBytesOf(const TDbfFieldDef& def);
// The bytes a field's value is decoded from.
std::span<const std::uint8_t> FieldBytes(const TDbfFieldDef& def, std::span<const std::uint8_t> record);
// The text a value stored as text is read from: the field's bytes without trailing blanks and
// zero bytes and, for kinds other than ftString, without leading blanks.
std::span<const std::uint8_t> TrimmedText(std::span<const std::uint8_t> field, TFieldType kind);
// A logical's stored letter: T, t, Y or y is true; every other letter reads as false.
constexpr bool IsTrueLetter(std::uint8_t c) {
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}
// The letters a logical is stored with: true, false, and '?' for not yet known.
constexpr bool IsLogicalLetter(std::uint8_t c) {
    return IsTrueLetter(c) || c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '?';
}
// Text up to its first zero byte: a character value ends there.
std::span<const std::uint8_t> BeforeZeroByte(std::span<const std::uint8_t> text);
// The same two for a field whose bytes are followed by at least 16 more readable bytes (a
// record copied into a padded buffer), read sixteen bytes at a time: TrimmedText, and a
// character value's bytes (BeforeZeroByte of its TrimmedText as ftString).
std::span<const std::uint8_t> TrimmedTextPadded(std::span<const std::uint8_t> field, TFieldType kind);
std::span<const std::uint8_t> CharacterTextPadded(std::span<const std::uint8_t> field);
// Whether the record's _NULLFLAGS bit marks the field null (false without one).
bool NullFlagSet(const TDbfFieldDef* nullField, const TDbfFieldDef& def, std::span<const std::uint8_t> record);

// The date in a date field's text (blanks already dropped): year in bytes 0-3, month 4-5,
// day 6-7; false when they form no valid date (the value then reads as 30 December 1899).
bool DecodeDateText(const std::uint8_t* text, std::size_t length, int& year, int& month, int& day);

}  // namespace korvane::dbf
