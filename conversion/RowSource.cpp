#include "conversion/RowSource.h"

#include <climits>

#include "dbf/Dbf.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {

std::vector<std::string> Utf8Names(const std::vector<std::u16string>& names) {
    std::vector<std::string> result;
    for (const std::u16string& name : names) result.push_back(platform::Utf16ToUtf8(name));
    return result;
}

// Character, numeric, date and logical fields hold text that the decoding reads as it stands,
// so their values are read straight from the record; those of other types (a FoxPro integer, a
// varchar, a time stamp) keep the decoding's way.
StoredText StoredTextOf(TField& field, std::uint8_t native, const dbf::TDbfFieldDef* def, bool byteTables) {
    const bool numeric = native == 'N' || native == 'F';
    switch (field.DataType) {
        case ftString:
            return byteTables && native == 'C' && dynamic_cast<TStringField*>(&field) ? StoredText::Character : StoredText::None;
        case ftInteger:
        case ftAutoInc:
        case ftSmallint:
        case ftLargeint:
            return numeric ? StoredText::Whole : StoredText::None;
        case ftFloat:
        case ftCurrency:
            return numeric ? StoredText::Decimal : StoredText::None;
        case ftDate:
            return native == 'D' && !def->BinaryDate() ? StoredText::Date : StoredText::None;
        case ftBoolean:
            return native == 'L' && dynamic_cast<TBooleanField*>(&field) ? StoredText::Logical : StoredText::None;
        default:
            return StoredText::None;
    }
}

}  // namespace

RowSource::RowSource(dbf::TDbf& table, platform::TextDecoder* decoder, const std::vector<std::u16string>& names,
                     TextWatch* watch_)
    : text(table, decoder),
      audit(table, Utf8Names(names)),
      watch(watch_),
      // Text read in a code page the user asked for is decoded by the general path.
      singleByte(decoder ? nullptr : SingleByteText::For(table.Settings.ansiCodePage)),
      memo(*table.DbfFile(), table.Settings.ansiCodePage, singleByte.get(), decoder, watch_),
      file(table.DbfFile()),
      plainLineBreak(LineBreakIsPlain(table.Settings.ansiCodePage)) {
    const dbf::TDbfFieldDefs& defs = file->FieldDefs();
    const auto& fields = table.Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField& field = *fields[i];
        RowColumn c;
        c.column = field.FieldNo - 1;
        const std::uint8_t native = c.column >= 0 && c.column < defs.Count() ? defs.Items(c.column).NativeFieldType : 0;
        if (native) {
            c.def = &defs.Items(c.column);
            c.bytes = dbf::FieldBytesOf(*c.def);
            c.nullFlags = c.def == file->NullField();
        }
        c.stored = StoredTextOf(field, native, c.def, singleByte != nullptr);
        c.lowest = field.DataType == ftSmallint ? INT16_MIN : field.DataType == ftLargeint ? INT64_MIN : INT32_MIN;
        c.highest = field.DataType == ftSmallint ? INT16_MAX : field.DataType == ftLargeint ? INT64_MAX : INT32_MAX;
        c.name = platform::Utf16ToUtf8(names[i]);
        c.prefix = " " + c.name + "=\"";
        if (c.prefix.size() <= kPrefixBlock) std::memcpy(c.prefixBlock.data(), c.prefix.data(), c.prefix.size());
        columns.push_back(std::move(c));
    }
}

std::span<const std::uint8_t> RowSource::CurrentRecordOf(dbf::TDbf& table) {
    return table.CurrentRecordBytes();
}

bool RowSource::Null(const RowColumn& c, std::span<const std::uint8_t> record) const {
    return c.def && file->NullFlagSet(*c.def, record);
}

void RowSource::PutStream(OutputCursor& cursor, const RowColumn& c, std::span<const std::uint8_t> record) {
    const auto put = [&](std::string_view bytes) {
        char* d = cursor.Reserve(bytes.size());
        std::memcpy(d, bytes.data(), bytes.size());
        cursor.Done(d + bytes.size());
    };
    put(c.prefix);
    const std::int32_t block = memo.BlockOf(c.column, record);
    switch (c.stream) {
        case Stream::Text:
            memo.WriteText(block, put);
            break;
        case Stream::Bytes:
            memo.WriteBytes(block, put);
            break;
        default:
            memo.WriteBase64(block, put);
            break;
    }
    put("\"");
}

}  // namespace korvane
