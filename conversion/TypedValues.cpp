#include "conversion/TypedValues.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "conversion/XmlText.h"
#include "conversion/XsdValues.h"
#include "dbf/Dbf.h"
#include "dbf/NumberText.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"

namespace korvane {

namespace {

std::string_view Text(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

TypedValues::TypedValues(RowSource& source, dbf::TDbf& table, bool generalOnly) : FSource(source) {
    for (std::size_t i = 0; i < source.columns.size(); ++i) {
        TField& field = *table.Fields()[i];
        RowColumn& rc = source.columns[i];
        const dbf::TDbfFieldDef& def = *rc.def;
        Column c;
        c.kind = def.FieldType;
        const Xsd kind = XsdOf(def);
        const bool numeric = def.NativeFieldType == 'N' || def.NativeFieldType == 'F';
        // Memos and blobs are streamed, so that no value is held whole.
        if (kind == Xsd::Memo && source.memo.StreamsText() && dynamic_cast<TMemoField*>(&field))
            rc.stream = Stream::Text;
        else if (kind == Xsd::Binary && dynamic_cast<TBlobField*>(&field))
            rc.stream = Stream::Base64;
        else if ((kind == Xsd::Int || kind == Xsd::Long || kind == Xsd::Short) && !numeric)
            c.way = Way::Binary;
        else if (kind == Xsd::DateTime)
            c.way = Way::Stamp;
        else if (kind == Xsd::Double)
            c.way = Way::Double;
        else if (kind == Xsd::Currency)
            c.way = Way::Currency;
        else if (kind == Xsd::Binary && def.NativeFieldType == '0' && rc.bytes.width <= 48)
            c.way = Way::Bytes;
        if (rc.stream != Stream::None) rc.stored = StoredText::None;
        if (generalOnly) {
            rc.stored = StoredText::None;
            c.way = Way::General;
        }
        FColumns.push_back(c);
    }
}

bool TypedValues::PutDecoded(OutputCursor& cursor, const RowColumn& rc, std::size_t i, std::span<const std::uint8_t> record) {
    const Column& c = FColumns[i];
    switch (c.way) {
        case Way::Binary:
        case Way::Stamp:
        case Way::Double:
        case Way::Currency: {
            const dbf::DecodedField decoded = FSource.file->DecodeField(rc.column,
                                                                        c.way == Way::Currency ? ftBCD
                                                                        : c.way == Way::Double ? ftFloat
                                                                                               : c.kind,
                                                                        record);
            if (!decoded.hasValue) {
                if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FSource.audit.TimeStamp(i, *stamp);
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
            PutAscii(cursor, rc, text);
            return true;
        }
        case Way::Bytes: {
            PutAscii(cursor, rc, Base64(rc.bytes.In(record)));
            return true;
        }
        default:
            return false;
    }
}

void TypedValues::PutGeneral(OutputCursor& cursor, const RowColumn& c, std::size_t i, dbf::TDbf& table,
                             std::span<const std::uint8_t> record) {
    if (FColumns[i].way != Way::General && !record.empty() && PutDecoded(cursor, c, i, record)) return;
    if (!Value(table, record, i)) return;
    if (FAsciiValue) {
        PutAscii(cursor, c, FAscii);
        return;
    }
    char* d = WriteXmlAttributeUtf8(FValue, FEscaped, RowSource::PutPrefix(cursor, c, XmlAttributeUtf8Room(FValue.size())));
    *d++ = '"';
    cursor.Done(d);
}

bool TypedValues::Value(dbf::TDbf& table, std::span<const std::uint8_t> record, std::size_t i) {
    dbf::TDbfFile& file = *table.DbfFile();
    const RowColumn& c = FSource.columns[i];
    const dbf::TDbfFieldDef& def = *c.def;
    TField& field = *table.Fields()[i];
    const int column = c.column;
    FAsciiValue = false;
    auto ascii = [&](const std::string& text) {
        FAscii = text;
        FAsciiValue = true;
        return true;
    };
    // A number stored as text that has no value is looked at once more.
    auto noNumber = [&] {
        FSource.audit.NumberWithoutValue(i, dbf::FieldBytes(def, record));
        return false;
    };
    switch (XsdOf(def)) {
        case Xsd::String:
            if (FSource.watch && FSource.watch->Active()) {
                const dbf::DecodedField stored = file.DecodeField(column, ftString, record);
                if (const auto* text = std::get_if<dbf::TextValue>(&stored.value)) FSource.watch->See(text->bytes);
                FSource.watch->EndValue();
            }
            FSource.text.Read(field, i, FValue);
            return true;
        case Xsd::Memo:
            FSource.text.Read(field, i, FValue);
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
            const std::optional<std::string> exact = ExactDecimal(Text(dbf::TrimmedText(dbf::FieldBytes(def, record), ftFloat)));
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
            const std::span<const std::uint8_t> text = dbf::TrimmedText(dbf::FieldBytes(def, record), ftFloat);
            if (text.empty()) return false;
            FSource.audit.Logical(i, text[0]);
            const char* boolean = XsdBoolean(text[0]);
            return boolean && ascii(boolean);
        }
        case Xsd::Time: {
            const dbf::DecodedField decoded = file.DecodeField(column, ftTime, record);
            if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FSource.audit.TimeStamp(i, *stamp);
            const auto* time = std::get_if<dbf::DateValue>(&decoded.value);
            return decoded.hasValue && time && ascii(XsdTime(time->value));
        }
        case Xsd::Date: {
            if (def.BinaryDate()) {
                const dbf::DecodedField decoded = file.DecodeField(column, ftDate, record);
                const auto* date = std::get_if<dbf::DateValue>(&decoded.value);
                return decoded.hasValue && date && ascii(XsdDateTime(date->value).substr(0, 10));
            }
            const std::span<const std::uint8_t> bytes = dbf::TrimmedText(dbf::FieldBytes(def, record), ftFloat);
            int year = 0, month = 0, day = 0;
            if (bytes.empty()) return false;
            if (!dbf::DecodeDateText(bytes.data(), bytes.size(), year, month, day)) {
                FSource.audit.Date(i, bytes);
                return false;
            }
            return ascii(XsdDate(year, month, day));
        }
        case Xsd::DateTime: {
            const dbf::DecodedField decoded = file.DecodeField(column, ftDateTime, record);
            if (const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&decoded.value)) FSource.audit.TimeStamp(i, *stamp);
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

}  // namespace korvane
