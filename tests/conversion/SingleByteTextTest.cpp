// The byte tables against the steps they fold: every byte of every single-byte code page, in
// values that are and are not repaired from code page 852, at every place of a sixteen-byte
// chunk, read with and without padding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/CpConvert.h"
#include "conversion/SingleByteText.h"
#include "conversion/XmlText.h"
#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace korvane {
namespace {

// The general path: UTF-16 in the code page, the 852 test and repair, escaping, UTF-8.
std::string Reference(std::uint32_t codePage, const std::string& bytes) {
    std::u16string text;
    platform::MultiByteToWide(codePage, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, text);
    if (!std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) {
        std::string back;
        platform::WideToMultiByte(codePage, text, back);
        if (cp_Is852(back)) {
            cp852ToWinInPlace(back);
            text.clear();
            platform::MultiByteToWide(codePage, {reinterpret_cast<const std::uint8_t*>(back.data()), back.size()}, text);
        }
    }
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, text);
    return platform::Utf16ToUtf8(escaped);
}

std::string Written(const SingleByteText& table, const std::string& bytes, bool padded) {
    // The value sits in a larger buffer; padded reading may look past its end.
    std::string buffer = bytes + std::string(SingleByteText::kReadPast, '\x85');
    std::string out(SingleByteText::Room(bytes.size()), '\0');
    const std::span<const std::uint8_t> value(reinterpret_cast<const std::uint8_t*>(buffer.data()), bytes.size());
    char* end = padded ? table.WritePadded(value, out.data()) : table.Write(value, out.data());
    return out.substr(0, static_cast<std::size_t>(end - out.data()));
}

std::vector<std::uint32_t> SingleBytePages() {
    std::vector<std::uint32_t> pages;
    for (std::uint32_t page : platform::InstalledCodePages())
        if (platform::IsSingleByteCodePage(page)) pages.push_back(page);
    return pages;
}

TEST(SingleByteTextTest, EveryByteOfEveryPageAsTheGeneralPathWritesIt) {
    const std::vector<std::uint32_t> pages = SingleBytePages();
    ASSERT_GE(pages.size(), 20u);
    int tables = 0;
    for (std::uint32_t page : pages) {
        const std::unique_ptr<SingleByteText> table = SingleByteText::For(page);
        if (!table) continue;  // a page that does not keep ASCII as it is
        ++tables;
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            // Alone; among 852 letters (repaired when the byte allows it); in plain ASCII on
            // either side of a chunk boundary; and in a long run of high bytes.
            const std::vector<std::string> values = {byte, "\xAC" + byte + "esk\x82",
                                                     std::string(15, 'a') + byte + std::string(17, 'b'),
                                                     std::string(16, 'a') + byte, byte + std::string(40, '\xE7') + byte};
            for (const std::string& value : values)
                for (bool padded : {false, true})
                    ASSERT_EQ(Written(*table, value, padded), Reference(page, value))
                        << "code page " << page << ", byte " << b << ", value length " << value.size()
                        << (padded ? ", padded" : "");
        }
    }
    EXPECT_GE(tables, 20);
}

TEST(SingleByteTextTest, TablesOnlyForSingleBytePagesThatKeepAscii) {
    EXPECT_NE(SingleByteText::For(1250), nullptr);
    EXPECT_NE(SingleByteText::For(852), nullptr);
    for (std::uint32_t page : {65001u, 932u, 1200u, 0u}) EXPECT_EQ(SingleByteText::For(page), nullptr) << page;
}

}  // namespace
}  // namespace korvane
