#include "fields/StringField.h"

#include <algorithm>
#include <cstring>

#include "fields/DataSet.h"
#include "platform/CodePages.h"

namespace korvane {

// The value buffer holds Size + 1 bytes and never fewer than this.
constexpr std::size_t kMinStringBuffer = 8193;

void TStringField::GetText(std::u16string& text) {
    text.clear();
    if (!DataSet) return;
    const std::size_t size = std::max(static_cast<std::size_t>(std::max(Size, 0)) + 1, kMinStringBuffer);
    std::vector<std::uint8_t>& buffer = DataSet->ScratchBuffer(size);
    buffer[0] = 0;
    if (!GetData(buffer.data(), true)) return;
    if (Transliterate && buffer[0] != 0) DataSet->Translate(buffer.data(), buffer.data(), false);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(buffer.data(), 0, buffer.size()));
    const std::size_t length = end ? static_cast<std::size_t>(end - buffer.data()) : buffer.size();
    platform::MultiByteToWide(platform::GetACP(), {buffer.data(), length}, text);
}

}  // namespace korvane
