// Byte-to-UTF-16 tables of the single-byte code pages that language drivers name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

struct SingleByteCodePage {
    std::uint32_t number;
    char16_t toUnicode[256];
};

extern const SingleByteCodePage kSingleByteCodePages[];
extern const std::size_t kSingleByteCodePageCount;

}  // namespace korvane::platform
