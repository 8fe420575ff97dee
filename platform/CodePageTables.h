// Byte-to-UTF-16 tables of the single-byte code pages that language drivers name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

struct SingleByteCodePage {
    std::uint32_t number;
    char16_t toUnicode[256];
    // Bit b % 32 of word b / 32 is set when the page assigns byte b no character.
    std::uint32_t undefined[8];

    bool IsUndefined(std::uint8_t b) const { return (undefined[b / 32] >> (b % 32)) & 1u; }
};

extern const SingleByteCodePage kSingleByteCodePages[];
extern const std::size_t kSingleByteCodePageCount;
// Pages the system lacks that only text read in a code page the user asks for uses: Kamenický
// (895) and Mazovia (620), the Czech and Polish encodings of DOS programs.
extern const SingleByteCodePage kOwnCodePages[];
extern const std::size_t kOwnCodePageCount;

}  // namespace korvane::platform
