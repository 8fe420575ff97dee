#include "platform/TextDecoder.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/CodePageTables.h"
#include "platform/CodePages.h"
#include "platform/Iconv.h"
#include "platform/Unicode.h"

namespace korvane::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint32_t kIsoBase = 28590;  // 28590 + N is ISO-8859-N

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
    std::size_t DecodePiece(std::span<const std::uint8_t> bytes, bool, bool last, std::u16string& out) override {
        std::size_t take = bytes.size();
        // A lead byte among the last three whose sequence needs more bytes than follow it.
        for (std::size_t back = 1; !last && back <= 3 && back <= bytes.size(); ++back) {
            const std::uint8_t b = bytes[bytes.size() - back];
            if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
            const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (need > back) take = bytes.size() - back;
            break;
        }
        DecodeUtf8(bytes.first(take), out);
        return take;
    }
};

// Any other page through iconv; a sequence it rejects gives one U+FFFD per byte.
class IconvDecoder : public TextDecoder {
public:
    explicit IconvDecoder(std::unique_ptr<IconvHandle> handle) : FOwner(std::move(handle)), FHandle(FOwner->Get()) {}

    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override { DecodePiece(bytes, true, true, out); }

    std::size_t DecodePiece(std::span<const std::uint8_t> bytes, bool first, bool last, std::u16string& out) override {
        out.clear();
        if (first) iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        std::size_t left = bytes.size();
        std::array<char16_t, 1024> chunk;
        while (left > 0) {
            char* dst = reinterpret_cast<char*>(chunk.data());
            std::size_t room = sizeof chunk;
            const std::size_t r = iconv(FHandle, &in, &left, &dst, &room);
            out.append(chunk.data(), (sizeof chunk - room) / sizeof(char16_t));
            if (r == static_cast<std::size_t>(-1) && errno == EINVAL && !last) break;  // cut off: the next piece has it
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                // An invalid sequence, or one cut off at the end of the value.
                out += kReplacement;
                ++in;
                --left;
                iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
            }
        }
        if (last) {
            // Pages that combine characters (Windows-1258) hold the last one back until the end.
            char* dst = reinterpret_cast<char*>(chunk.data());
            std::size_t room = sizeof chunk;
            iconv(FHandle, nullptr, nullptr, &dst, &room);
            out.append(chunk.data(), (sizeof chunk - room) / sizeof(char16_t));
        }
        return bytes.size() - left;
    }

private:
    std::unique_ptr<IconvHandle> FOwner;
    iconv_t FHandle;
};

std::string IconvNameOf(std::uint32_t codePage) {
    if (codePage > kIsoBase && codePage <= kIsoBase + 16) return "ISO-8859-" + std::to_string(codePage - kIsoBase);
    switch (codePage) {
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        default:
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

std::size_t TextDecoder::DecodePiece(std::span<const std::uint8_t> bytes, bool, bool, std::u16string& out) {
    // Pages of one byte a character are never cut.
    Decode(bytes, out);
    return bytes.size();
}

std::unique_ptr<TextDecoder> TextDecoder::For(std::uint32_t codePage) {
    if (codePage == kCodePageUtf8) return std::make_unique<Utf8Decoder>();
    for (std::size_t i = 0; i < kSingleByteCodePageCount; ++i)
        if (kSingleByteCodePages[i].number == codePage) return std::make_unique<SingleByteDecoder>(kSingleByteCodePages[i]);
    for (std::size_t i = 0; i < kOwnCodePageCount; ++i)
        if (kOwnCodePages[i].number == codePage) return std::make_unique<SingleByteDecoder>(kOwnCodePages[i]);
    if (codePage == 0 || codePage == kCodePageUtf16LE) return nullptr;
    // UTF-16LE in the machine's own order: iconv's "UTF-16" would put a byte-order mark first.
    auto handle = std::make_unique<IconvHandle>("UTF-16LE", IconvNameOf(codePage).c_str());
    if (!handle->IsOpen()) return nullptr;
    return std::make_unique<IconvDecoder>(std::move(handle));
}

void DecodeUtf8(std::span<const std::uint8_t> bytes, std::u16string& out) {
    out.clear();
    out.reserve(bytes.size());
    AppendUtf16(out, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

}  // namespace korvane::platform
