// The code pages iconv converts.
#include "platform/SystemCodePages.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "platform/posix/Iconv.h"

namespace korvane::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint32_t kIsoBase = 28590;  // 28590 + N is ISO-8859-N

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

// Converts through iconv; an input sequence it rejects becomes one '?' per byte.
bool IconvConvert(const char* to, const char* from, std::string_view in, std::string& out) {
    const IconvHandle handle(to, from);
    if (!handle.IsOpen()) return false;
    iconv_t cd = handle.Get();
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    std::array<char, 4096> chunk;
    while (left > 0) {
        char* dst = chunk.data();
        std::size_t room = chunk.size();
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(chunk.data(), chunk.size() - room);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or incomplete sequence: substitute and go on after it.
            const std::string_view fallback = std::string_view(to) == "UTF-16LE" ? std::string_view("?\0", 2) : "?";
            out.append(fallback);
            ++src;
            --left;
        }
    }
    return true;
}

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

}  // namespace

bool SystemKnowsCodePage(std::uint32_t codePage) {
    return IconvHandle("UTF-16LE", IconvNameOf(codePage).c_str()).IsOpen();
}

bool SystemToWide(std::uint32_t codePage, std::string_view bytes, std::u16string& out) {
    std::string utf16;
    if (!IconvConvert("UTF-16LE", IconvNameOf(codePage).c_str(), bytes, utf16)) return false;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(utf16[i]) | (static_cast<unsigned char>(utf16[i + 1]) << 8));
    return true;
}

bool SystemFromWide(std::uint32_t codePage, std::u16string_view text, std::string& out) {
    std::string utf16;
    utf16.reserve(text.size() * 2);
    for (char16_t c : text) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    return IconvConvert(IconvNameOf(codePage).c_str(), "UTF-16LE", utf16, out);
}

std::unique_ptr<TextDecoder> SystemTextDecoder(std::uint32_t codePage) {
    // UTF-16LE in the machine's own order: iconv's "UTF-16" would put a byte-order mark first.
    auto handle = std::make_unique<IconvHandle>("UTF-16LE", IconvNameOf(codePage).c_str());
    if (!handle->IsOpen()) return nullptr;
    return std::make_unique<IconvDecoder>(std::move(handle));
}

}  // namespace korvane::platform
