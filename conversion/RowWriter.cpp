#include "conversion/RowWriter.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <variant>

#include "conversion/ConversionReport.h"
#include "conversion/OutputCursor.h"
#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "dbf/FieldValue.h"
#include "dbf/NumberText.h"
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
constexpr std::size_t kIntegerRoom = 24;  // a sign and 19 digits
constexpr std::size_t kPrefixBlock = 48;

std::string EscapedUtf8(std::u16string_view text) {
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, text);
    return platform::Utf16ToUtf8(escaped);
}

// ASCII text that an attribute carries as it is.
bool IsPlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x80 && IsPlainXmlCharacter(static_cast<char16_t>(ch));
    });
}

char* Put(char* dest, std::string_view bytes) {
    std::memcpy(dest, bytes.data(), bytes.size());
    return dest + bytes.size();
}

void PutPiece(OutputCursor& cursor, std::string_view bytes) {
    cursor.Done(Put(cursor.Reserve(bytes.size()), bytes));
}

// The attribute names as UTF-8: the decoded names when given, else the field objects' names.
std::vector<std::string> AttributeNames(dbf::TDbf& table, const std::vector<std::u16string>* names) {
    std::vector<std::string> result;
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        result.push_back(platform::Utf16ToUtf8(names ? (*names)[i] : fields[i]->FieldName));
    return result;
}

}  // namespace

RowWriter::RowWriter(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>* names, TextWatch* watch)
    : FSettings(table.Settings),
      FText(table, decoder),
      FAudit(table, AttributeNames(table, names)),
      FWatch(watch),
      // Text read in a code page the user asked for is decoded by the general path.
      FSingleByte(decoder ? nullptr : SingleByteText::For(table.Settings.ansiCodePage)),
      FFile(table.DbfFile()),
      FMemo(*FFile, table.Settings.ansiCodePage, FSingleByte.get(), decoder, watch),
      FSeparator(EscapedUtf8(std::u16string(1, table.Settings.decimalSeparator))),
      FSeparatorByte(FSeparator.size() == 1 ? FSeparator[0] : kGeneralSeparator) {
    // The regional date pattern, compiled once. A pattern of plain characters only writes
    // plain text (digits, its pads and its literals), which needs no escaping.
    const std::string& dateFormat = table.Settings.shortDateFormat;
    FDatePlain = !dateFormat.empty() && IsPlainAscii(dateFormat) && FDatePattern.Compile(dateFormat);
    // CR and LF are written as the system code page's characters of those bytes.
    FPlainLineEnd = LineBreakIsPlain(table.Settings.ansiCodePage);
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField& field = *fields[i];
        Column c;
        c.column = field.FieldNo - 1;
        const dbf::TDbfFieldDefs& defs = FFile->FieldDefs();
        const std::uint8_t native = c.column >= 0 && c.column < defs.Count() ? defs.Items(c.column).NativeFieldType : 0;
        if (native) {
            c.def = &defs.Items(c.column);
            c.bytes = dbf::FieldBytesOf(*c.def);
        }
        c.prefix = " " + platform::Utf16ToUtf8(names ? (*names)[i] : field.FieldName) + "=\"";
        if (c.prefix.size() <= kPrefixBlock) std::memcpy(c.prefixBlock.data(), c.prefix.data(), c.prefix.size());
        // Character, numeric, date and logical fields hold text that the decoding reads as it
        // stands, so their values are read straight from the record; those of other types (a
        // FoxPro integer, a varchar, a time stamp) keep the decoding's way.
        const bool numeric = native == 'N' || native == 'F';
        const auto form = [&](Form f, bool stored, StoredText how) {
            c.form = f;
            if (stored) c.stored = how;
        };
        switch (field.DataType) {
            case ftString:
                if (FSingleByte && dynamic_cast<TStringField*>(&field)) form(Form::Text, native == 'C', StoredText::Character);
                break;
            case ftMemo:
                // Memos are streamed wherever their text can be: read in the system's single-byte
                // code page or in one the user asked for.
                if (FMemo.StreamsText() && dynamic_cast<TMemoField*>(&field)) form(Form::Memo, false, StoredText::None);
                break;
            case ftInteger:
            case ftAutoInc:
                form(Form::Integer, numeric, StoredText::Whole);
                break;
            case ftSmallint:
                form(Form::Smallint, numeric, StoredText::Whole);
                break;
            case ftLargeint:
                form(Form::Largeint, numeric, StoredText::Whole);
                break;
            case ftFloat:
            case ftCurrency:
                form(Form::Float, numeric, StoredText::Decimal);
                break;
            case ftDate:
                form(Form::Date, native == 'D' && !c.def->BinaryDate(), StoredText::Date);
                break;
            case ftDateTime:
                form(Form::DateTime, false, StoredText::None);
                break;
            case ftTime:
                form(Form::Time, false, StoredText::None);
                break;
            case ftBoolean:
                if (auto* logical = dynamic_cast<TBooleanField*>(&field)) {
                    form(Form::Boolean, native == 'L', StoredText::Logical);
                    c.trueText = EscapedUtf8(logical->DisplayTrue);
                    c.falseText = EscapedUtf8(logical->DisplayFalse);
                }
                break;
            default:
                break;
        }
        // Blobs (pictures, OLE objects, binary data) are streamed too: they may be far larger
        // than anything a value should be held in whole.
        if (FMemo.StreamsBytes() && dynamic_cast<TBlobField*>(&field) && !dynamic_cast<TMemoField*>(&field) &&
            !dynamic_cast<TWideMemoField*>(&field))
            c.form = Form::Blob;
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

char* RowWriter::PutPrefix(OutputCursor& cursor, const Column& c, std::size_t valueRoom) {
    // The prefix is copied as a whole padded block when it is short, which costs no call; a
    // long one (a level 7 name of letters that take three bytes each) as it is.
    char* d = cursor.Reserve(std::max(c.prefix.size(), kPrefixBlock) + valueRoom + 1);
    if (c.prefix.size() <= kPrefixBlock) {
        std::memcpy(d, c.prefixBlock.data(), kPrefixBlock);
        return d + c.prefix.size();
    }
    return Put(d, c.prefix);
}

char* RowWriter::PutNumber(char* d, std::size_t length) const {
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

bool RowWriter::PutStored(OutputCursor& cursor, const Column& c, std::size_t i, std::span<const std::uint8_t> record) {
    // For a character field, its bytes up to the first zero byte (a blank or cut value writes
    // the same empty text as no value).
    std::span<const std::uint8_t> text;
    if (!record.empty())
        text = c.stored == StoredText::Character ? dbf::CharacterTextPadded(c.bytes.In(record))
                                                 : dbf::TrimmedTextPadded(c.bytes.In(record), ftFloat);
    // Numbers and dates become ASCII before anything is written: text that needs the
    // decoding's general rules leaves the attribute to it.
    std::size_t length = 0;
    if (!text.empty()) {
        switch (c.stored) {
            case StoredText::Decimal: {
                dbf::DecimalDigits digits;
                if (!dbf::ParseDecimalDigits(text.data(), text.size(), digits)) return false;
                length = GeneralDigitsText(FAscii, digits.negative, digits.digits, digits.count, digits.exponent, FSeparatorByte);
                break;
            }
            case StoredText::Whole: {
                std::int64_t n = 0;
                if (!dbf::ParseIntegerDigits(text.data(), text.size(), n)) return false;
                // Out of the kind's range is no value.
                if ((c.form == Form::Smallint && (n < INT16_MIN || n > INT16_MAX)) ||
                    (c.form == Form::Integer && (n < INT32_MIN || n > INT32_MAX)))
                    text = {};
                else
                    length = static_cast<std::size_t>(std::to_chars(FAscii, FAscii + kIntegerRoom, n).ptr - FAscii);
                break;
            }
            case StoredText::Date: {
                int year = 0, month = 0, day = 0;
                // Text that forms no valid date reads as 30 December 1899.
                if (!dbf::DecodeDateText(text.data(), text.size(), year, month, day)) {
                    FAudit.Date(i, text);
                    year = 1899, month = 12, day = 30;
                }
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
                length = static_cast<std::size_t>(end - FAscii);
                break;
            }
            default:
                break;
        }
    }
    char* d;
    if (text.empty()) {
        d = PutPrefix(cursor, c, 0);  // no value
    } else {
        switch (c.stored) {
            case StoredText::Character:
                if (FWatch && FWatch->Active()) {
                    FWatch->See(text);
                    FWatch->EndValue();
                }
                d = PutPrefix(cursor, c, SingleByteText::Room(text.size()));
                d = FSingleByte->WritePadded(text, d);
                break;
            case StoredText::Decimal:
                d = PutPrefix(cursor, c, kGeneralTextMax * std::max<std::size_t>(FSeparator.size(), 1));
                d = PutNumber(d, length);
                break;
            case StoredText::Whole:
                d = PutPrefix(cursor, c, kIntegerRoom);
                std::memcpy(d, FAscii, kIntegerRoom);
                d += length;
                break;
            case StoredText::Date:
                d = PutPrefix(cursor, c, XmlAttributeUtf8Room(length));
                if (FDatePlain || IsPlainAscii({FAscii, length})) {
                    d = Put(d, {FAscii, length});
                } else {
                    FValue.assign(FAscii, FAscii + length);
                    d = WriteXmlAttributeUtf8(FValue, FEscaped, d);
                }
                break;
            case StoredText::Logical: {
                const std::uint8_t first = text[0];
                FAudit.Logical(i, first);
                const std::string& literal = dbf::IsTrueLetter(first) ? c.trueText : c.falseText;
                d = Put(PutPrefix(cursor, c, literal.size()), literal);
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

RowWriter::Value RowWriter::Read(const Column& c, std::size_t i, dbf::TDbf& table, std::span<const std::uint8_t> record) {
    Value v;
    switch (c.form) {
        case Form::General:
            return General(i, table);
        default:
            break;
    }
    const dbf::DecodedField decoded = FFile->DecodeField(c.column, table.Fields()[i]->DataType, record);
    // A field without a value has empty text; a value of a form this writer does not expect
    // is left to the field object.
    if (!decoded.hasValue) {
        if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value))
            FAudit.TimeStamp(i, *stamp);
        else if (c.stored == StoredText::Decimal || c.stored == StoredText::Whole)
            FAudit.NumberWithoutValue(i, c.bytes.In(record));
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
                if (FWatch && FWatch->Active()) {
                    FWatch->See(text->bytes);
                    FWatch->EndValue();
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

void RowWriter::PutMemo(OutputCursor& cursor, const Column& c, std::span<const std::uint8_t> record) {
    PutPiece(cursor, c.prefix);
    const std::int32_t block = FMemo.BlockOf(c.column, record);
    const auto put = [&](std::string_view bytes) { PutPiece(cursor, bytes); };
    if (c.form == Form::Blob)
        FMemo.WriteBytes(block, put);
    else
        FMemo.WriteText(block, put);
    PutPiece(cursor, "\"");
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

void RowWriter::Write(TTextRec& out, dbf::TDbf& table, ConversionReport& report) {
    OutputCursor cursor(out);
    // The record in a padded copy, so that values are read sixteen bytes at a time.
    const std::span<const std::uint8_t> current = table.CurrentRecordBytes();
    const std::span<const std::uint8_t> record = FRecord.Copy(current);
    FAudit.ReportTo(report);
    PutPiece(cursor, kRowStart);
    for (std::size_t i = 0; i < FColumns.size(); ++i) {
        if (FColumns[i].stored != StoredText::None && PutStored(cursor, FColumns[i], i, record)) continue;
        Value v;
        try {
            if (FColumns[i].form == Form::Memo || FColumns[i].form == Form::Blob) {
                PutMemo(cursor, FColumns[i], record);
                continue;
            }
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
    EndRow(cursor, out, FPlainLineEnd);
}

}  // namespace korvane
