// The rows the run writes against each field object's own text, escaped and encoded the plain
// way: random records of every stored-text field type, under several regional settings and
// system code pages, must give the same bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/ConversionRun.h"
#include "conversion/FieldTextReader.h"
#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "platform/Unicode.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::test {
namespace {

// The document's rows as the field objects give them: text, then the escaping, then UTF-8.
std::vector<std::string> ReferenceRows(const std::string& path, const platform::PlatformSettings& settings) {
    dbf::TDbf table;
    table.Settings = settings;
    table.ReadOnly = true;
    table.SetTableName(path);
    table.Open();
    FieldTextReader text(table, nullptr);
    const std::string lineEnd = settings.crlfLineBreak ? "\r\n" : "\n";
    std::vector<std::string> rows;
    std::u16string value, escaped;
    for (; !table.Eof(); table.Next()) {
        std::string row = "   <row";
        for (std::size_t i = 0; i < table.Fields().size(); ++i) {
            TField& field = *table.Fields()[i];
            text.Read(field, i, value);
            escaped.clear();
            AppendXmlAttributeValue(escaped, value);
            row += " " + platform::Utf16ToUtf8(field.FieldName) + "=\"" + platform::Utf16ToUtf8(escaped) + "\"";
        }
        rows.push_back(row + " />" + lineEnd);
    }
    return rows;
}

std::vector<std::string> DocumentRows(const std::string& document) {
    std::vector<std::string> rows;
    for (std::size_t at = document.find("   <row"); at != std::string::npos; at = document.find("   <row", at + 1)) {
        const std::size_t end = document.find('\n', at);
        rows.push_back(document.substr(at, end - at + 1));
    }
    return rows;
}

// Stored text of each kind: the usual shapes and the ones that take the general rules.
const std::vector<std::string> kCharacters = {"",
                                              " ",
                                              "Novak",
                                              "  leading",
                                              "P\xFD\xA1li\xE7 \xA7lu\x9Cou\x9Fk\xEC k\x85\xE5",
                                              "\xC8"
                                              "esk\xE9 Bud\xECjovice",
                                              "a & b < c > d \"e\"",
                                              "tab\there",
                                              std::string("zero\0byte", 9),
                                              "\x81\x83\x88\x90\x98",
                                              "0123456789abcdefXYZ",
                                              "\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC\xAC",
                                              "mixed \xE7 and \xE8 high",
                                              "\x7F\x01\x1F"};
const std::vector<std::string> kNumbers = {"",
                                           "0",
                                           "-0",
                                           "+5",
                                           "123",
                                           "  -12.50",
                                           "0.0001",
                                           "0.00001",
                                           "1.5E-3",
                                           "1e5",
                                           ".5",
                                           "5.",
                                           "-.0",
                                           "abc",
                                           "1 2",
                                           "- 5",
                                           "-",
                                           "99999",
                                           "-32768",
                                           "32768",
                                           "2147483648",
                                           "12345678901234567",
                                           "9223372036854775808",
                                           "0.000000000000000000000001",
                                           "1234567.891"};
const std::vector<std::string> kDates = {"",         "20240229", "20230229", "    ",     "2024 1 5", "abcdefgh",
                                         "19000101", "00000000", "1999123",  "99991231", "00010101"};
const std::vector<std::string> kLogicals = {"", "T", "F", "Y", "N", "?", "t", "y", " "};

std::string Pick(const std::vector<std::string>& values, std::mt19937& rng) {
    return values[rng() % values.size()];
}

// A random character value of `width` bytes from letters, 852 and 1250 bytes, markup and
// controls, or one of the listed shapes.
std::string RandomCharacters(std::mt19937& rng, int width) {
    if (rng() % 2) return Pick(kCharacters, rng);
    static const char kAlphabet[] = "abcXYZ 09&<>\"\t\r\n\x01\x80\x81\x85\x9C\xA7\xAC\xC8\xE7\xFD\xFF";
    static const std::string alphabet = std::string(kAlphabet, sizeof kAlphabet - 1) + '\0';
    std::string s(static_cast<std::size_t>(rng() % static_cast<unsigned>(width + 1)), ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
}

std::string Table(std::uint32_t seed, int records) {
    TableBuilder b;
    b.Field("C1", 'C', 1)
        .Field("C17", 'C', 17)
        .Field("C70", 'C', 70)
        .Field("SMALL", 'N', 4)
        .Field("INT", 'N', 9)
        .Field("LARGE", 'N', 15)
        .Field("DEC", 'N', 12, 2)
        .Field("WIDE", 'N', 20, 5)
        .Field("FLT", 'F', 10, 3)
        .Field("DATE", 'D', 8)
        .Field("OK", 'L', 1);
    std::mt19937 rng(seed);
    for (int r = 0; r < records; ++r) {
        std::vector<std::string> values = {RandomCharacters(rng, 1), RandomCharacters(rng, 17), RandomCharacters(rng, 70)};
        for (int k = 0; k < 6; ++k) {
            std::string n = Pick(kNumbers, rng);
            // Numbers are usually right-aligned.
            values.push_back(rng() % 2 ? std::string(std::size_t{20} - std::min<std::size_t>(n.size(), 20), ' ') + n : n);
        }
        values.push_back(Pick(kDates, rng));
        values.push_back(Pick(kLogicals, rng));
        b.Record(values, rng() % 10 == 0);
    }
    return b.Bytes();
}

struct SettingsCase {
    const char* name;
    std::uint32_t codePage;
    char16_t separator;
    const char* dateFormat;
    bool crlf;
};

// Test names and messages show the case's name rather than its bytes.
void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
}

class RowWriterTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(RowWriterTest, RowsMatchTheFieldObjectsText) {
    platform::PlatformSettings s = DefaultTestSettings();
    s.ansiCodePage = GetParam().codePage;
    s.decimalSeparator = GetParam().separator;
    s.shortDateFormat = GetParam().dateFormat;
    s.crlfLineBreak = GetParam().crlf;
    TempDir dir;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string path = dir.Write("t.dbf", Table(seed, 300));
        const std::vector<std::string> expected = ReferenceRows(path, s);
        const std::vector<std::string> got = DocumentRows(Convert(path, dir.Path("t.xml"), s));
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t r = 0; r < got.size(); ++r) ASSERT_EQ(got[r], expected[r]) << "seed " << seed << ", row " << r;
    }
}

// Memos are rendered like character values, one of them longer than the document's buffer;
// blobs (a dBase B field here, over the same blocks) as the system's text, never repaired.
TEST_P(RowWriterTest, MemosMatchTheFieldObjectsText) {
    platform::PlatformSettings s = DefaultTestSettings();
    s.ansiCodePage = GetParam().codePage;
    s.crlfLineBreak = GetParam().crlf;
    TempDir dir;
    std::mt19937 rng(7);
    TableBuilder table;
    table.Field("KOD", 'C', 4).Field("TEXT", 'M', 10).Field("OBR", 'B', 10);
    MemoBuilder memo = MemoBuilder::Dbt(512);
    int block = 1;
    for (int r = 0; r < 40; ++r) {
        std::string text = r == 5 ? std::string(100000, '\xAC') + "&" : RandomCharacters(rng, 300);
        memo.Block(block, text + "\x1A\x1A");
        table.Record({std::to_string(r), r % 7 == 0 ? "" : std::to_string(block), r % 3 == 0 ? "" : std::to_string(block)});
        block += static_cast<int>(text.size() + 2) / 512 + 1;
    }
    const std::string path = dir.Write("m.dbf", table.Bytes());
    dir.Write("m.dbt", memo.Bytes());
    const std::vector<std::string> expected = ReferenceRows(path, s);
    const std::vector<std::string> got = DocumentRows(Convert(path, dir.Path("m.xml"), s));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t r = 0; r < got.size(); ++r) ASSERT_EQ(got[r], expected[r]) << "row " << r;
}

// Level 7 names are up to 31 characters; of two-byte letters they make attribute names longer
// than the usual ones, which must not shorten the room their values get.
TEST(RowWriterNames, LongNamesOfWideLettersKeepTheirValuesWhole) {
    TempDir dir;
    std::mt19937 rng(9);
    TableBuilder table(0x04);
    table.Field(std::string(31, '\xC8'), 'C', 120).Field(std::string(30, '\xE8') + "N", 'N', 12, 2).Field("D", 'D', 8);
    for (int r = 0; r < 3000; ++r) table.Record({RandomCharacters(rng, 120), Pick(kNumbers, rng), Pick(kDates, rng)});
    const std::string path = dir.Write("l.dbf", table.Bytes());
    const std::vector<std::string> expected = ReferenceRows(path, DefaultTestSettings());
    ASSERT_GT(expected.at(0).size(), 140u);
    const std::vector<std::string> got = DocumentRows(Convert(path, dir.Path("l.xml")));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t r = 0; r < got.size(); ++r) ASSERT_EQ(got[r], expected[r]) << "row " << r;
}

INSTANTIATE_TEST_SUITE_P(Settings, RowWriterTest,
                         ::testing::Values(SettingsCase{"Czech1250", 1250, u'.', "%m/%d/%Y", true},
                                           SettingsCase{"CommaDayFirst", 1250, u',', "%d.%m.%Y", false},
                                           SettingsCase{"QuoteSeparatorAmpersandDate", 1250, u'"', "%Y-%m-%d & %e", true},
                                           SettingsCase{"NonAsciiSeparatorMonthName", 1250, u'\u00B7', "%d. %B %Y", true},
                                           SettingsCase{"UnpaddedParts", 1250, u'.', "%-d/%_m/%Y", true},
                                           SettingsCase{"Dos852", 852, u'.', "%m/%d/%Y", true},
                                           SettingsCase{"Western1252", 1252, u',', "%d.%m.%Y", true},
                                           SettingsCase{"Utf8System", 65001, u'.', "%m/%d/%Y", true}),
                         [](const ::testing::TestParamInfo<SettingsCase>& p) { return p.param.name; });

}  // namespace
}  // namespace korvane::test
