// The code pages iconv converts.
#include "platform/SystemCodePages.h"

#include <iconv.h>

#include <algorithm>
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

// Two-byte sequences the C library's converter mishandles: glibc's CP949 reads far past its
// input on A2 E8 (a code the page leaves undefined) and may crash. They are never given to it.
struct Fault {
    std::uint32_t codePage;
    char lead, trail;
};
constexpr Fault kFaults[] = {{949, '\xA2', '\xE8'}};

const Fault* FaultOf(std::uint32_t codePage) {
    for (const Fault& f : kFaults)
        if (f.codePage == codePage) return &f;
    return nullptr;
}

// How many bytes from `in` come before the first such sequence, wherever it stands (all `left`
// when none does).
std::size_t FaultFree(const char* in, std::size_t left, const Fault& fault) {
    for (std::size_t i = 0; i + 1 < left; ++i)
        if (in[i] == fault.lead && in[i + 1] == fault.trail) return i;
    return left;
}

// Any other page through iconv; a sequence it rejects gives one U+FFFD per byte.
class IconvDecoder : public TextDecoder {
public:
    IconvDecoder(std::unique_ptr<IconvHandle> handle, const Fault* fault, bool doubleByte)
        : FOwner(std::move(handle)), FHandle(FOwner->Get()), FFault(fault), FDoubleByte(doubleByte) {}

    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override { DecodePiece(bytes, true, true, out); }

    std::size_t DecodePiece(std::span<const std::uint8_t> bytes, bool first, bool last, std::u16string& out) override {
        out.clear();
        char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        std::size_t left = bytes.size();
        // A sequence iconv mishandles never reaches it whole: such a piece (rare) is decoded
        // one character at a time.
        if (FFault && FaultFree(in, left, *FFault) < left) return Stepwise(bytes, last, out);
        if (first) iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
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
        if (FDoubleByte && std::any_of(out.begin(), out.end(), IsUndefinedResult)) {
            // Rare: the piece is decoded again one character at a time, to tell which
            // sequences gave characters the page leaves undefined.
            return Stepwise(bytes, last, out);
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
    // One character at a time: a sequence the page does not define, that iconv mishandles, or
    // that gives a character of the Private Use Area or a C1 control gives U+FFFD for its first
    // byte, and decoding goes on after that byte, as Windows' conversion is read.
    std::size_t Stepwise(std::span<const std::uint8_t> bytes, bool last, std::u16string& out) {
        out.clear();
        const char* in = reinterpret_cast<const char*>(bytes.data());
        std::size_t i = 0;
        while (i < bytes.size()) {
            if (FFault && i + 1 < bytes.size() && in[i] == FFault->lead && in[i + 1] == FFault->trail) {
                out += kReplacement;
                ++i;
                continue;
            }
            char16_t c = 0;
            std::size_t take = 1;
            int result = One(in + i, take, c);
            if (result == EINVAL && i + 1 < bytes.size()) result = One(in + i, take = 2, c);
            if (result == EINVAL && !last) break;  // the next piece has it
            if (result == 0 && !IsUndefinedResult(c)) {
                out += c;
                i += take;
            } else {
                out += kReplacement;
                ++i;
            }
        }
        return i;
    }

    // The one character of `count` bytes: 0, or the errno (EINVAL: more bytes are needed).
    int One(const char* bytes, std::size_t count, char16_t& c) {
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes);
        char16_t out[4];
        char* dst = reinterpret_cast<char*>(out);
        std::size_t left = count, room = sizeof out;
        if (iconv(FHandle, &in, &left, &dst, &room) == static_cast<std::size_t>(-1)) return errno;
        if (sizeof out - room != sizeof(char16_t)) return EILSEQ;
        c = out[0];
        return 0;
    }

    static bool IsUndefinedResult(char16_t c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF); }

    std::unique_ptr<IconvHandle> FOwner;
    iconv_t FHandle;
    const Fault* FFault;
    bool FDoubleByte;
};

}  // namespace

bool SystemKnowsCodePage(std::uint32_t codePage) {
    return IconvHandle("UTF-16LE", IconvNameOf(codePage).c_str()).IsOpen();
}

bool SystemToWide(std::uint32_t codePage, std::string_view bytes, std::u16string& out) {
    // Through the decoder, which keeps the faulty sequences from iconv; '?' where it replaces.
    const std::unique_ptr<TextDecoder> decoder = SystemTextDecoder(codePage);
    if (!decoder) return false;
    std::u16string text;
    decoder->Decode({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, text);
    for (char16_t& c : text)
        if (c == kReplacement) c = u'?';
    out += text;
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
    const bool doubleByte = codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
    return std::make_unique<IconvDecoder>(std::move(handle), FaultOf(codePage), doubleByte);
}

}  // namespace korvane::platform
