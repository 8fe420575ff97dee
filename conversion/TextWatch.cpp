#include "conversion/TextWatch.h"

#include <cstring>

namespace korvane {

void TextWatch::Look(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // ASCII eight bytes at a time, between sequences.
        if (FNeed == 0) {
            for (; i + 8 <= bytes.size(); i += 8) {
                std::uint64_t word;
                std::memcpy(&word, bytes.data() + i, sizeof word);
                if ((word & 0x8080808080808080ull) != 0) break;
            }
            if (i == bytes.size()) return;
        }
        const std::uint8_t b = bytes[i++];
        if (b < 0x80 && FNeed == 0) continue;
        FHigh = true;
        if (FLooks == Looks::ForHighBytes) {
            FSettled = true;
            return;
        }
        if (FNeed > 0) {
            if (b < FLow || b > FHighest) return Invalid();
            --FNeed;
            FLow = 0x80, FHighest = 0xBF;
            continue;
        }
        // A lead byte and the range its first continuation byte must lie in (no overlong
        // forms, no surrogates, nothing above U+10FFFF).
        if (b >= 0xC2 && b <= 0xDF) {
            FNeed = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            FNeed = 2;
            if (b == 0xE0) FLow = 0xA0;
            if (b == 0xED) FHighest = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            FNeed = 3;
            if (b == 0xF0) FLow = 0x90;
            if (b == 0xF4) FHighest = 0x8F;
        } else {
            return Invalid();
        }
    }
}

}  // namespace korvane
