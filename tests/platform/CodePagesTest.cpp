// Code page services: round trips and '?'.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePageTables.h"
#include "platform/CodePages.h"

namespace korvane::platform {
namespace {

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
