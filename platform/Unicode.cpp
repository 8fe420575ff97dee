#include "platform/Unicode.h"

#include <cstdint>

namespace korvane::platform {

void AppendUtf8(std::string& out, std::u16string_view text) {
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size());  // no UTF-16 unit needs more than three bytes
    char* dest = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) dest += EncodeUtf8(NextCodePoint(text, i), dest);
    out.resize(static_cast<std::size_t>(dest - out.data()));
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

void AppendUtf16(std::u16string& out, std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::uint32_t c;
        std::size_t len;
        std::uint32_t min;
        if (b < 0x80) { c = b; len = 1; min = 0; }
        else if (b >= 0xC2 && b <= 0xDF) { c = b & 0x1Fu; len = 2; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { c = b & 0x0Fu; len = 3; min = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { c = b & 0x07u; len = 4; min = 0x10000; }
        else { out += u'\uFFFD'; ++i; continue; }
        bool ok = i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (t & 0x3Fu);
        }
        if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    AppendUtf16(out, text);
    return out;
}

}  // namespace korvane::platform
