// Reading the field descriptors that follow the table header.
#include <algorithm>
#include <array>
#include <cstring>

#include "dbf/DbfErrors.h"
#include "dbf/DbfFile.h"
#include "dbf/DbfFormat.h"
#include "dbf/Messages.h"
#include "platform/Endian.h"

namespace korvane::dbf {

using platform::ReadU16LE;
using platform::ReadU32LE;

void CheckFieldCount(int count) {
    if (count > kMaxFieldCount) throw EDbfError(FormatMessage(STRING_INVALID_FIELD_COUNT, {std::to_string(count)}));
}

void TDbfFile::ConstructFieldDefs() {
    FFieldDefs.Clear();
    FLockField = nullptr;
    FNullField = nullptr;
    FAutoIncPresent = false;
    const bool level7 = DbfVersion == xBaseVII;
    const int headerLength = ReadU16LE(FHeader, kHdrHeaderSize);
    const std::int64_t base = static_cast<std::int64_t>(level7 ? kLevel7HeaderSize : kMainHeaderSize);
    const std::int64_t size = static_cast<std::int64_t>(level7 ? kLevel7DescriptorSize : kDescriptorSize);
    // Descriptor i is "record" i of a file whose header is `base` bytes and whose records
    // are descriptors; the header length bounds how many there can be.
    const std::int64_t limit = (headerLength - base) / size;
    std::array<std::uint8_t, kLevel7DescriptorSize> d{};
    const std::span<const std::uint8_t> desc(d.data(), static_cast<std::size_t>(size));
    std::int32_t recordOffset = 1;
    int nullBit = 0;
    std::int64_t position = base;
    for (std::int64_t i = 1;; ++i) {
        d.fill(0);
        ReadBlock(d.data(), static_cast<int>(size), base + (i - 1) * size);
        position = base + i * size;

        const std::size_t nameSize = level7 ? kDesc7NameSize : kDescNameSize;
        std::size_t nameLength = 0;
        while (nameLength < nameSize && d[nameLength] != 0) ++nameLength;
        const std::string storedName(reinterpret_cast<const char*>(d.data()), nameLength);
        std::string name = storedName;
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

        const std::uint8_t type = d[level7 ? kDesc7Type : kDescType];
        int width = d[level7 ? kDesc7Width : kDescWidth];
        int precision = d[level7 ? kDesc7Precision : kDescPrecision];
        std::uint32_t autoInc = 0;
        bool nullable = false;
        if (level7) {
            autoInc = ReadU32LE(desc, kDesc7NextAutoInc);
            if (type == '+') FAutoIncPresent = true;
        } else {
            nullable = DbfVersion == xFoxPro && (d[kDescFoxProFlags] & kFoxProNullable) != 0 && name != "_NULLFLAGS";
        }
        // FoxPro character fields keep the high byte of their width in the precision byte;
        // the rule looks at the letter as stored. Harbour's Unicode character fields alike.
        if ((type == 'C' && DbfVersion == xFoxPro) || (type == TDbfFieldDef::kUnicodeCharacter && !level7)) {
            width += 256 * precision;
            precision = 0;
        }

        TDbfFieldDef& def = FFieldDefs.AddFieldDef();
        def.FieldName = name;
        def.StoredName = storedName;
        def.Offset = recordOffset;
        def.Size = width;
        def.Precision = precision;
        def.AutoInc = autoInc;
        def.DescriptorWidth = width;
        def.DescriptorPrecision = precision;
        def.DescriptorFlags = level7 ? 0 : d[kDescFoxProFlags];
        def.VisualFoxPro = (FHeader[kHdrVersion] & 0xFE) == 0x30 || FHeader[kHdrVersion] == 0x32;
        def.SetNativeFieldType(type);
        // _NULLFLAGS bits in descriptor order: a length bit for every varchar and varbinary
        // field (Harbour's too), then a null bit for every nullable field.
        const bool variable = def.NativeFieldType == 'Q' || def.NativeFieldType == TDbfFieldDef::kUnicodeVarchar ||
                              (DbfVersion == xFoxPro && def.NativeFieldType == 'V');
        if (variable && def.FieldType != ftUnknown) def.VarLengthPosition = nullBit++;
        if (nullable) def.NullPosition = nullBit++;

        if (name.empty() || def.FieldType == ftUnknown) throw EDbfError(STRING_INVALID_DBF_FILE);
        if (name == "_DBASELOCK") {
            FLockField = &def;
            FLockUserLen = std::min(width - 8, kUserNameLen);
        } else if (name == "_NULLFLAGS") {
            FNullField = &def;
        }
        recordOffset += width;

        if (i + 1 > limit) break;
        std::uint8_t next = 0;
        if (ReadBlock(&next, 1, position) == 1 && next == kDescriptorTerminator) {
            position += 1;
            break;
        }
    }
    CheckFieldCount(FFieldDefs.Count());
    ApplyClipperWidths(recordOffset);
    FFieldsLength = recordOffset;
    if (level7) ReadFieldProperties(position, headerLength);
}

void TDbfFile::ApplyClipperWidths(std::int32_t& recordLength) {
    // Clipper and Harbour keep the high byte of a character field's width in its decimals
    // byte at dBase III and V too. Read so only where the widths then fill the record as the
    // header says and as stored they do not: a decimals byte may be mere noise.
    if (DbfVersion != xBaseIII && DbfVersion != xBaseV) return;
    std::int32_t wide = 1;
    bool any = false;
    for (int i = 0; i < FFieldDefs.Count(); ++i) {
        const TDbfFieldDef& def = FFieldDefs.Items(i);
        const bool character = def.NativeFieldType == 'C' && def.DescriptorPrecision > 0;
        any = any || character;
        wide += def.DescriptorWidth + (character ? 256 * def.DescriptorPrecision : 0);
    }
    if (!any || wide != FRecordSize || recordLength == FRecordSize) return;
    recordLength = 1;
    for (int i = 0; i < FFieldDefs.Count(); ++i) {
        TDbfFieldDef& def = FFieldDefs.Items(i);
        if (def.NativeFieldType == 'C' && def.DescriptorPrecision > 0) {
            def.DescriptorWidth += 256 * def.DescriptorPrecision;
            def.DescriptorPrecision = 0;
            def.Size = def.DescriptorWidth;
            def.Precision = 0;
        }
        def.Offset = recordLength;
        recordLength += def.DescriptorWidth;
    }
}

void TDbfFile::ReadFieldProperties(std::int64_t position, int headerLength) {
    if (position + static_cast<std::int64_t>(kPropertiesHeaderSize) >= headerLength) return;
    std::array<std::uint8_t, kPropertiesHeaderSize> header{};
    ReadBlock(header.data(), static_cast<int>(header.size()), position);
    const int count = ReadU16LE(header, 0);
    const int start = ReadU16LE(header, 2);
    for (int k = 0; k < count; ++k) {
        std::array<std::uint8_t, kPropertyEntrySize> entry{};
        if (ReadBlock(entry.data(), static_cast<int>(entry.size()),
                      position + start + static_cast<std::int64_t>(kPropertyEntrySize) * k) <= 0)
            break;  // nothing more in the file
        const int fieldNo = ReadU16LE(entry, 2);
        if (fieldNo == 0 || fieldNo > FFieldDefs.Count()) continue;
        TDbfFieldDef& def = FFieldDefs.Items(fieldNo - 1);
        const int kind = entry[4];
        if (kind == 1) {
            def.Required = true;
            continue;
        }
        if (kind < 2 || kind > 4) continue;
        const auto fieldSize = static_cast<std::size_t>(std::max(def.Size, 0));
        if (def.PropertyBuffers.empty()) def.PropertyBuffers.assign(3 * fieldSize, 0);
        // Buffers: default (0), minimum (1), maximum (2); data beyond Size bytes is dropped.
        const std::size_t slot = kind == 2 ? 1 : kind == 3 ? 2 : 0;
        (kind == 2 ? def.HasMin : kind == 3 ? def.HasMax : def.HasDefault) = true;
        const int dataOffset = ReadU16LE(entry, 11);
        const std::size_t length = std::min<std::size_t>(ReadU16LE(entry, 13), fieldSize);
        if (length > 0) ReadBlock(def.PropertyBuffers.data() + slot * fieldSize, static_cast<int>(length), position + dataOffset);
    }
}

}  // namespace korvane::dbf
