// Code page services: every single-byte table against the C library, round trips, '?'.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "platform/CodePageTables.h"
#include "platform/CodePages.h"

namespace korvane::platform {
namespace {

// iconv's name for a code page, where it has one.
const char* IconvName(std::uint32_t cp) {
    switch (cp) {
        case 437:
            return "IBM437";
        case 737:
            return "CP737";
        case 850:
            return "IBM850";
        case 852:
            return "IBM852";
        case 857:
            return "IBM857";
        case 860:
            return "IBM860";
        case 861:
            return "IBM861";
        case 862:
            return "IBM862";
        case 863:
            return "IBM863";
        case 865:
            return "IBM865";
        case 866:
            return "IBM866";
        case 874:
            return "CP874";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1252:
            return "CP1252";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 10007:
            return "MAC-CYRILLIC";
        case 10029:
            return "MAC-CENTRALEUROPE";
        default:
            return nullptr;
    }
}

// The character iconv gives for one byte, or -1 when it rejects the byte.
long IconvChar(const char* name, std::uint8_t byte) {
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
    char in[1] = {static_cast<char>(byte)};
    char out[8];
    char* ip = in;
    char* op = out;
    std::size_t il = 1, ol = sizeof out;
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || ol != sizeof out - 2) return -1;
    return static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8);
}

TEST(CodePages, EveryByteSurvivesARoundTrip) {
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        const std::uint32_t cp = kSingleByteCodePages[p].number;
        for (int b = 0; b < 256; ++b) {
            const std::uint8_t byte = static_cast<std::uint8_t>(b);
            std::u16string wide;
            ASSERT_TRUE(MultiByteToWide(cp, {&byte, 1}, wide));
            std::string back;
            ASSERT_TRUE(WideToMultiByte(cp, wide, back));
            ASSERT_EQ(back, std::string(1, static_cast<char>(byte))) << cp << " byte " << b;
        }
    }
}

TEST(CodePages, TablesAgreeWithTheCLibrary) {
    int compared = 0;
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        const std::uint32_t cp = kSingleByteCodePages[p].number;
        const char* name = IconvName(cp);
        if (!name) continue;
        for (int b = 0; b < 256; ++b) {
            const long expected = IconvChar(name, static_cast<std::uint8_t>(b));
            if (expected == -2) break;     // iconv does not know the page here
            if (expected == -1) continue;  // undefined there: our stand-in is the byte's value
            // The C library follows Apple's later revision of Mac Cyrillic (the euro sign at 0xFF);
            // Windows keeps the currency sign there.
            if (cp == 10007 && b == 0xFF) continue;
            EXPECT_EQ(kSingleByteCodePages[p].toUnicode[b], expected) << cp << " byte " << b;
            ++compared;
        }
    }
    EXPECT_GT(compared, 4000);
}

TEST(CodePages, UndefinedWindows1250BytesStandForThemselves) {
    for (std::uint8_t b : {std::uint8_t{0x81}, std::uint8_t{0x83}, std::uint8_t{0x88}, std::uint8_t{0x90}, std::uint8_t{0x98}}) {
        std::u16string wide;
        MultiByteToWide(1250, {&b, 1}, wide);
        EXPECT_EQ(wide, std::u16string(1, static_cast<char16_t>(b)));
    }
}

TEST(CodePages, CharactersAPageCannotHoldBecomeQuestionMarks) {
    std::string out;
    WideToMultiByte(1250, u"a\u0416\u20ACb", out);  // Ж is not in Windows-1250, € is
    EXPECT_EQ(out,
              "a?\x80"
              "b");
}

TEST(CodePages, DoubleBytePagesGoThroughIconv) {
    const std::string gbk = "\xC4\xE3\xBA\xC3";  // 你好
    std::u16string wide;
    ASSERT_TRUE(MultiByteToWide(936, {reinterpret_cast<const std::uint8_t*>(gbk.data()), gbk.size()}, wide));
    EXPECT_EQ(wide, u"\u4F60\u597D");
    std::string back;
    ASSERT_TRUE(WideToMultiByte(936, wide, back));
    EXPECT_EQ(back, gbk);
    EXPECT_TRUE(IsDBCSLeadByte(932, 0x81));
    EXPECT_FALSE(IsDBCSLeadByte(932, 0xA0));
    EXPECT_FALSE(IsDBCSLeadByte(1250, 0x81));
}

TEST(CodePages, InstalledPagesAreThoseConverted) {
    for (std::uint32_t cp : {437u, 852u, 1250u, 10029u, 932u, 936u, 949u, 950u, 65001u})
        EXPECT_TRUE(IsCodePageInstalled(cp)) << cp;
    for (std::uint32_t cp : {0u, 620u, 867u, 868u, 895u}) {
        EXPECT_FALSE(IsCodePageInstalled(cp)) << cp;
        std::u16string wide;
        const std::uint8_t b = 'a';
        EXPECT_FALSE(MultiByteToWide(cp, {&b, 1}, wide)) << cp;
    }
}

}  // namespace
}  // namespace korvane::platform
