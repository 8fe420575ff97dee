// Recognising and repairing code page 852 text.
#include <gtest/gtest.h>

#include <set>

#include "conversion/CpConvert.h"
#include "conversion/XmlText.h"

namespace korvane {
namespace {

struct RepairCase {
    std::string text;
    bool is852;
    std::string repaired;
};

void PrintTo(const RepairCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(c.text);
}

class CpRepairTest : public ::testing::TestWithParam<RepairCase> {};

TEST_P(CpRepairTest, TestAndRepair) {
    const RepairCase& c = GetParam();
    EXPECT_EQ(cp_Is852(c.text), c.is852);
    EXPECT_EQ(cp852ToWin(c.text), c.repaired);
}

INSTANTIATE_TEST_SUITE_P(Texts, CpRepairTest,
                         ::testing::Values(RepairCase{"", true, ""}, RepairCase{"Plain ASCII", true, "Plain ASCII"},
                                           RepairCase{"\xA0\x82\xA1", true, "\xE1\xE9\xED"},
                                           RepairCase{"\x80\xA0", true, "\x80\xE1"}, RepairCase{"\xE9", true, "\xDA"},
                                           RepairCase{"\x9A", false, "\x9A"}, RepairCase{"\x84\xA0", false, "\x84\xE1"},
                                           RepairCase{"\xAC\x9F", true, "\xC8\xE8"}));

TEST(CpRepair, TablesAreParallelAndUnique) {
    std::set<std::uint8_t> a(cp_852.begin(), cp_852.end());
    std::set<std::uint8_t> b(cp_Win.begin(), cp_Win.end());
    EXPECT_EQ(a.size(), 38u);
    EXPECT_EQ(b.size(), 38u);
    for (auto x : cp_852) EXPECT_GT(x, 0x80);
}

TEST(XmlText, EscapesWhatXmlNeeds) {
    struct Case {
        std::u16string in, out;
    };
    for (const Case& c : {Case{u"a&b<c>d\"e'f", u"a&amp;b&lt;c&gt;d&quot;e'f"}, Case{u"x\ty\nz\r", u"x&#9;y&#10;z&#13;"},
                          Case{std::u16string(u"\0\x1F\x0B", 3), u"\uFFFD\uFFFD\uFFFD"},
                          Case{u"\uFFFE\uFFFF\u007F\u0085", u"\uFFFD\uFFFD\u007F\u0085"},
                          Case{std::u16string(1, u'\xDC00') + u"\U0001F600", u"\uFFFD\U0001F600"},
                          Case{u"\u010Ce\u0161tina", u"\u010Ce\u0161tina"}}) {
        std::u16string out;
        AppendXmlAttributeValue(out, c.in);
        EXPECT_EQ(out, c.out);
    }
}

}  // namespace
}  // namespace korvane
