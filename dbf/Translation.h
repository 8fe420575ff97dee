// Translation of 8-bit text between code pages.
#pragma once

#include <cstdint>

#include "platform/Settings.h"

namespace korvane::dbf {

enum TDbfTranslationMode { tmNoneAvailable, tmNoneNeeded, tmSimple, tmAdvanced };

// Translates `length` bytes (-1: up to the first zero byte) from one code page to another
// into `dest`; returns the number of bytes produced, 0 when the text cannot be translated.
// Between the system's OEM and ANSI pages the bytes are converted directly.
int TranslateString(const platform::PlatformSettings& system, std::uint32_t fromCP, std::uint32_t toCP,
                    const std::uint8_t* source, std::uint8_t* dest, int length);

}  // namespace korvane::dbf
