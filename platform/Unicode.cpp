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
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        // The well-formed sequences: the length, and the range of the second byte, by the first.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            length = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            length = 3, low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4)
            length = 4, low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        if (length == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t c = b & (length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u);
        std::size_t k = 1;
        for (; k < length && i + k < n; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF)) break;
            c = (c << 6) | (t & 0x3Fu);
        }
        if (k == length)
            AppendCodePoint(out, c);
        else
            out += u'\uFFFD';  // the maximal subpart of an ill-formed sequence
        i += k;
    }
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    AppendUtf16(out, text);
    return out;
}

void DecodeUtf16LE(std::span<const std::uint8_t> bytes, std::u16string& out) {
    out.clear();
    const std::size_t units = bytes.size() / 2;
    out.reserve(units);
    for (std::size_t k = 0; k < units; ++k) {
        const auto unit = static_cast<char16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
        if (IsHighSurrogate(unit) && k + 1 < units) {
            const auto next = static_cast<char16_t>(bytes[2 * k + 2] | (bytes[2 * k + 3] << 8));
            if (IsLowSurrogate(next)) {
                out += unit;
                out += next;
                ++k;
                continue;
            }
        }
        out += IsHighSurrogate(unit) || IsLowSurrogate(unit) ? u'\uFFFD' : unit;
    }
}

}  // namespace korvane::platform
