#include "fields/OtherFields.h"

#include <algorithm>
#include <cstdint>

#include "fields/DataSet.h"
#include "fields/DateTime.h"
#include "platform/CodePages.h"
#include "platform/Endian.h"
#include "platform/Unicode.h"

namespace korvane {

void TBooleanField::GetText(std::u16string& text) {
    text.clear();
    std::uint16_t value = 0;
    if (GetData(&value)) text = value != 0 ? DisplayTrue : DisplayFalse;
}

void TDateTimeField::GetText(std::u16string& text) {
    text.clear();
    TDateTime value = 0;
    if (GetData(&value, false)) AppendDateTimeText(DataSet->Settings, text, value, true);
}

void TTimeField::GetText(std::u16string& text) {
    text.clear();
    TDateTime value = 0;
    if (GetData(&value, false)) AppendTimeText(DataSet->Settings, text, value);
}

void TDateField::GetText(std::u16string& text) {
    text.clear();
    TDateTime value = 0;
    if (GetData(&value, false)) AppendDateTimeText(DataSet->Settings, text, value, false);
}

void TBytesField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet || Size <= 0) return;
    auto& buffer = DataSet->ScratchBuffer(static_cast<std::size_t>(Size) + 1);
    std::fill_n(buffer.begin(), Size + 1, std::uint8_t{0});
    if (!GetData(buffer.data(), false)) return;
    // The bytes as UTF-16 units, low byte first; an odd last byte gets a zero high byte.
    for (int i = 0; i < Size; i += 2)
        text += static_cast<char16_t>(buffer[static_cast<std::size_t>(i)] |
                                      (i + 1 < Size ? buffer[static_cast<std::size_t>(i) + 1] << 8 : 0));
}

void TVarBytesField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet || Size <= 0) return;
    // A 16-bit length, then the bytes.
    auto& buffer = DataSet->ScratchBuffer(static_cast<std::size_t>(Size) + 2);
    if (!GetData(buffer.data(), true)) return;
    const std::size_t length = std::min(static_cast<std::size_t>(buffer[0]) | (static_cast<std::size_t>(buffer[1]) << 8),
                                        static_cast<std::size_t>(Size));
    platform::MultiByteToWide(DataSet->Settings.ansiCodePage, {buffer.data() + 2, length}, text);
}

void TBlobField::GetBytes(std::string& bytes) {
    bytes.clear();
    if (!DataSet) return;
    const BlobStreamRef stream(DataSet->CreateBlobStream(*this, bmRead));
    if (!stream) return;
    const std::span<const std::uint8_t> content = stream->Bytes();
    bytes.assign(reinterpret_cast<const char*>(content.data()), content.size());
}

void TWideMemoField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet) return;
    const BlobStreamRef stream(DataSet->CreateBlobStream(*this, bmRead));
    if (stream) platform::DecodeUtf16LE(stream->Bytes(), text);
}

void TWideStringField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet || Size <= 0) return;
    // Delivered as a 16-bit length and the bytes.
    auto& buffer = DataSet->ScratchBuffer(2 * static_cast<std::size_t>(Size) + 2);
    if (!GetData(buffer.data(), false)) return;
    const std::size_t length = std::min<std::size_t>(platform::ReadU16LE(buffer, 0), 2 * static_cast<std::size_t>(Size));
    platform::DecodeUtf16LE({buffer.data() + 2, length}, text);
}

void TBlobField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet) return;
    const BlobStreamRef stream(DataSet->CreateBlobStream(*this, bmRead));
    if (!stream) return;
    platform::MultiByteToWide(DataSet->Settings.ansiCodePage, stream->Bytes(), text);
}

}  // namespace korvane
