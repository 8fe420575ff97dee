// UTF-8 and UTF-16 conversions.
#pragma once

#include <string>
#include <string_view>

namespace korvane::platform {

// Appends the UTF-8 form of UTF-16 text; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Appends the UTF-16 form of UTF-8 text; a malformed sequence becomes U+FFFD.
void AppendUtf16(std::u16string& out, std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace korvane::platform
