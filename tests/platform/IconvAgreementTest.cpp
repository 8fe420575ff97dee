// Every single-byte table against the C library's iconv.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "platform/CodePageTables.h"

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

}  // namespace
}  // namespace korvane::platform
