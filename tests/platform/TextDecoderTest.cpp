// Decoding text in a named code page: U+FFFD for what the page does not define.
#include <gtest/gtest.h>

#include "platform/TextDecoder.h"
#include "tests/support/TestSupport.h"

namespace korvane::platform {
namespace {

std::u16string Decoded(std::uint32_t codePage, const std::string& bytes) {
    std::unique_ptr<TextDecoder> decoder = TextDecoder::For(codePage);
    if (!decoder) return u"(none)";
    std::u16string out = u"stale";
    decoder->Decode({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, out);
    return out;
}

TEST(TextDecoder, Utf8WithOneReplacementPerMaximalSubpart) {
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"abc", u"abc"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"ab\xE2\x82", u"ab\uFFFD"},  // cut inside a character at the end of the field
        {"a\xC3", u"a\uFFFD"},
        {"\xF0\x9F\x98"
         "x",
         u"\uFFFDx"},                             // a truncated sequence is one subpart
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong forms: each byte alone
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\x80z", u"\uFFFDz"},
        {"\xE1\x80\xE2\x82\xAC", u"\uFFFD\u20AC"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(Decoded(65001, bytes), text) << bytes;
}

TEST(TextDecoder, SingleAndDoubleBytePages) {
    struct Case {
        std::uint32_t codePage;
        std::string bytes;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {866, "\x8F\xE0\xA8\xA2\xA5\xE2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        {1250, "Pa\xEDs\x81", u"Pa\u00EDs\uFFFD"},  // 0x81 is no character of Windows-1250
        {874, "\xA1", u"\u0E01"},
        {28592, "\xA9", u"\u0160"},  // ISO-8859-2 through iconv
        {936, "\xB2\xE2\xCA\xD4", u"\u6D4B\u8BD5"},
        {936, "\xB2\xE2\xB2", u"\u6D4B\uFFFD"},  // a lead byte without its trail byte
        {950, "\xAF\x62\xA5\x44", u"\u755C\u4E3B"},
        // What the two systems' conversions treat differently reads alike: a code of the Private
        // Use Area, a lone byte read as a C1 control, and CP949's A2 E8, on which the C
        // library's converter runs off its input; each gives U+FFFD for its first byte.
        {950, "\xC6\xA1", u"\uFFFD\uFFFD"},
        {950, "\xC6\xA1\x78", u"\uFFFD\uFE42"},  // A1 78 is a character of its own
        {932,
         "a\x80"
         "b",
         u"a\uFFFDb"},
        {949,
         "\xA2\xE8"
         "A\xA2\xE6",
         u"\uFFFD\uFFFDA\u20AC"},
        {949, "\x81\xA2\xE8", u"\uAC7F\uFFFD"},
        {1258, "a", u"a"},  // a page only iconv knows
        // Kamenický and Mazovia, pages of our own: Czech and Polish letters, and the box
        // drawing of code page 437 above them.
        {895, "\x80\x87\x9B\xA7\x86\xB3", u"\u010C\u010D\u0160\u00D4\u0164\u2502"},
        {620, "\x86\x8D\x9E\xA6\xB3", u"\u0105\u0107\u015B\u017A\u2502"},
    };
    for (const Case& c : cases) EXPECT_EQ(Decoded(c.codePage, c.bytes), c.text) << c.codePage;
    for (std::uint32_t unknown : {867u, 1200u, 0u}) EXPECT_EQ(TextDecoder::For(unknown), nullptr) << unknown;
}

// The code page numbers at both ends of every numbered range decode (ISO-8859-12 was never
// published, and the ranges stop where the pages do).
TEST(TextDecoder, BothEndsOfEveryNumberedRange) {
    // Windows has no ISO-8859-11 (28601, its 874 instead) nor ISO-8859-16 (28606).
    std::vector<std::uint32_t> numbers = {28591u, 28603u, 437u, 874u,   1250u, 1256u, 10000u,
                                          10029u, 932u,   950u, 65001u, 620u,  895u};
    if (!test::kOnWindows) numbers.insert(numbers.end(), {28601u, 28606u});
    for (const std::uint32_t number : numbers) {
        const auto decoder = TextDecoder::For(number);
        ASSERT_NE(decoder, nullptr) << number;
        std::u16string text;
        decoder->Decode(std::vector<std::uint8_t>{'A', 'z'}, text);
        EXPECT_EQ(text, u"Az") << number;
    }
    for (const std::uint32_t none : {28590u, 28602u, 28607u}) EXPECT_EQ(TextDecoder::For(none), nullptr) << none;
}

}  // namespace
}  // namespace korvane::platform
