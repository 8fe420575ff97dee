#include "conversion/RowWriter.h"

#include <charconv>
#include <cstring>
#include <variant>

#include "conversion/ConversionRun.h"
#include "conversion/OutputCursor.h"
#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "fields/DateTime.h"
#include "fields/NumberFormat.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"
#include "platform/CodePages.h"
#include "platform/Settings.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {

constexpr std::string_view kRowStart = "   <row";
constexpr std::string_view kRowEnd = " />";
constexpr std::size_t kIntegerRoom = 24;  // a sign and 19 digits

std::string EscapedUtf8(std::u16string_view text) {
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, text);
    return platform::Utf16ToUtf8(escaped);
}

char* Put(char* dest, std::string_view bytes) {
    std::memcpy(dest, bytes.data(), bytes.size());
    return dest + bytes.size();
}

void PutPiece(OutputCursor& cursor, std::string_view bytes) {
    cursor.Done(Put(cursor.Reserve(bytes.size()), bytes));
}

}  // namespace

RowWriter::RowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>* names)
    : FText(table, decoder), FFile(table.DbfFile()), FDecimalSeparator(platform::Settings().decimalSeparator) {
    const std::uint32_t system = platform::GetACP();
    // Text read in a code page the user asked for is decoded by the general path.
    if (!decoder) FSingleByte = SingleByteText::For(system);
    // CR and LF are written as the system code page's characters of those bytes.
    std::u16string lineBreak;
    FPlainLineEnd = system == platform::kCodePageUtf8 ||
                    (platform::MultiByteToWide(system, {reinterpret_cast<const std::uint8_t*>("\r\n"), 2}, lineBreak) &&
                     lineBreak == u"\r\n");
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField& field = *fields[i];
        Column c{Form::General, field.FieldNo - 1, {}, {}, {}};
        c.prefix = " " + platform::Utf16ToUtf8(names ? (*names)[i] : field.FieldName) + "=\"";
        switch (field.DataType) {
            case ftString:
                if (FSingleByte && dynamic_cast<TStringField*>(&field)) c.form = Form::Text;
                break;
            case ftMemo:
                if (FSingleByte && dynamic_cast<TMemoField*>(&field)) c.form = Form::Memo;
                break;
            case ftInteger:
            case ftAutoInc:
                c.form = Form::Integer;
                break;
            case ftSmallint:
                c.form = Form::Smallint;
                break;
            case ftLargeint:
                c.form = Form::Largeint;
                break;
            case ftFloat:
            case ftCurrency:
                c.form = Form::Float;
                break;
            case ftDate:
                c.form = Form::Date;
                break;
            case ftDateTime:
                c.form = Form::DateTime;
                break;
            case ftBoolean:
                if (auto* logical = dynamic_cast<TBooleanField*>(&field)) {
                    c.form = Form::Boolean;
                    c.trueText = EscapedUtf8(logical->DisplayTrue);
                    c.falseText = EscapedUtf8(logical->DisplayFalse);
                }
                break;
            default:
                break;
        }
        FColumns.push_back(std::move(c));
    }
}

RowWriter::~RowWriter() = default;

RowWriter::Value RowWriter::General(std::size_t i, dbf::TDbf& table) {
    FText.Read(*table.Fields()[i], i, FValue);
    Value v;
    v.kind = Value::Kind::Utf16;
    return v;
}

RowWriter::Value RowWriter::Read(const Column& c, std::size_t i, dbf::TDbf& table, std::span<const std::uint8_t> record) {
    Value v;
    if (c.form == Form::General) return General(i, table);
    if (c.form == Form::Memo) {
        static_cast<TMemoField&>(*table.Fields()[i]).GetBytes(FBytes);
        v.kind = Value::Kind::Bytes;
        v.bytes = {reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()};
        return v;
    }
    TField& field = *table.Fields()[i];
    const dbf::DecodedField decoded = FFile->DecodeField(c.column, field.DataType, record);
    // A field without a value has empty text; a value of a form this writer does not expect
    // is left to the field object.
    if (!decoded.hasValue) return v;
    const dbf::FieldValue& value = decoded.value;
    switch (c.form) {
        case Form::Text:
            if (const auto* text = std::get_if<dbf::TextValue>(&value)) {
                v.kind = Value::Kind::Bytes;
                v.bytes = text->bytes;
                return v;
            }
            break;
        case Form::Integer:
            if (const auto* n = std::get_if<std::int32_t>(&value)) {
                v.kind = Value::Kind::Integer;
                v.integer = *n;
                return v;
            }
            break;
        case Form::Smallint:
            if (const auto* n = std::get_if<std::int16_t>(&value)) {
                v.kind = Value::Kind::Integer;
                v.integer = *n;
                return v;
            }
            break;
        case Form::Largeint:
            if (const auto* n = std::get_if<std::int64_t>(&value)) {
                v.kind = Value::Kind::Integer;
                v.integer = *n;
                return v;
            }
            break;
        case Form::Float:
            if (const auto* d = std::get_if<double>(&value)) {
                FValue.clear();
                AppendGeneralFloat(FValue, *d, 15, FDecimalSeparator);
                v.kind = Value::Kind::Utf16;
                return v;
            }
            break;
        case Form::Date:
        case Form::DateTime:
            if (const auto* date = std::get_if<dbf::DateValue>(&value)) {
                FValue.clear();
                AppendDateTimeText(FValue, date->value, c.form == Form::DateTime);
                v.kind = Value::Kind::Utf16;
                return v;
            }
            break;
        case Form::Boolean:
            if (const auto* logical = std::get_if<std::uint16_t>(&value)) {
                v.kind = Value::Kind::Literal;
                v.literal = *logical != 0 ? c.trueText : c.falseText;
                return v;
            }
            break;
        default:
            break;
    }
    return General(i, table);
}

void RowWriter::PutAttribute(OutputCursor& cursor, const Column& c, const Value& v) {
    std::size_t room = c.prefix.size() + 1;
    switch (v.kind) {
        case Value::Kind::Empty:
            break;
        case Value::Kind::Bytes:
            room += SingleByteText::Room(v.bytes.size());
            break;
        case Value::Kind::Integer:
            room += kIntegerRoom;
            break;
        case Value::Kind::Utf16:
            room += XmlAttributeUtf8Room(FValue.size());
            break;
        case Value::Kind::Literal:
            room += v.literal.size();
            break;
    }
    char* d = Put(cursor.Reserve(room), c.prefix);
    switch (v.kind) {
        case Value::Kind::Empty:
            break;
        case Value::Kind::Bytes:
            d = FSingleByte->Write(v.bytes, d);
            break;
        case Value::Kind::Integer:
            d = std::to_chars(d, d + kIntegerRoom, v.integer).ptr;
            break;
        case Value::Kind::Utf16:
            d = WriteXmlAttributeUtf8(FValue, FEscaped, d);
            break;
        case Value::Kind::Literal:
            d = Put(d, v.literal);
            break;
    }
    *d++ = '"';
    cursor.Done(d);
}

void RowWriter::Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report) {
    OutputCursor cursor(out);
    const std::span<const std::uint8_t> record = table.CurrentRecordBytes();
    PutPiece(cursor, kRowStart);
    for (std::size_t i = 0; i < FColumns.size(); ++i) {
        Value v;
        try {
            v = Read(FColumns[i], i, table, record);
        } catch (...) {
            // Which value could not be read: the record and the field as the document names it.
            cursor.CommitDone();
            report.failedRecord = table.RecNo();
            report.failedField = platform::Utf16ToUtf8(table.Fields()[i]->FieldName);
            throw;
        }
        PutAttribute(cursor, FColumns[i], v);
    }
    if (FPlainLineEnd) {
        // The element's end and the line break: one line statement.
        char* d = Put(cursor.Reserve(kRowEnd.size() + 2), kRowEnd);
        if (out.CrLf) *d++ = '\r';
        *d++ = '\n';
        cursor.Done(d);
        cursor.Commit();
    } else {
        cursor.Commit();
        WriteLineStatement(out, u" />");
    }
}

}  // namespace korvane
