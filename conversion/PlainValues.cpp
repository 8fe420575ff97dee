#include "conversion/PlainValues.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <variant>

#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "dbf/FieldValue.h"
#include "dbf/NumberText.h"
#include "fields/NumberFormat.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {

std::string EscapedUtf8(std::u16string_view text) {
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, text);
    return platform::Utf16ToUtf8(escaped);
}

}  // namespace

PlainValues::PlainValues(RowSource& source, dbf::TDbf& table)
    : FSource(source),
      FSettings(table.Settings),
      FSeparator(EscapedUtf8(std::u16string(1, table.Settings.decimalSeparator))),
      FSeparatorByte(FSeparator.size() == 1 ? FSeparator[0] : kGeneralSeparator) {
    // The regional date pattern, compiled once. A pattern of plain characters only writes
    // plain text (digits, its pads and its literals), which needs no escaping.
    const std::string& dateFormat = table.Settings.shortDateFormat;
    FDatePlain = !dateFormat.empty() && IsPlainAscii(dateFormat) && FDatePattern.Compile(dateFormat);
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField& field = *fields[i];
        RowColumn& rc = source.columns[i];
        Column c;
        switch (field.DataType) {
            case ftString:
                if (source.singleByte && dynamic_cast<TStringField*>(&field)) c.form = Form::Text;
                break;
            case ftMemo:
                // Memos are streamed wherever their text can be: read in the system's single-byte
                // code page or in one the user asked for.
                if (source.memo.StreamsText() && dynamic_cast<TMemoField*>(&field)) rc.stream = Stream::Text;
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
            case ftTime:
                c.form = Form::Time;
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
        // Blobs (pictures, OLE objects, binary data) are streamed too: they may be far larger
        // than anything a value should be held in whole.
        if (source.memo.StreamsBytes() && dynamic_cast<TBlobField*>(&field) && !dynamic_cast<TMemoField*>(&field) &&
            !dynamic_cast<TWideMemoField*>(&field))
            rc.stream = Stream::Bytes;
        FColumns.push_back(std::move(c));
    }
}

PlainValues::Value PlainValues::General(std::size_t i, dbf::TDbf& table) {
    FSource.text.Read(*table.Fields()[i], i, FValue);
    Value v;
    v.kind = Value::Kind::Utf16;
    return v;
}

char* PlainValues::PutNumber(char* d, std::size_t length) const {
    // A one-byte separator is in the text already; a longer one replaces its stand-in.
    if (FSeparator.size() == 1) {
        std::memcpy(d, FAscii, kGeneralTextMax);
        return d + length;
    }
    for (std::size_t k = 0; k < length; ++k) {
        if (FAscii[k] == kGeneralSeparator)
            d = Put(d, FSeparator);
        else
            *d++ = FAscii[k];
    }
    return d;
}

void PlainValues::PutGeneral(OutputCursor& cursor, const RowColumn& c, std::size_t i, dbf::TDbf& table,
                             std::span<const std::uint8_t> record) {
    PutAttribute(cursor, c, Read(c, i, table, record));
}

PlainValues::Value PlainValues::Read(const RowColumn& rc, std::size_t i, dbf::TDbf& table, std::span<const std::uint8_t> record) {
    const Column& c = FColumns[i];
    Value v;
    switch (c.form) {
        case Form::General:
            return General(i, table);
        default:
            break;
    }
    const dbf::DecodedField decoded = FSource.file->DecodeField(rc.column, table.Fields()[i]->DataType, record);
    // A field without a value has empty text; a value of a form this writer does not expect
    // is left to the field object.
    if (!decoded.hasValue) {
        if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value))
            FSource.audit.TimeStamp(i, *stamp);
        else if (rc.stored == StoredText::Decimal || rc.stored == StoredText::Whole)
            FSource.audit.NumberWithoutValue(i, rc.bytes.In(record));
        return v;
    }
    const dbf::FieldValue& value = decoded.value;
    const auto whole = [&](auto type) {
        const auto* n = std::get_if<decltype(type)>(&value);
        if (!n) return false;
        v.kind = Value::Kind::Integer;
        v.integer = *n;
        return true;
    };
    switch (c.form) {
        case Form::Text:
            if (const auto* text = std::get_if<dbf::TextValue>(&value)) {
                if (FSource.watch && FSource.watch->Active()) {
                    FSource.watch->See(text->bytes);
                    FSource.watch->EndValue();
                }
                v.kind = Value::Kind::Bytes;
                v.bytes = text->bytes;
                return v;
            }
            break;
        case Form::Integer:
            if (whole(std::int32_t{})) return v;
            break;
        case Form::Smallint:
            if (whole(std::int16_t{})) return v;
            break;
        case Form::Largeint:
            if (whole(std::int64_t{})) return v;
            break;
        case Form::Float:
            if (const auto* d = std::get_if<double>(&value)) {
                v.kind = Value::Kind::Number;
                v.length = GeneralFloatText(FAscii, *d, 15, FSeparatorByte);
                return v;
            }
            break;
        case Form::Date:
        case Form::DateTime:
            if (const auto* date = std::get_if<dbf::DateValue>(&value)) {
                if (const char* end = PutDateTimeText(FSettings, FAscii, date->value, c.form == Form::DateTime)) {
                    v.kind = Value::Kind::Ascii;
                    v.length = static_cast<std::size_t>(end - FAscii);
                } else {
                    FValue.clear();
                    AppendDateTimeText(FSettings, FValue, date->value, c.form == Form::DateTime);
                    v.kind = Value::Kind::Utf16;
                }
                return v;
            }
            break;
        case Form::Time:
            if (const auto* time = std::get_if<dbf::DateValue>(&value)) {
                FValue.clear();
                AppendTimeText(FSettings, FValue, time->value);
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

void PlainValues::PutAttribute(OutputCursor& cursor, const RowColumn& c, const Value& v) {
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
        case Value::Kind::Number:
            room += kGeneralTextMax * std::max<std::size_t>(FSeparator.size(), 1);
            break;
        case Value::Kind::Ascii:
            room += XmlAttributeUtf8Room(v.length);
            break;
        case Value::Kind::Utf16:
            room += XmlAttributeUtf8Room(FValue.size());
            break;
        case Value::Kind::Literal:
            room += v.literal.size();
            break;
    }
    char* d = RowSource::PutPrefix(cursor, c, room - c.prefix.size() - 1);
    switch (v.kind) {
        case Value::Kind::Empty:
            break;
        case Value::Kind::Bytes:
            d = FSource.singleByte->Write(v.bytes, d);
            break;
        case Value::Kind::Integer:
            d = std::to_chars(d, d + kIntegerRoom, v.integer).ptr;
            break;
        case Value::Kind::Number:
            d = PutNumber(d, v.length);
            break;
        case Value::Kind::Ascii:
            if (IsPlainAscii({FAscii, v.length})) {
                d = Put(d, {FAscii, v.length});
            } else {
                FValue.assign(FAscii, FAscii + v.length);
                d = WriteXmlAttributeUtf8(FValue, FEscaped, d);
            }
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

}  // namespace korvane
