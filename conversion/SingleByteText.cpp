#include "conversion/SingleByteText.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "conversion/CpConvert.h"
#include "conversion/XmlText.h"
#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace korvane {

namespace {

// Whether any byte of the value is above ASCII, eight bytes at a time.
bool HasHighByte(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    std::uint64_t any = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        any |= word;
    }
    for (; i < bytes.size(); ++i) any |= bytes[i];
    return (any & 0x8080808080808080ull) != 0;
}

}  // namespace

std::unique_ptr<SingleByteText> SingleByteText::For(std::uint32_t codePage) {
    if (!platform::IsSingleByteCodePage(codePage)) return nullptr;
    std::unique_ptr<SingleByteText> text(new SingleByteText);
    // The same steps as the general path, taken once for each byte.
    const auto entry = [](std::u16string_view character, Entry& e) {
        std::u16string escaped;
        AppendXmlAttributeValue(escaped, character);
        std::string utf8;
        platform::AppendUtf8(utf8, escaped);
        if (utf8.size() > sizeof e.bytes) return false;
        std::memcpy(e.bytes, utf8.data(), utf8.size());
        e.length = static_cast<std::uint8_t>(utf8.size());
        return true;
    };
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint8_t byte = static_cast<std::uint8_t>(b);
        std::u16string character;
        if (!platform::MultiByteToWide(codePage, {&byte, 1}, character) || character.size() != 1) return nullptr;
        // ASCII must stay ASCII and nothing else may become ASCII: the test for a value
        // without high characters is then a test of its bytes.
        if (b < 0x80 ? character[0] != b : character[0] < 0x80) return nullptr;
        std::string back;
        if (!platform::WideToMultiByte(codePage, character, back) || back.size() != 1) return nullptr;
        text->FBlocksRepair[b] = !cp_Is852(back);
        cp852ToWinInPlace(back);
        std::u16string repaired;
        if (!platform::MultiByteToWide(codePage, {reinterpret_cast<const std::uint8_t*>(back.data()), 1}, repaired) ||
            repaired.size() != 1)
            return nullptr;
        if (!entry(character, text->FAsStored[b]) || !entry(repaired, text->FRepaired[b])) return nullptr;
        // Writing runs of plain ASCII as they are relies on both tables doing so.
        const bool plain = b < 0x80 && IsPlainXmlCharacter(static_cast<char16_t>(b));
        for (const Entry* e : {&text->FAsStored[b], &text->FRepaired[b]})
            if (plain && (e->length != 1 || static_cast<std::uint8_t>(e->bytes[0]) != b)) return nullptr;
    }
    return text;
}

#if defined(__SSE2__)
namespace {
// Bit k is set when byte k of the sixteen is not written as it is: a control, a high byte
// (negative as a signed byte) or markup.
unsigned OddBytes(__m128i v) {
    __m128i odd = _mm_cmplt_epi8(v, _mm_set1_epi8(0x20));
    odd = _mm_or_si128(odd, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')), _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))));
    odd = _mm_or_si128(odd, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
    return static_cast<unsigned>(_mm_movemask_epi8(odd));
}
}  // namespace
#endif

template <bool Padded>
char* SingleByteText::Render(const std::array<Entry, 256>& table, std::span<const std::uint8_t> bytes, char* dest) {
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t left = n - i;
        const std::size_t chunk = left < 16 ? left : 16;
#if defined(__SSE2__)
        if (Padded || left >= 16) {
            // Sixteen bytes at a time: a chunk of plain ASCII is stored as it is.
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            if ((OddBytes(v) & ((1u << chunk) - 1)) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), v);
                dest += chunk;
                i += chunk;
                continue;
            }
        }
#endif
        // Any other chunk byte by byte through the table, without a branch per byte.
        for (const std::size_t end = i + chunk; i < end; ++i) {
            const Entry& e = table[p[i]];
            std::memcpy(dest, &e, sizeof e);
            dest += e.length;
        }
    }
    return dest;
}

template <bool Padded>
char* SingleByteText::WriteValue(std::span<const std::uint8_t> bytes, char* dest) const {
    const std::array<Entry, 256>* table = &FRepaired;
    // Repaired when it has high bytes and every one of them is a code page 852 letter.
    bool high = false;
#if defined(__SSE2__)
    if constexpr (Padded) {
        for (std::size_t i = 0; i < bytes.size(); i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
            const std::size_t left = bytes.size() - i;
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v)) & (left < 16 ? (1u << left) - 1 : 0xFFFFu);
            high = high || mask != 0;
            for (; mask != 0; mask &= mask - 1)
                if (FBlocksRepair[bytes[i + static_cast<std::size_t>(std::countr_zero(mask))]])
                    return Render<Padded>(FAsStored, bytes, dest);
        }
        return Render<Padded>(high ? FRepaired : FAsStored, bytes, dest);
    }
#endif
    high = HasHighByte(bytes);
    if (high) {
        for (const std::uint8_t b : bytes)
            if (FBlocksRepair[b]) {
                table = &FAsStored;
                break;
            }
    } else {
        table = &FAsStored;
    }
    return Render<Padded>(*table, bytes, dest);
}

bool SingleByteText::BlocksRepair(std::span<const std::uint8_t> bytes) const {
    // Only high bytes can block the repair, and a value without them renders alike either way.
    return std::any_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return FBlocksRepair[b]; });
}

char* SingleByteText::WritePiece(std::span<const std::uint8_t> bytes, bool repaired, char* dest) const {
    return Render<false>(repaired ? FRepaired : FAsStored, bytes, dest);
}

char* SingleByteText::Write(std::span<const std::uint8_t> bytes, char* dest) const {
    return WriteValue<false>(bytes, dest);
}

char* SingleByteText::WritePadded(std::span<const std::uint8_t> bytes, char* dest) const {
    return WriteValue<true>(bytes, dest);
}

}  // namespace korvane
