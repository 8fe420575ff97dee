// The code pages the operating system converts, beside this layer's own single-byte tables:
// iconv on Linux, the Windows conversions on Windows. Both give the same text: every sequence
// a page does not define (a user-defined range included) is replaced, one byte at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/TextDecoder.h"

namespace korvane::platform {

// Whether the system converts the page.
bool SystemKnowsCodePage(std::uint32_t codePage);
// Appends the UTF-16 form of `bytes`; a byte that starts no defined sequence becomes '?'.
// False when the system does not know the page.
bool SystemToWide(std::uint32_t codePage, std::string_view bytes, std::u16string& out);
// Appends `text` in the page; a character the page cannot hold becomes '?'.
bool SystemFromWide(std::uint32_t codePage, std::u16string_view text, std::string& out);
// A decoder of the page by the system, which writes U+FFFD where SystemToWide writes '?';
// nothing when the system does not know the page.
std::unique_ptr<TextDecoder> SystemTextDecoder(std::uint32_t codePage);

}  // namespace korvane::platform
