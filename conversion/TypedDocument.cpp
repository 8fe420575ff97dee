#include "conversion/TypedDocument.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "conversion/ConversionReport.h"
#include "conversion/OutputCursor.h"
#include "conversion/XmlText.h"
#include "conversion/XsdValues.h"
#include "dbf/Dbf.h"
#include "dbf/NumberText.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"
#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {

// What a field's values are in the typed document, by its type letter.
enum class Xsd { String, Memo, Decimal, Currency, Integer, Short, Int, Long, Double, Boolean, Date, DateTime, Time, Binary };

Xsd XsdOf(const dbf::TDbfFieldDef& def) {
    switch (def.NativeFieldType) {
        case 'C':
        case 'V':
        case 0x91:
        case dbf::TDbfFieldDef::kUnicodeCharacter:
        case dbf::TDbfFieldDef::kUnicodeVarchar:
            return Xsd::String;
        case 'Q':
            return def.FieldType == ftString ? Xsd::String : Xsd::Binary;
        case 'M':
            return def.BinaryMemo() ? Xsd::Binary : Xsd::Memo;
        case dbf::TDbfFieldDef::kUnicodeMemo:
            return Xsd::Memo;
        case 'N':
        case 'F':
            return def.FieldType == ftFloat ? Xsd::Decimal : Xsd::Integer;
        case 'Y':
            return Xsd::Currency;
        case 'I':
            if (def.ScaledInteger()) return Xsd::Decimal;
            return def.FieldType == ftLargeint ? Xsd::Long : Xsd::Int;
        case '+':
        case '4':
            return Xsd::Int;
        case '2':
            return Xsd::Short;
        case '^':
            return Xsd::Long;
        case '8':
            return Xsd::Double;
        case '=':
            return Xsd::DateTime;
        case 'B':
            return def.FieldType == ftFloat ? Xsd::Double : Xsd::Binary;
        case 'O':
            return Xsd::Double;
        case 'L':
            return Xsd::Boolean;
        case 'D':
            return Xsd::Date;
        case 'T':
            return def.TimeOfDay() ? Xsd::Time : Xsd::DateTime;
        case '@':
            return Xsd::DateTime;
        default:
            return Xsd::Binary;  // Q, G, W, 0 and _NULLFLAGS
    }
}

const char16_t* TypeName(Xsd kind) {
    switch (kind) {
        case Xsd::String:
        case Xsd::Memo:
            return u"xs:string";
        case Xsd::Decimal:
        case Xsd::Currency:
            return u"xs:decimal";
        case Xsd::Integer:
            return u"xs:integer";
        case Xsd::Short:
            return u"xs:short";
        case Xsd::Int:
            return u"xs:int";
        case Xsd::Long:
            return u"xs:long";
        case Xsd::Double:
            return u"xs:double";
        case Xsd::Boolean:
            return u"xs:boolean";
        case Xsd::Date:
            return u"xs:date";
        case Xsd::DateTime:
            return u"xs:dateTime";
        case Xsd::Time:
            return u"xs:time";
        case Xsd::Binary:
            return u"xs:base64Binary";
    }
    return u"xs:string";
}

// The field's stored text without the blanks and zero bytes around it, and up to a zero byte.
std::string_view TrimmedText(std::span<const std::uint8_t> bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text = text.substr(0, text.find('\0'));
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The type byte as the annotation shows it: the letter itself where an attribute value carries
// it as it is, else 0x and two hexadecimal digits (Harbour's Unicode fields are 0x1A to 0x1C,
// and XML 1.0 has no way to write those characters at all).
std::u16string TypeByteText(std::uint8_t type) {
    if (type > 0x20 && type < 0x7F && type != '"' && type != '&' && type != '<')
        return std::u16string(1, static_cast<char16_t>(type));
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    return std::u16string(u"0x") + kHex[type >> 4] + kHex[type & 15];
}

// The field's own name where its attribute name differs from it: its stored bytes (before
// upper-casing, up to a zero byte) decoded as the document decodes names, or those bytes in
// hexadecimal where XML cannot carry the name.
std::u16string OwnNameAttribute(const dbf::TDbfFieldDef& def, const std::u16string& attribute, platform::TextDecoder* decoder,
                                std::uint32_t systemCodePage) {
    const std::string& stored = def.StoredName;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size());
    std::u16string name;
    if (decoder)
        decoder->Decode(bytes, name);
    else
        platform::MultiByteToWide(systemCodePage, bytes, name);
    if (name == attribute) return {};
    if (!XmlCarries(name)) return u" name-bytes=\"" + platform::Widen(dbf::HexBytes(bytes)) + u"\"";
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, name);
    return u" name=\"" + escaped + u"\"";
}

}  // namespace

void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names, platform::TextDecoder* decoder) {
    WriteLineStatement(out, u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    WriteLineStatement(out, u"<table>");
    WriteLineStatement(out,
                       u"   <xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:korvane=\"urn:korvane:dbf-field\">");
    WriteLineStatement(out, u"      <xs:element name=\"table\">");
    WriteLineStatement(out, u"         <xs:complexType>");
    WriteLineStatement(out, u"            <xs:sequence>");
    // The schema itself stands in the document; validation passes over it.
    WriteLineStatement(out, u"               <xs:any namespace=\"http://www.w3.org/2001/XMLSchema\" processContents=\"skip\"/>");
    WriteLineStatement(out, u"               <xs:element name=\"row\" minOccurs=\"0\" maxOccurs=\"unbounded\">");
    WriteLineStatement(out, u"                  <xs:complexType>");
    const dbf::TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const dbf::TDbfFieldDef& def = defs.Items(static_cast<int>(i));
        // The null flags are the table's own bookkeeping: the attributes left out say it.
        if (&def == table.DbfFile()->NullField()) continue;
        const Xsd kind = XsdOf(def);
        WriteLineStatement(out, u"                     <xs:attribute name=\"" + names[i] + u"\" use=\"optional\">");
        WriteLineStatement(out, u"                        <xs:annotation><xs:appinfo><korvane:field" +
                                    OwnNameAttribute(def, names[i], decoder, table.Settings.ansiCodePage) + u" type=\"" +
                                    TypeByteText(def.NativeFieldType) + u"\" width=\"" +
                                    platform::Widen(std::to_string(def.DescriptorWidth)) + u"\" decimals=\"" +
                                    platform::Widen(std::to_string(def.DescriptorPrecision)) +
                                    u"\"/></xs:appinfo></xs:annotation>");
        if (kind == Xsd::String) {
            WriteLineStatement(out, u"                        <xs:simpleType>");
            WriteLineStatement(out, u"                           <xs:restriction base=\"xs:string\">");
            WriteLineStatement(out, u"                              <xs:maxLength value=\"" +
                                        platform::Widen(std::to_string(std::max(def.Size, 0))) + u"\"/>");
            WriteLineStatement(out, u"                           </xs:restriction>");
            WriteLineStatement(out, u"                        </xs:simpleType>");
        } else {
            WriteLineStatement(out, u"                        <xs:simpleType><xs:restriction base=\"" +
                                        std::u16string(TypeName(kind)) + u"\"/></xs:simpleType>");
        }
        WriteLineStatement(out, u"                     </xs:attribute>");
    }
    WriteLineStatement(out, u"                  </xs:complexType>");
    WriteLineStatement(out, u"               </xs:element>");
    WriteLineStatement(out, u"            </xs:sequence>");
    WriteLineStatement(out, u"         </xs:complexType>");
    WriteLineStatement(out, u"      </xs:element>");
    WriteLineStatement(out, u"   </xs:schema>");
}

namespace {
std::vector<std::string> Utf8Names(const std::vector<std::u16string>& names) {
    std::vector<std::string> result;
    for (const std::u16string& name : names) result.push_back(platform::Utf16ToUtf8(name));
    return result;
}
}  // namespace

TypedRowWriter::TypedRowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names,
                               TextWatch* watch, bool generalOnly)
    : FText(table, decoder),
      FAudit(table, Utf8Names(names)),
      FWatch(watch),
      FSingleByte(decoder ? nullptr : SingleByteText::For(table.Settings.ansiCodePage)),
      FMemo(*table.DbfFile(), table.Settings.ansiCodePage, FSingleByte.get(), decoder, watch),
      FFile(table.DbfFile()),
      FPlainLineBreak(LineBreakIsPlain(table.Settings.ansiCodePage)) {
    for (const std::u16string& name : names) FPrefixes.push_back(" " + platform::Utf16ToUtf8(name) + "=\"");
    const dbf::TDbfFieldDefs& defs = table.DbfFile()->FieldDefs();
    for (std::size_t i = 0; i < names.size(); ++i) {
        TField& field = *table.Fields()[i];
        const dbf::TDbfFieldDef& def = defs.Items(static_cast<int>(i));
        Column c;
        c.bytes = dbf::FieldBytesOf(def);
        const Xsd kind = XsdOf(def);
        const bool numeric = def.NativeFieldType == 'N' || def.NativeFieldType == 'F';
        // Memos and blobs are streamed, so that no value is held whole; values stored as text
        // are read straight from the record where the system's code page has byte tables.
        if (kind == Xsd::Memo && FMemo.StreamsText() && dynamic_cast<TMemoField*>(&field))
            c.way = Way::Text;
        else if (kind == Xsd::Binary && dynamic_cast<TBlobField*>(&field))
            c.way = Way::Base64;
        else if (kind == Xsd::String && def.NativeFieldType == 'C' && FSingleByte && dynamic_cast<TStringField*>(&field))
            c.way = Way::Character;
        else if (kind == Xsd::Decimal && numeric)
            c.way = Way::Decimal;
        else if (kind == Xsd::Integer && numeric)
            c.way = Way::Whole;
        else if (kind == Xsd::Boolean && def.NativeFieldType == 'L')
            c.way = Way::Logical;
        else if (kind == Xsd::Date && !def.BinaryDate())
            c.way = Way::Date;
        else if ((kind == Xsd::Int || kind == Xsd::Long || kind == Xsd::Short) && !numeric)
            c.way = Way::Binary;
        else if (kind == Xsd::DateTime)
            c.way = Way::Stamp;
        else if (kind == Xsd::Double)
            c.way = Way::Double;
        else if (kind == Xsd::Currency)
            c.way = Way::Currency;
        else if (kind == Xsd::Binary && def.NativeFieldType == '0' && c.bytes.width <= 48)
            c.way = Way::Bytes;
        c.kind = def.FieldType;
        c.skip = &def == table.DbfFile()->NullField();
        if (generalOnly && c.way != Way::Text && c.way != Way::Base64) c.way = Way::General;
        c.lowest = def.FieldType == ftSmallint ? INT16_MIN : def.FieldType == ftInteger ? INT32_MIN : INT64_MIN;
        c.highest = def.FieldType == ftSmallint ? INT16_MAX : def.FieldType == ftInteger ? INT32_MAX : INT64_MAX;
        FColumns.push_back(c);
    }
}

char* TypedRowWriter::PutPrefix(OutputCursor& cursor, std::size_t i, std::size_t valueRoom) {
    const std::string& prefix = FPrefixes[i];
    char* d = cursor.Reserve(prefix.size() + valueRoom + 1);
    std::memcpy(d, prefix.data(), prefix.size());
    return d + prefix.size();
}

bool TypedRowWriter::PutStored(OutputCursor& cursor, std::size_t i, std::span<const std::uint8_t> record) {
    const Column& c = FColumns[i];
    const std::span<const std::uint8_t> field = c.bytes.In(record);
    char ascii[96];  // a decimal of 15 digits and a power of ten within 10^-22 to 10^22 at the most
    std::size_t length = 0;
    switch (c.way) {
        case Way::Character: {
            const std::span<const std::uint8_t> text = dbf::CharacterTextPadded(field);
            if (FWatch && FWatch->Active()) {
                FWatch->See(text);
                FWatch->EndValue();
            }
            char* d = FSingleByte->WritePadded(text, PutPrefix(cursor, i, SingleByteText::Room(text.size())));
            *d++ = '"';
            cursor.Done(d);
            return true;
        }
        case Way::Decimal: {
            const std::span<const std::uint8_t> text = dbf::TrimmedTextPadded(field, ftFloat);
            if (text.empty()) return true;  // blank: no value
            dbf::DecimalDigits digits;
            if (!dbf::ParseDecimalDigits(text.data(), text.size(), digits)) return false;
            // The value exactly as its digits denote it: no leading or trailing zeros.
            char* a = ascii;
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
            length = static_cast<std::size_t>(a - ascii);
            break;
        }
        case Way::Whole: {
            const std::span<const std::uint8_t> text = dbf::TrimmedTextPadded(field, ftFloat);
            if (text.empty()) return true;
            std::int64_t n = 0;
            if (!dbf::ParseIntegerDigits(text.data(), text.size(), n)) return false;
            if (n < c.lowest || n > c.highest) return true;  // out of the kind's range: no value
            length = static_cast<std::size_t>(std::to_chars(ascii, ascii + sizeof ascii, n).ptr - ascii);
            break;
        }
        case Way::Logical: {
            const std::string_view text = TrimmedText(field);
            if (text.empty()) return true;
            const auto first = static_cast<std::uint8_t>(text[0]);
            if (dbf::IsTrueLetter(first)) {
                std::memcpy(ascii, "true", 4), length = 4;
            } else if (first == 'F' || first == 'f' || first == 'N' || first == 'n') {
                std::memcpy(ascii, "false", 5), length = 5;
            } else {
                FAudit.Logical(i, first);
                return true;
            }
            break;
        }
        case Way::Date: {
            const std::string_view text = TrimmedText(field);
            if (text.empty()) return true;
            const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            int year = 0, month = 0, day = 0;
            if (!dbf::DecodeDateText(bytes.data(), bytes.size(), year, month, day)) {
                FAudit.Date(i, bytes);
                return true;
            }
            // YYYY-MM-DD, as XsdDate writes it, without a formatting call per value.
            const auto two = [](char* at, int v) {
                at[0] = static_cast<char>('0' + v / 10 % 10);
                at[1] = static_cast<char>('0' + v % 10);
            };
            if (year < 0 || year > 9999) return false;
            two(ascii, year / 100);
            two(ascii + 2, year % 100);
            ascii[4] = '-';
            two(ascii + 5, month);
            ascii[7] = '-';
            two(ascii + 8, day);
            length = 10;
            break;
        }
        case Way::Binary:
        case Way::Stamp:
        case Way::Double:
        case Way::Currency: {
            const dbf::DecodedField decoded = FFile->DecodeField(static_cast<int>(i),
                                                                 c.way == Way::Currency ? ftBCD
                                                                 : c.way == Way::Double ? ftFloat
                                                                                        : c.kind,
                                                                 record);
            if (!decoded.hasValue) {
                if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FAudit.TimeStamp(i, *stamp);
                return true;  // no value
            }
            std::string text;
            if (const auto* date = std::get_if<dbf::DateValue>(&decoded.value))
                text = XsdDateTime(date->value);
            else if (const auto* real = std::get_if<double>(&decoded.value))
                text = XsdDouble(*real);
            else if (const auto* wide = std::get_if<std::int64_t>(&decoded.value))
                text = c.way == Way::Currency ? CurrencyDecimal(*wide) : std::to_string(*wide);
            else if (const auto* whole = std::get_if<std::int32_t>(&decoded.value))
                text = std::to_string(*whole);
            else if (const auto* small = std::get_if<std::int16_t>(&decoded.value))
                text = std::to_string(*small);
            else
                return false;  // a form this way does not expect: the general rules decide
            length = std::min(text.size(), sizeof ascii);
            std::memcpy(ascii, text.data(), length);
            break;
        }
        case Way::Bytes: {
            const std::string text = Base64(field);
            length = text.size();
            std::memcpy(ascii, text.data(), length);
            break;
        }
        default:
            return false;
    }
    char* d = PutPrefix(cursor, i, length);
    std::memcpy(d, ascii, length);
    d += length;
    *d++ = '"';
    cursor.Done(d);
    return true;
}

bool TypedRowWriter::Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i) {
    dbf::TDbfFile& file = *table.DbfFile();
    const dbf::TDbfFieldDef& def = file.FieldDefs().Items(static_cast<int>(i));
    // In this document, and only here, the null bits decide what is written.
    if (file.NullFlagSet(def, record)) return false;
    TField& field = *table.Fields()[i];
    const int column = static_cast<int>(i);
    FAsciiValue = false;
    auto ascii = [&](const std::string& text) {
        FAscii = text;
        FAsciiValue = true;
        return true;
    };
    // A number stored as text that has no value is looked at once more.
    auto noNumber = [&] {
        FAudit.NumberWithoutValue(i, dbf::FieldBytes(def, record));
        return false;
    };
    switch (XsdOf(def)) {
        case Xsd::String:
            if (FWatch && FWatch->Active()) {
                const dbf::DecodedField stored = file.DecodeField(column, ftString, record);
                if (const auto* text = std::get_if<dbf::TextValue>(&stored.value)) FWatch->See(text->bytes);
                FWatch->EndValue();
            }
            FText.Read(field, i, FValue);
            return true;
        case Xsd::Memo:
            FText.Read(field, i, FValue);
            return true;
        case Xsd::Decimal: {
            if (def.ScaledInteger()) {
                // The stored integer with its decimals, exactly.
                std::int64_t stored = 0;
                const dbf::TDbfFieldDef whole = [&] {
                    dbf::TDbfFieldDef copy = def;
                    copy.DescriptorPrecision = 0;
                    return copy;
                }();
                if (!file.GetFieldDataFromDef(whole, ftLargeint, record, &stored, true)) return false;
                return ascii(ScaledDecimal(stored, def.DescriptorPrecision));
            }
            // Written from the text itself, exactly; the reader's parse decides what is a number.
            double parsed = 0;
            if (!file.GetFieldData(column, ftFloat, record, &parsed, true)) return noNumber();
            const std::optional<std::string> exact = ExactDecimal(TrimmedText(dbf::FieldBytes(def, record)));
            return exact && ascii(*exact);
        }
        case Xsd::Currency: {
            std::int64_t amount = 0;
            return file.GetFieldData(column, ftBCD, record, &amount, true) && ascii(CurrencyDecimal(amount));
        }
        case Xsd::Integer:
        case Xsd::Short:
        case Xsd::Int:
        case Xsd::Long: {
            // The reader's integer value for the field's kind, its rounding of a fraction included.
            std::int64_t value = 0;
            const bool text = def.NativeFieldType == 'N' || def.NativeFieldType == 'F';
            if (def.FieldType == ftLargeint) {
                if (!file.GetFieldData(column, ftLargeint, record, &value, true)) return text && noNumber();
            } else if (def.FieldType == ftSmallint) {
                std::int16_t small = 0;
                if (!file.GetFieldData(column, ftSmallint, record, &small, true)) return text && noNumber();
                value = small;
            } else {
                std::int32_t v = 0;
                if (!file.GetFieldData(column, def.FieldType, record, &v, true)) return text && noNumber();
                value = v;
            }
            return ascii(std::to_string(value));
        }
        case Xsd::Double: {
            double value = 0;
            return file.GetFieldData(column, ftFloat, record, &value, true) && ascii(XsdDouble(value));
        }
        case Xsd::Boolean: {
            const std::string_view text = TrimmedText(dbf::FieldBytes(def, record));
            if (text.empty()) return false;
            const auto first = static_cast<std::uint8_t>(text[0]);
            if (dbf::IsTrueLetter(first)) return ascii("true");
            if (first == 'F' || first == 'f' || first == 'N' || first == 'n') return ascii("false");
            FAudit.Logical(i, first);
            return false;
        }
        case Xsd::Time: {
            const dbf::DecodedField decoded = file.DecodeField(column, ftTime, record);
            if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FAudit.TimeStamp(i, *stamp);
            const auto* time = std::get_if<dbf::DateValue>(&decoded.value);
            return decoded.hasValue && time && ascii(XsdTime(time->value));
        }
        case Xsd::Date: {
            if (def.BinaryDate()) {
                const dbf::DecodedField decoded = file.DecodeField(column, ftDate, record);
                const auto* date = std::get_if<dbf::DateValue>(&decoded.value);
                return decoded.hasValue && date && ascii(XsdDateTime(date->value).substr(0, 10));
            }
            const std::string_view text = TrimmedText(dbf::FieldBytes(def, record));
            int year = 0, month = 0, day = 0;
            if (text.empty()) return false;
            const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            if (!dbf::DecodeDateText(bytes.data(), bytes.size(), year, month, day)) {
                FAudit.Date(i, bytes);
                return false;
            }
            return ascii(XsdDate(year, month, day));
        }
        case Xsd::DateTime: {
            const dbf::DecodedField decoded = file.DecodeField(column, ftDateTime, record);
            if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FAudit.TimeStamp(i, *stamp);
            const auto* date = std::get_if<dbf::DateValue>(&decoded.value);
            return decoded.hasValue && date && ascii(XsdDateTime(date->value));
        }
        case Xsd::Binary: {
            if (auto* blob = dynamic_cast<TBlobField*>(&field)) {
                blob->GetBytes(FBytes);
            } else if (def.NativeFieldType == 'Q') {
                FBuffer.resize(static_cast<std::size_t>(std::max(def.Size, 0)) + 2);
                FBytes.clear();
                if (file.GetFieldData(column, ftVarBytes, record, FBuffer.data(), true)) {
                    const std::size_t length = static_cast<std::size_t>(FBuffer[0] | (FBuffer[1] << 8));
                    FBytes.assign(reinterpret_cast<const char*>(FBuffer.data() + 2), length);
                }
            } else {
                const std::span<const std::uint8_t> bytes = dbf::FieldBytes(def, record);
                FBytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            }
            return ascii(Base64({reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()}));
        }
    }
    return false;
}

void TypedRowWriter::Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report) {
    OutputCursor cursor(out);
    // The record in a padded copy, so that values are read sixteen bytes at a time.
    const std::span<const std::uint8_t> current = table.CurrentRecordBytes();
    const std::span<const std::uint8_t> record = FRecord.Copy(current);
    dbf::TDbfFile& file = *table.DbfFile();
    FAudit.ReportTo(report);
    char* start = cursor.Reserve(7);
    std::memcpy(start, "   <row", 7);
    cursor.Done(start + 7);
    for (std::size_t i = 0; i < FPrefixes.size(); ++i) {
        const Column& c = FColumns[i];
        if (c.skip) continue;
        // In this document, and only here, the null bits decide what is written.
        if (file.NullFlagSet(file.FieldDefs().Items(static_cast<int>(i)), record)) continue;
        bool present = false;
        try {
            if (c.way == Way::Text || c.way == Way::Base64) {
                const auto put = [&](std::string_view bytes) {
                    char* d = cursor.Reserve(bytes.size());
                    std::memcpy(d, bytes.data(), bytes.size());
                    cursor.Done(d + bytes.size());
                };
                put(FPrefixes[i]);
                const std::int32_t block = FMemo.BlockOf(static_cast<int>(i), record);
                if (c.way == Way::Text)
                    FMemo.WriteText(block, put);
                else
                    FMemo.WriteBase64(block, put);
                put("\"");
                continue;
            }
            if (c.way != Way::General && !record.empty() && PutStored(cursor, i, record)) continue;
            present = Value(table, record, i);
        } catch (...) {
            cursor.CommitDone();
            report.failedRecord = table.RecNo();
            report.failedField = FPrefixes[i].substr(1, FPrefixes[i].size() - 3);
            throw;
        }
        if (!present) continue;
        char* d;
        if (FAsciiValue) {
            d = PutPrefix(cursor, i, FAscii.size());
            std::memcpy(d, FAscii.data(), FAscii.size());
            d += FAscii.size();
        } else {
            d = WriteXmlAttributeUtf8(FValue, FEscaped, PutPrefix(cursor, i, XmlAttributeUtf8Room(FValue.size())));
        }
        *d++ = '"';
        cursor.Done(d);
    }
    EndRow(cursor, out, FPlainLineBreak);
}

}  // namespace korvane
