#include "platform/TextDecoder.h"

#include "platform/CodePageTables.h"
#include "platform/CodePages.h"
#include "platform/SystemCodePages.h"
#include "platform/Unicode.h"

namespace korvane::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

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
    return SystemTextDecoder(codePage);
}

void DecodeUtf8(std::span<const std::uint8_t> bytes, std::u16string& out) {
    out.clear();
    out.reserve(bytes.size());
    AppendUtf16(out, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

}  // namespace korvane::platform
