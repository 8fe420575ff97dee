#include "conversion/TypedDocument.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "conversion/ConversionReport.h"
#include "conversion/XmlText.h"
#include "conversion/XsdValues.h"
#include "dbf/Dbf.h"
#include "fields/OtherFields.h"
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

}  // namespace

void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names) {
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
        const Xsd kind = XsdOf(def);
        const std::string letter = def.NativeFieldType >= 0x20 && def.NativeFieldType < 0x7F
                                       ? std::string(1, static_cast<char>(def.NativeFieldType))
                                       : "&#" + std::to_string(def.NativeFieldType) + ";";
        WriteLineStatement(out, u"                     <xs:attribute name=\"" + names[i] + u"\" use=\"optional\">");
        WriteLineStatement(
            out, u"                        <xs:annotation><xs:appinfo><korvane:field type=\"" + platform::Widen(letter) +
                     u"\" width=\"" + platform::Widen(std::to_string(def.DescriptorWidth)) + u"\" decimals=\"" +
                     platform::Widen(std::to_string(def.DescriptorPrecision)) + u"\"/></xs:appinfo></xs:annotation>");
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
                               TextWatch* watch)
    : FText(table, decoder),
      FAudit(table, Utf8Names(names)),
      FWatch(watch),
      FSingleByte(decoder ? nullptr : SingleByteText::For(platform::GetACP())),
      FMemo(*table.DbfFile(), FSingleByte.get(), decoder, watch) {
    for (const std::u16string& name : names) FPrefixes.push_back(u" " + name + u"=\"");
    // Memos and blobs are streamed, so that no value is held whole.
    const dbf::TDbfFieldDefs& defs = table.DbfFile()->FieldDefs();
    for (std::size_t i = 0; i < names.size(); ++i) {
        TField& field = *table.Fields()[i];
        const Xsd kind = XsdOf(defs.Items(static_cast<int>(i)));
        if (kind == Xsd::Memo && FMemo.StreamsText() && dynamic_cast<TMemoField*>(&field))
            FStreamed.push_back(Streamed::Text);
        else if (kind == Xsd::Binary && dynamic_cast<TBlobField*>(&field))
            FStreamed.push_back(Streamed::Base64);
        else
            FStreamed.push_back(Streamed::No);
    }
}

bool TypedRowWriter::Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i) {
    dbf::TDbfFile& file = *table.DbfFile();
    const dbf::TDbfFieldDef& def = file.FieldDefs().Items(static_cast<int>(i));
    // In this document, and only here, the null bits decide what is written.
    if (file.NullFlagSet(def, record)) return false;
    TField& field = *table.Fields()[i];
    const int column = static_cast<int>(i);
    auto ascii = [&](const std::string& text) {
        FValue.assign(text.begin(), text.end());
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
    const std::span<const std::uint8_t> record = table.CurrentRecordBytes();
    FAudit.ReportTo(report);
    FPiece = u"   <row";
    for (std::size_t i = 0; i < FPrefixes.size(); ++i) {
        bool present = false;
        try {
            if (FStreamed[i] != Streamed::No) {
                // In this document, and only here, the null bits decide what is written.
                if (table.DbfFile()->NullFlagSet(table.DbfFile()->FieldDefs().Items(static_cast<int>(i)), record)) continue;
                FPiece += FPrefixes[i];
                Write0UString(out, FPiece);
                const std::int32_t block = FMemo.BlockOf(static_cast<int>(i), record);
                const auto put = [&](std::string_view bytes) { WriteBytes(out, bytes.data(), bytes.size()); };
                if (FStreamed[i] == Streamed::Text)
                    FMemo.WriteText(block, put);
                else
                    FMemo.WriteBase64(block, put);
                FPiece = u"\"";
                continue;
            }
            present = Value(table, record, i);
        } catch (...) {
            report.failedRecord = table.RecNo();
            report.failedField = platform::Utf16ToUtf8(FPrefixes[i].substr(1, FPrefixes[i].size() - 3));
            throw;
        }
        if (!present) continue;
        FPiece += FPrefixes[i];
        AppendXmlAttributeValue(FPiece, FValue);
        FPiece += u'"';
    }
    FPiece += u" />";
    WriteLineStatement(out, FPiece);
}

}  // namespace korvane
