// UTF-8 and UTF-16 conversions.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvane::platform {

// Appends the UTF-8 form of UTF-16 text; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Appends the UTF-16 form of UTF-8 text; an ill-formed sequence gives one U+FFFD per maximal
// subpart (the longest start of a well-formed sequence, or one byte), as the Unicode standard
// recommends.
void AppendUtf16(std::u16string& out, std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 little-endian bytes to text (an odd last byte dropped); a surrogate without its
// partner becomes U+FFFD.
void DecodeUtf16LE(std::span<const std::uint8_t> bytes, std::u16string& out);
// ASCII text as UTF-16, unit for byte.
inline std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Appends a code point as UTF-16: one unit, or a surrogate pair above U+FFFF.
inline void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

inline bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The code point at `i`, joining a surrogate pair (and stepping `i` over its second half);
// an unpaired surrogate is returned as it is.
inline char32_t NextCodePoint(std::u16string_view text, std::size_t& i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        ++i;
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char32_t>(text[i]) - 0xDC00);
    }
    return c;
}

// Writes the UTF-8 bytes of a code point (a lone surrogate as U+FFFD) and returns their count.
inline std::size_t EncodeUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c >= 0x10000) {
        out[0] = static_cast<char>(0xF0 | (c >> 18));
        out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

}  // namespace korvane::platform
