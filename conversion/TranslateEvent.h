// The pass-through translation handler: every text reaches the run exactly as stored.
#pragma once

#include <cstdint>

namespace korvane {

// Copies the zero-terminated text to `dest` when that is another buffer; returns its length.
int TranslateEvent(const std::uint8_t* source, std::uint8_t* dest, bool toOem);

}  // namespace korvane
