#include "platform/CodePages.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <mutex>

#include "platform/CodePageTables.h"
#include "platform/SystemCodePages.h"
#include "platform/Unicode.h"

namespace korvane::platform {

namespace {

const SingleByteCodePage* FindTableUncached(std::uint32_t codePage) {
    for (std::size_t i = 0; i < kSingleByteCodePageCount; ++i)
        if (kSingleByteCodePages[i].number == codePage) return &kSingleByteCodePages[i];
    return nullptr;
}

// Conversions come in long runs of one code page: remember the last one looked up.
const SingleByteCodePage* FindTable(std::uint32_t codePage) {
    thread_local std::uint32_t lastCodePage = 0;
    thread_local const SingleByteCodePage* lastTable = nullptr;
    if (codePage != lastCodePage || lastCodePage == 0) {
        lastTable = FindTableUncached(codePage);
        lastCodePage = codePage;
    }
    return lastTable;
}

// Reverse tables are built on first use: character -> byte, -1 where the page has none.
// Where a character is both a defined mapping and the stand-in for an undefined byte,
// the defined mapping wins.
struct ReverseTable {
    std::once_flag once;
    std::unique_ptr<std::int16_t[]> map;
};

const std::int16_t* BuildReverse(const SingleByteCodePage& page) {
    static std::array<ReverseTable, 64> tables;
    const std::size_t index = static_cast<std::size_t>(&page - kSingleByteCodePages);
    ReverseTable& t = tables.at(index);
    std::call_once(t.once, [&] {
        t.map = std::make_unique<std::int16_t[]>(65536);
        std::fill_n(t.map.get(), 65536, std::int16_t{-1});
        for (int pass = 0; pass < 2; ++pass)
            for (int b = 255; b >= 0; --b) {
                const char16_t c = page.toUnicode[b];
                const bool identity = c == static_cast<char16_t>(b) && b >= 0x80;
                // pass 0: stand-ins for undefined bytes; pass 1: real mappings overwrite them.
                if ((pass == 0) == identity) t.map[c] = static_cast<std::int16_t>(b);
            }
    });
    return t.map.get();
}

const std::int16_t* Reverse(const SingleByteCodePage& page) {
    thread_local const SingleByteCodePage* lastPage = nullptr;
    thread_local const std::int16_t* lastMap = nullptr;
    if (&page != lastPage) {
        lastMap = BuildReverse(page);
        lastPage = &page;
    }
    return lastMap;
}

constexpr std::uint32_t kDoubleBytePages[] = {932, 936, 949, 950};

bool IsDoubleBytePage(std::uint32_t codePage) {
    return std::find(std::begin(kDoubleBytePages), std::end(kDoubleBytePages), codePage) != std::end(kDoubleBytePages);
}

}  // namespace

const std::vector<std::uint32_t>& InstalledCodePages() {
    static const std::vector<std::uint32_t> pages = [] {
        std::vector<std::uint32_t> v;
        for (std::size_t i = 0; i < kSingleByteCodePageCount; ++i) v.push_back(kSingleByteCodePages[i].number);
        for (std::uint32_t p : kDoubleBytePages)
            if (SystemKnowsCodePage(p)) v.push_back(p);
        v.push_back(kCodePageUtf8);
        std::sort(v.begin(), v.end());
        return v;
    }();
    return pages;
}

bool IsCodePageInstalled(std::uint32_t codePage) {
    const auto& v = InstalledCodePages();
    return std::binary_search(v.begin(), v.end(), codePage);
}

bool MultiByteToWide(std::uint32_t codePage, std::span<const std::uint8_t> bytes, std::u16string& out) {
    if (const SingleByteCodePage* page = FindTable(codePage)) {
        const std::size_t start = out.size();
        out.resize(start + bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) out[start + i] = page->toUnicode[bytes[i]];
        return true;
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (codePage == kCodePageUtf8) {
        AppendUtf16(out, view);
        return true;
    }
    if (!IsDoubleBytePage(codePage) || !IsCodePageInstalled(codePage)) return false;
    return SystemToWide(codePage, view, out);
}

bool WideToMultiByte(std::uint32_t codePage, std::u16string_view text, std::string& out) {
    if (const SingleByteCodePage* page = FindTable(codePage)) {
        const std::int16_t* reverse = Reverse(*page);
        const std::size_t start = out.size();
        out.resize(start + text.size());
        char* dest = out.data() + start;
        for (char16_t c : text) {
            const std::int16_t b = reverse[c];
            *dest++ = b < 0 ? '?' : static_cast<char>(b);
        }
        return true;
    }
    if (codePage == kCodePageUtf8) {
        AppendUtf8(out, text);
        return true;
    }
    if (!IsDoubleBytePage(codePage) || !IsCodePageInstalled(codePage)) return false;
    return SystemFromWide(codePage, text, out);
}

bool IsSingleByteCodePage(std::uint32_t codePage) {
    return FindTable(codePage) != nullptr;
}

bool IsDBCSLeadByte(std::uint32_t codePage, std::uint8_t byte) {
    switch (codePage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
    }
}

namespace {
void ConvertBytes(std::uint32_t from, std::uint32_t to, const std::uint8_t* source, std::uint8_t* dest, std::size_t length) {
    const SingleByteCodePage* src = FindTable(from);
    const SingleByteCodePage* dst = FindTable(to);
    if (!src || !dst) {
        if (source != dest) std::copy_n(source, length, dest);
        return;
    }
    const std::int16_t* reverse = Reverse(*dst);
    for (std::size_t i = 0; i < length; ++i) {
        const std::int16_t b = reverse[src->toUnicode[source[i]]];
        dest[i] = b < 0 ? static_cast<std::uint8_t>('?') : static_cast<std::uint8_t>(b);
    }
}
}  // namespace

void OemToCharBuff(const PlatformSettings& system, const std::uint8_t* source, std::uint8_t* dest, std::size_t length) {
    ConvertBytes(system.oemCodePage, system.ansiCodePage, source, dest, length);
}

void CharToOemBuff(const PlatformSettings& system, const std::uint8_t* source, std::uint8_t* dest, std::size_t length) {
    ConvertBytes(system.ansiCodePage, system.oemCodePage, source, dest, length);
}

std::string CodePageName(std::uint32_t number) {
    static constexpr std::pair<std::uint32_t, const char*> kNames[] = {
        {437, "US DOS"},      {620, "Mazovia"},
        {737, "Greek DOS"},   {850, "Western European DOS"},
        {857, "Turkish DOS"}, {866, "Russian DOS"},
        {874, "Thai"},        {895, "Kamenický"},
        {932, "Japanese"},    {936, "Simplified Chinese"},
        {949, "Korean"},      {950, "Traditional Chinese"},
        {1251, "Cyrillic"},   {1252, "Western European"},
        {1253, "Greek"},      {1254, "Turkish"},
        {1255, "Hebrew"},     {1256, "Arabic"},
        {1257, "Baltic"},     {65001, "UTF-8"},
    };
    for (const auto& [n, name] : kNames)
        if (n == number) return std::to_string(number) + " (" + name + ")";
    return std::to_string(number);
}

}  // namespace korvane::platform
