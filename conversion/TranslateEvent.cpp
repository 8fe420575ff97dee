#include "conversion/TranslateEvent.h"

#include <cstring>

namespace korvane {

int TranslateEvent(const std::uint8_t* source, std::uint8_t* dest, bool /*toOem*/) {
    const std::size_t n = std::strlen(reinterpret_cast<const char*>(source));
    if (dest != source) std::memcpy(dest, source, n);
    return static_cast<int>(n);
}

}  // namespace korvane
