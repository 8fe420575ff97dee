// Text in a code page that a table declares or a user names, decoded to UTF-16. Unlike the
// general conversions, every byte sequence the page does not define becomes U+FFFD, so that
// damaged text shows as damaged.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace korvane::platform {

class TextDecoder {
public:
    virtual ~TextDecoder() = default;
    // A decoder for the code page, or nothing when Korvane cannot decode it: the single-byte
    // tables of the language drivers, UTF-8 (65001), the ISO-8859 pages (28591 and on) and any
    // other page iconv knows by its number, the double-byte pages included.
    static std::unique_ptr<TextDecoder> For(std::uint32_t codePage);
    // Replaces `out` by the text of `bytes`.
    virtual void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) = 0;
    // Text that comes in pieces: replaces `out` by the text of the piece `bytes` and returns
    // how many of its bytes it took. A sequence cut off at the end of a piece that is not the
    // last is left for the next, which begins with it; the pieces give the text the whole
    // would give.
    virtual std::size_t DecodePiece(std::span<const std::uint8_t> bytes, bool first, bool last, std::u16string& out);
};

// UTF-8 to UTF-16: an ill-formed sequence gives one U+FFFD per maximal subpart (the longest
// start of a well-formed sequence, or one byte), as the Unicode standard recommends.
void DecodeUtf8(std::span<const std::uint8_t> bytes, std::u16string& out);

}  // namespace korvane::platform
