#include "dbf/Translation.h"

#include <cstring>
#include <string>

#include "platform/CodePages.h"

namespace korvane::dbf {

namespace {
constexpr std::size_t kWideBufferUnits = 1024;
}

int TranslateString(const platform::PlatformSettings& system, std::uint32_t fromCP, std::uint32_t toCP,
                    const std::uint8_t* source, std::uint8_t* dest, int length) {
    if (length == -1) length = static_cast<int>(std::strlen(reinterpret_cast<const char*>(source)));
    if (length <= 0) return 0;
    const auto n = static_cast<std::size_t>(length);
    const std::uint32_t ansi = system.ansiCodePage;
    const std::uint32_t oem = system.oemCodePage;
    if (fromCP == oem && toCP == ansi) {
        platform::OemToCharBuff(system, source, dest, n);
        return length;
    }
    if (fromCP == ansi && toCP == oem) {
        platform::CharToOemBuff(system, source, dest, n);
        return length;
    }
    if (fromCP == toCP) {
        if (dest != source) std::memmove(dest, source, n);
        return length;
    }
    // Through UTF-16, within a fixed budget of 1024 code units.
    thread_local std::u16string wide;
    thread_local std::string bytes;
    wide.clear();
    if (!platform::MultiByteToWide(fromCP, {source, n}, wide) || wide.size() > kWideBufferUnits) return 0;
    bytes.clear();
    if (!platform::WideToMultiByte(toCP, wide, bytes) || bytes.size() > n) return 0;
    std::memcpy(dest, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

}  // namespace korvane::dbf
