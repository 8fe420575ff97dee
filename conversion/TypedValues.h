// How the typed document writes a value: in XML Schema's lexical form, and only where there is
// one (an attribute left out is a field without a value, or null by the table's null flags).
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "conversion/RowLoop.h"
#include "conversion/RowSource.h"
#include "conversion/TypedSchema.h"

namespace korvane {

class TypedValues {
public:
    static constexpr bool kNullFlags = true;

    // `generalOnly`: every value through the general rules, none straight from the record
    // (tests compare the two ways).
    TypedValues(RowSource& source, dbf::TDbf& table, bool generalOnly = false);

    bool PutStored(OutputCursor& cursor, const RowColumn& c, std::size_t i, const StoredValue& v);
    void PutGeneral(OutputCursor& cursor, const RowColumn& c, std::size_t i, dbf::TDbf& table,
                    std::span<const std::uint8_t> record);

private:
    // Values of binary forms read through the typed decoding: a whole number, a time stamp, a
    // double, a currency amount; or a field's own bytes.
    enum class Way : std::uint8_t { General, Binary, Stamp, Double, Currency, Bytes };
    struct Column {
        Way way = Way::General;
        TFieldType kind = ftUnknown;  // the kind a binary form is decoded as
    };
    // The value of a binary form; false where the general rules decide.
    bool PutDecoded(OutputCursor& cursor, const RowColumn& c, std::size_t i, std::span<const std::uint8_t> record);
    // The value of field i of the current record by the general rules; false when the
    // attribute is left out.
    bool Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i);
    static void PutAscii(OutputCursor& cursor, const RowColumn& c, std::string_view text) {
        char* d = RowSource::PutPrefix(cursor, c, text.size());
        std::memcpy(d, text.data(), text.size());
        d += text.size();
        *d++ = '"';
        cursor.Done(d);
    }
    // XML Schema's boolean of a logical's stored letter; null for '?' (not yet known) and for
    // a letter no logical is stored with.
    static const char* XsdBoolean(std::uint8_t letter) {
        if (dbf::IsTrueLetter(letter)) return "true";
        return dbf::IsLogicalLetter(letter) && letter != '?' ? "false" : nullptr;
    }

    RowSource& FSource;
    std::vector<Column> FColumns;
    std::u16string FValue;  // a value's text, to be escaped
    std::u16string FEscaped;
    // A value in XML Schema's ASCII forms (numbers, dates, booleans, base64), which need no
    // escaping; set in place of FValue when FAsciiValue is.
    std::string FAscii;
    bool FAsciiValue = false;
    std::string FBytes;
    std::vector<std::uint8_t> FBuffer;
};

// In the header, so that the row loop has it in place.
inline bool TypedValues::PutStored(OutputCursor& cursor, const RowColumn& c, std::size_t, const StoredValue& v) {
    char ascii[96];  // a decimal of 15 digits and a power of ten within 10^-22 to 10^22 at the most
    char* a = ascii;
    if (c.stored == StoredText::Character) {
        // Always written: an empty text is a value here.
        char* d = FSource.singleByte->WritePadded(v.text, RowSource::PutPrefix(cursor, c, SingleByteText::Room(v.text.size())));
        *d++ = '"';
        cursor.Done(d);
        return true;
    }
    if (v.empty) return true;  // no value: no attribute
    switch (c.stored) {
        case StoredText::Decimal: {
            // The value exactly as its digits denote it: no leading or trailing zeros.
            const dbf::DecimalDigits& digits = v.digits;
            if (digits.count == 0) {
                *a++ = '0';
            } else {
                if (digits.negative) *a++ = '-';
                const int point = digits.exponent, count = digits.count;
                if (point <= 0) {
                    *a++ = '0', *a++ = '.';
                    for (int k = point; k < 0; ++k) *a++ = '0';
                    for (int k = 0; k < count; ++k) *a++ = digits.digits[k];
                } else {
                    for (int k = 0; k < count || k < point; ++k) {
                        if (k == point) *a++ = '.';
                        *a++ = k < count ? digits.digits[k] : '0';
                    }
                }
            }
            break;
        }
        case StoredText::Whole:
            a = std::to_chars(ascii, ascii + sizeof ascii, v.whole).ptr;
            break;
        case StoredText::Logical: {
            const char* boolean = XsdBoolean(v.letter);
            if (!boolean) return true;
            a = std::copy_n(boolean, std::strlen(boolean), ascii);
            break;
        }
        case StoredText::Date: {
            if (!v.validDate) return true;
            if (v.year < 0 || v.year > 9999) return false;
            // YYYY-MM-DD, as XsdDate writes it, without a formatting call per value.
            const auto two = [](char* at, int n) {
                at[0] = static_cast<char>('0' + n / 10 % 10);
                at[1] = static_cast<char>('0' + n % 10);
            };
            two(ascii, v.year / 100);
            two(ascii + 2, v.year % 100);
            ascii[4] = '-';
            two(ascii + 5, v.month);
            ascii[7] = '-';
            two(ascii + 8, v.day);
            a = ascii + 10;
            break;
        }
        default:
            return false;
    }
    PutAscii(cursor, c, {ascii, static_cast<std::size_t>(a - ascii)});
    return true;
}

// The typed document's rows.
using TypedRowWriter = RowLoop<TypedValues>;

}  // namespace korvane
