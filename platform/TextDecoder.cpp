#include "platform/TextDecoder.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/CodePageTables.h"
#include "platform/CodePages.h"

namespace korvane::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint32_t kIsoBase = 28590;  // 28590 + N is ISO-8859-N

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

class SingleByteDecoder : public TextDecoder {
public:
    explicit SingleByteDecoder(const SingleByteCodePage& page) : FPage(page) {}
    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override {
        out.clear();
        out.reserve(bytes.size());
        for (std::uint8_t b : bytes) out += FPage.IsUndefined(b) ? kReplacement : FPage.toUnicode[b];
    }

private:
    const SingleByteCodePage& FPage;
};

class Utf8Decoder : public TextDecoder {
public:
    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override { DecodeUtf8(bytes, out); }
};

// Any other page through iconv; a sequence it rejects gives one U+FFFD per byte.
class IconvDecoder : public TextDecoder {
public:
    explicit IconvDecoder(iconv_t handle) : FHandle(handle) {}
    ~IconvDecoder() override { iconv_close(FHandle); }
    IconvDecoder(const IconvDecoder&) = delete;
    IconvDecoder& operator=(const IconvDecoder&) = delete;

    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override {
        out.clear();
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        std::size_t left = bytes.size();
        std::array<char16_t, 1024> chunk;
        while (left > 0) {
            char* dst = reinterpret_cast<char*>(chunk.data());
            std::size_t room = sizeof chunk;
            const std::size_t r = iconv(FHandle, &in, &left, &dst, &room);
            out.append(chunk.data(), (sizeof chunk - room) / sizeof(char16_t));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                // An invalid sequence, or one cut off at the end of the value.
                out += kReplacement;
                ++in;
                --left;
                iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
            }
        }
        // Pages that combine characters (Windows-1258) hold the last one back until the end.
        char* dst = reinterpret_cast<char*>(chunk.data());
        std::size_t room = sizeof chunk;
        iconv(FHandle, nullptr, nullptr, &dst, &room);
        out.append(chunk.data(), (sizeof chunk - room) / sizeof(char16_t));
    }

private:
    iconv_t FHandle;
};

std::string IconvNameOf(std::uint32_t codePage) {
    if (codePage > kIsoBase && codePage <= kIsoBase + 16) return "ISO-8859-" + std::to_string(codePage - kIsoBase);
    switch (codePage) {
        case 20866: return "KOI8-R";
        case 21866: return "KOI8-U";
        default: return "CP" + std::to_string(codePage);
    }
}

}  // namespace

std::unique_ptr<TextDecoder> TextDecoder::For(std::uint32_t codePage) {
    if (codePage == kCodePageUtf8) return std::make_unique<Utf8Decoder>();
    for (std::size_t i = 0; i < kSingleByteCodePageCount; ++i)
        if (kSingleByteCodePages[i].number == codePage) return std::make_unique<SingleByteDecoder>(kSingleByteCodePages[i]);
    if (codePage == 0 || codePage == kCodePageUtf16LE) return nullptr;
    // UTF-16LE in the machine's own order: iconv's "UTF-16" would put a byte-order mark first.
    iconv_t handle = iconv_open("UTF-16LE", IconvNameOf(codePage).c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return std::make_unique<IconvDecoder>(handle);
}

void DecodeUtf8(std::span<const std::uint8_t> bytes, std::u16string& out) {
    out.clear();
    out.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        // The well-formed sequences: the length, and the range of the second byte, by the first.
        std::size_t length = 0;
        std::uint8_t low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) length = 2;
        else if (b >= 0xE0 && b <= 0xEF) length = 3, low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        else if (b >= 0xF0 && b <= 0xF4) length = 4, low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        char32_t c = b & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        std::size_t k = 1;
        for (; k < length && i + k < n; ++k) {
            const std::uint8_t t = bytes[i + k];
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF)) break;
            c = (c << 6) | (t & 0x3F);
        }
        if (k == length) AppendCodePoint(out, c);
        else out += kReplacement;  // the maximal subpart of an ill-formed sequence
        i += k;
    }
}

}  // namespace korvane::platform
