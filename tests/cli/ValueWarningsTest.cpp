// Values that are not what their field says: time stamps that form none are left empty and
// the run goes on; bad dates, numbers and logicals are told; --strict fails the table on them.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/Cli.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::Le32;
using test::TableBuilder;
using test::TempDir;

int Rows(const std::string& xml) {
    int rows = 0;
    for (std::size_t at = xml.find("<row"); at != std::string::npos; at = xml.find("<row", at + 1)) ++rows;
    return rows;
}

// A FoxPro table of 40 records whose time stamps in records 17 and 30 form none.
std::string BadTimeStamps() {
    TableBuilder b(0x30);
    b.Field("ID", 'C', 2).Field("CAS", 'T', 8);
    for (int i = 1; i <= 40; ++i) {
        const std::string stamp = i == 17   ? Le32(730120 + 1721425) + Le32(static_cast<std::uint32_t>(-5))
                                  : i == 30 ? Le32(0) + Le32(1)
                                            : Le32(2460311) + Le32(3600000);
        b.RawRecord((i < 10 ? "0" : "") + std::to_string(i) + stamp);
    }
    return b.Bytes();
}

constexpr const char* kStampWarning =
    ": 2 values could not be read and were left empty (first: record 17, field CAS: 59 68 25 00 FB FF FF FF is not a valid "
    "timestamp)\n";

TEST(ValueWarnings, ATimeStampThatFormsNoneIsLeftEmptyAndTheRunGoesOn) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", BadTimeStamps());
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--typed"}, {"--fix-header"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-q", path});
        const test::CliResult r = test::RunDbf2xml(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "dbf2xml: " + path + kStampWarning);
        const std::string xml = dir.Read("t.xml");
        EXPECT_EQ(Rows(xml), 40);
        EXPECT_TRUE(xml.ends_with("</table>\r\n"));
        if (options.empty()) {
            EXPECT_NE(xml.find("<row ID=\"16\" CAS=\"01/01/2024 01:00:00\" />"), std::string::npos);
            EXPECT_NE(xml.find("<row ID=\"17\" CAS=\"\" />"), std::string::npos);
        } else if (options[0] == "--typed") {
            EXPECT_NE(xml.find("<row ID=\"17\" />"), std::string::npos);
        }
    }
}

TEST(ValueWarnings, StrictFailsTheTableAndKeepsTheEarlierDocument) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", BadTimeStamps());
    dir.Write("t.xml", "earlier");
    const test::CliResult r = test::RunDbf2xml({"--strict", "-q", path});
    EXPECT_EQ(r.status, 1);
    std::string expected = "dbf2xml: " + path + kStampWarning;
    expected.insert(expected.size() - 1, "; not converted (--strict)");
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(dir.Read("t.xml"), "earlier");
}

// Memo files cut short or pointed past: each memo keeps the bytes the file holds, nothing made
// up after them, and is counted; --strict fails the table.
TEST(ValueWarnings, MemosThatRunPastTheEndOfTheMemoFile) {
    struct Case {
        const char* what;
        std::string table;
        std::string memoName;
        std::string memo;
        std::string rows;
        std::string warning;
    };
    const auto dbase = [](const std::vector<std::string>& blocks) {
        TableBuilder b(0x83);
        b.Field("ID", 'C', 1).Field("M", 'M', 10);
        for (std::size_t i = 0; i < blocks.size(); ++i) b.Record({std::to_string(i + 1), blocks[i]});
        return b.Bytes();
    };
    test::MemoBuilder dbt = test::MemoBuilder::Dbt(512);
    for (int i = 1; i <= 4; ++i) dbt.Block(i, "memo " + std::to_string(i) + "\x1A\x1A");
    const std::string fox = TableBuilder(0x30).Field("ID", 'C', 1).Field("M", 'M', 4).RawRecord("1" + Le32(1)).Bytes();
    const std::vector<Case> cases = {
        {"a .dbt cut inside its third memo", dbase({"1", "2", "3", "4"}), "t.dbt", dbt.Bytes().substr(0, 512 * 3 + 3),
         "<row ID=\"1\" M=\"memo 1\" /><row ID=\"2\" M=\"memo 2\" /><row ID=\"3\" M=\"mem\" /><row ID=\"4\" M=\"\" />",
         "2 memo values run past the end of the memo file and were cut (first: record 3, field M, block 3)"},
        {"a pointer past the end", dbase({"1", "99"}), "t.dbt", dbt.Bytes(),
         "<row ID=\"1\" M=\"memo 1\" /><row ID=\"2\" M=\"\" />",
         "1 memo value runs past the end of the memo file and was cut (first: record 2, field M, block 99)"},
        {"an .fpt length past the end", fox, "t.fpt", test::MemoBuilder::Fpt(64).FptMemo(1, "abc", 1000).Bytes(),
         "<row ID=\"1\" M=\"abc",
         "1 memo value runs past the end of the memo file and was cut (first: record 1, field M, block 1)"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", c.table);
        dir.Write(c.memoName, c.memo);
        const test::CliResult r = test::RunDbf2xml({"-q", path});
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(r.err, "dbf2xml: " + path + ": " + c.warning + "\n") << c.what;
        std::string rows = dir.Read("t.xml");
        rows.erase(0, rows.find("<row"));
        for (std::size_t at; (at = rows.find("\r\n   ")) != std::string::npos;) rows.erase(at, 5);
        EXPECT_TRUE(rows.starts_with(c.rows)) << c.what << ": " << rows;
        const test::CliResult strict = test::RunDbf2xml({"-q", "--strict", "-o", dir.Path("s.xml"), path});
        EXPECT_EQ(strict.status, 1) << c.what;
        EXPECT_EQ(strict.err, "dbf2xml: " + path + ": " + c.warning + "; not converted (--strict)\n") << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("s.xml"))) << c.what;
    }
}

// A document streamed to standard output is left without its closing tag, so that whoever
// reads it can tell it from a complete one.
TEST(ValueWarnings, StrictLeavesAStreamUnfinished) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", BadTimeStamps());
    const test::ProgramResult r = test::RunProgram({"--strict", "-q", "-o", "-", path});
    EXPECT_EQ(r.status, 1);
    const std::string& out = r.out;
    EXPECT_EQ(Rows(out), 40);
    EXPECT_EQ(out.find("</table>"), std::string::npos);
}

// Stored text that the plain document shows as something else (a date as 30 December 1899, a
// number as empty text, a logical as false) is counted; blanks, and blanks with a sign and a
// point, are no value at all.
TEST(ValueWarnings, DatesNumbersAndLogicalsThatAreNotWhatTheirFieldSays) {
    TempDir dir;
    TableBuilder b;
    b.Field("NAROZEN", 'D', 8).Field("CENA", 'N', 7, 2).Field("KS", 'N', 4).Field("OK", 'L', 1);
    b.Record({"20240229", "  12.50", "   3", "T"});
    b.Record({"        ", "   .   ", "  - ", "?"});
    b.Record({"20231345", "  .  . ", "1,5 ", "X"});
    b.Record({"2023 2 3", "   -.  ", "    ", " "});
    b.Record({"abcdefgh", "1.2.3  ", "3e9 ", "n"});
    const std::string path = dir.Write("t.dbf", b.Bytes());
    const std::string xml = dir.Path("t.xml");
    for (const bool typed : {false, true}) {
        std::vector<std::string> args = {"-q", "-o", xml, path};
        if (typed) args.insert(args.begin(), "--typed");
        const test::CliResult r = test::RunDbf2xml(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "dbf2xml: " + path +
                             ": 2 dates are not valid dates (first: record 3, field NAROZEN: '20231345')\n"
                             "dbf2xml: " +
                             path +
                             ": 3 numbers are not valid numbers (first: record 3, field CENA: '.  .')\n"
                             "dbf2xml: " +
                             path + ": 1 logical value is none of T, F, Y, N and ? (first: record 3, field OK: 'X')\n")
            << typed;
        args.insert(args.begin(), "--strict");
        EXPECT_EQ(test::RunDbf2xml(args).status, 1);
    }
    // The plain document stays as it always was.
    test::RunDbf2xml({"-q", "-o", xml, path});
    EXPECT_NE(test::ReadFile(xml).find("<row NAROZEN=\"12/30/1899\" CENA=\"\" KS=\"\" OK=\"False\" />"), std::string::npos);
}

}  // namespace
}  // namespace korvane::cli
