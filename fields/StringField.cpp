#include "fields/StringField.h"

#include <algorithm>
#include <cstring>

#include "fields/DataSet.h"
#include "platform/CodePages.h"

namespace korvane {

// The value buffer holds Size + 1 bytes and never fewer than this.
constexpr std::size_t kMinStringBuffer = 8193;

namespace {
// Reads the value into the data set's scratch buffer; the bytes up to the first zero byte.
std::span<const std::uint8_t> ReadValue(TStringField& field) {
    if (!field.DataSet) return {};
    const std::size_t size = std::max(static_cast<std::size_t>(std::max(field.Size, 0)) + 1, kMinStringBuffer);
    std::vector<std::uint8_t>& buffer = field.DataSet->ScratchBuffer(size);
    buffer[0] = 0;
    if (!field.GetData(buffer.data(), true)) return {};
    if (field.Transliterate && buffer[0] != 0) field.DataSet->Translate(buffer.data(), buffer.data(), false);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(buffer.data(), 0, buffer.size()));
    return {buffer.data(), end ? static_cast<std::size_t>(end - buffer.data()) : buffer.size()};
}
}  // namespace

void TStringField::GetText(std::u16string& text) {
    text.clear();
    const std::span<const std::uint8_t> value = ReadValue(*this);
    if (!value.empty()) platform::MultiByteToWide(DataSet->Settings.ansiCodePage, value, text);
}

void TStringField::GetBytes(std::string& bytes) {
    const std::span<const std::uint8_t> value = ReadValue(*this);
    bytes.assign(reinterpret_cast<const char*>(value.data()), value.size());
}

}  // namespace korvane
