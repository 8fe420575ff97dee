// The code pages Windows converts (MultiByteToWideChar, WideCharToMultiByte). A sequence is
// decoded only when the system defines it: a rejected one (MB_ERR_INVALID_CHARS) and one that
// Windows maps into the Private Use Area (the user-defined ranges of 932, 936, 949 and 950,
// which glibc leaves undecoded) or, from one byte, to a C1 control (932's 0x80, which glibc
// rejects) are replaced one byte at a time, as the Linux build does, so that both builds
// decode a table alike.
#include "platform/SystemCodePages.h"

#include <windows.h>

#include "platform/windows/WidePath.h"

namespace korvane::platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsPrivateUse(wchar_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}

// One code page's rules: its lead bytes, and whether its text may hold private characters.
class Page {
public:
    explicit Page(UINT codePage) : FCodePage(codePage) {
        CPINFO info{};
        if (!::GetCPInfo(codePage, &info)) return;
        FKnown = true;
        FMaxBytes = info.MaxCharSize;
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
            for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) FLead[b] = true;
    }
    bool Known() const { return FKnown; }
    bool IsLead(std::uint8_t b) const { return FLead[b]; }

    // The character of the sequence `bytes` (one or two bytes), or 0 when the page does not
    // define it.
    wchar_t One(const char* bytes, int count) const {
        wchar_t out[2] = {};
        const int n = ::MultiByteToWideChar(FCodePage, MB_ERR_INVALID_CHARS, bytes, count, out, 2);
        if (n != 1 || (FMaxBytes > 1 && (IsPrivateUse(out[0]) || (count == 1 && out[0] >= 0x80 && out[0] <= 0x9F)))) return 0;
        return out[0];
    }

    // Decodes `bytes` into `out`; an undefined sequence gives `replacement` for its first byte
    // and decoding goes on after it. A lead byte at the end of a piece that is not the last is
    // left for the next; returns how many bytes were taken.
    std::size_t Decode(std::string_view bytes, bool last, char16_t replacement, std::u16string& out) const {
        std::size_t i = 0;
        while (i < bytes.size()) {
            const auto b = static_cast<std::uint8_t>(bytes[i]);
            if (b < 0x80 && !FLead[b]) {
                out += static_cast<char16_t>(b);
                ++i;
                continue;
            }
            if (FLead[b]) {
                if (i + 1 == bytes.size()) {
                    if (!last) break;
                    out += replacement;
                    ++i;
                    continue;
                }
                if (const wchar_t c = One(bytes.data() + i, 2)) {
                    out += static_cast<char16_t>(c);
                    i += 2;
                    continue;
                }
                out += replacement;
                ++i;
                continue;
            }
            const wchar_t c = One(bytes.data() + i, 1);
            out += c != 0 ? static_cast<char16_t>(c) : replacement;
            ++i;
        }
        return i;
    }

    UINT Number() const { return FCodePage; }

private:
    UINT FCodePage;
    bool FKnown = false;
    UINT FMaxBytes = 1;
    bool FLead[256] = {};
};

class WindowsDecoder : public TextDecoder {
public:
    explicit WindowsDecoder(UINT codePage) : FPage(codePage) {}
    bool Known() const { return FPage.Known(); }

    void Decode(std::span<const std::uint8_t> bytes, std::u16string& out) override { DecodePiece(bytes, true, true, out); }

    std::size_t DecodePiece(std::span<const std::uint8_t> bytes, bool, bool last, std::u16string& out) override {
        out.clear();
        return FPage.Decode({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, last, kReplacement, out);
    }

private:
    Page FPage;
};

}  // namespace

bool SystemKnowsCodePage(std::uint32_t codePage) {
    return ::IsValidCodePage(codePage) != 0;
}

bool SystemToWide(std::uint32_t codePage, std::string_view bytes, std::u16string& out) {
    const Page page(codePage);
    if (!page.Known()) return false;
    page.Decode(bytes, true, u'?', out);
    return true;
}

bool SystemFromWide(std::uint32_t codePage, std::u16string_view text, std::string& out) {
    if (!SystemKnowsCodePage(codePage)) return false;
    if (text.empty()) return true;
    const std::wstring wide(text.begin(), text.end());
    const int n = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
    if (n <= 0) return false;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data() + start, n, "?", nullptr);
    return true;
}

std::unique_ptr<TextDecoder> SystemTextDecoder(std::uint32_t codePage) {
    auto decoder = std::make_unique<WindowsDecoder>(codePage);
    if (!decoder->Known()) return nullptr;
    return decoder;
}

}  // namespace korvane::platform
