// dbf2xml --code-page: text, memos and field names in the code page the table declares or the
// user names, without the code page 852 repair.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Cli.h"
#include "conversion/TextCodePage.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::TableBuilder;
using test::TempDir;

struct Converted {
    int status;
    std::string xml;
    std::string err;
};

Converted Convert(const TempDir& dir, const std::string& table, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"-q", "-o", dir.Path("out.xml")};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(table);
    std::ostringstream out, err;
    std::filesystem::remove(dir.Path("out.xml"));
    const int status = RunCli(args, out, err, false);
    return {status, status == 0 ? dir.Read("out.xml") : "", err.str()};
}

// The rows of a document, without its head.
std::string Rows(const std::string& xml) {
    return xml.substr(xml.find("   <row"));
}

TEST(CodePageName, SpellingsOfACpgFile) {
    const std::vector<std::pair<std::string, std::uint32_t>> cases = {
        {"1251", 1251},
        {"ANSI 1251", 1251},
        {"CP1251", 1251},
        {"cp1251", 1251},
        {"windows-1251", 1251},
        {"UTF-8", 65001},
        {"UTF8", 65001},
        {"utf-8", 65001},
        {"65001", 65001},
        {"ISO-8859-2", 28592},
        {"8859-5", 28595},
        {"88595", 28595},
        {"IBM866", 866},
        {"\xEF\xBB\xBF 1250 \r\n", 1250},
        {"", 0},
        {"LATIN-9", 0},
        {"70000", 0},
        {"ISO-8859-17", 0},
        {"CP", 0},
        {"12a", 0},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(ParseCodePageName(text), number) << text;
}

TEST(CodePage, DeclaredByDriverNameOrCpg) {
    struct Case {
        const char* what;
        std::string table;
        std::string cpgName;
        std::string cpg;
        std::string row;
    };
    const std::string cyrillic866 = "\x8F\xE0\xA8\xA2\xA5\xE2";
    const std::string cyrillic1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет in UTF-8
    auto table = [](std::uint8_t version, std::uint8_t driver, const std::string& value, const std::string& driverName = "") {
        TableBuilder b(version);
        b.LanguageId(driver).Field("T", 'C', 12).Record({value});
        if (!driverName.empty()) b.DriverName(driverName);
        return b.Bytes();
    };
    const std::vector<Case> cases = {
        {"an OEM driver (866)", table(0x03, 0x26, cyrillic866), "", "", "   <row T=\"" + privet + "\" />"},
        {"an ANSI driver (1251)", table(0x30, 0xC9, cyrillic1251), "", "", "   <row T=\"" + privet + "\" />"},
        {"a level 7 driver name", table(0x04, 0, cyrillic866, "DB866RU0"), "", "", "   <row T=\"" + privet + "\" />"},
        {"a .cpg beside the table", table(0x03, 0x57, cyrillic1251), "t.cpg", "ANSI 1251\r\n", "   <row T=\"" + privet + "\" />"},
        {"a .CPG in capitals", table(0x03, 0, privet.substr(0, 12)), "T.CPG", "UTF-8", "   <row T=\"" + privet + "\" />"},
        {"no driver: Windows-1250, no repair", table(0x03, 0, "Pa\xEDs"), "", "", "   <row T=\"Pa\xC3\xADs\" />"},
        {"UTF-8 cut at the field end", table(0x03, 0, "abcdefghij\xE2\x82"), "t.cpg", "65001",
         "   <row T=\"abcdefghij\xEF\xBF\xBD\" />"},
        {"a double-byte driver (936)", table(0x03, 0x4D, "\xB2\xE2\xCA\xD4"), "", "",
         "   <row T=\"\xE6\xB5\x8B\xE8\xAF\x95\" />"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", c.table);
        if (!c.cpgName.empty()) dir.Write(c.cpgName, c.cpg);
        const Converted r = Convert(dir, path, {"--code-page", "table"});
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        EXPECT_EQ(Rows(r.xml), c.row + "\r\n</table>\r\n") << c.what;
    }
}

TEST(CodePage, ANumberOverridesWhatTheTableDeclares) {
    TempDir dir;
    // A Spanish table in Windows-1250 letters: the 852 repair would read País as PaÝs.
    const std::string path = dir.Write("t.dbf", TableBuilder().LanguageId(0x59).Field("T", 'C', 6).Record({"Pa\xEDs"}).Bytes());
    EXPECT_EQ(Rows(Convert(dir, path, {}).xml), "   <row T=\"Pa\xC3\x9Ds\" />\r\n</table>\r\n");
    EXPECT_EQ(Rows(Convert(dir, path, {"--code-page", "1250"}).xml), "   <row T=\"Pa\xC3\xADs\" />\r\n</table>\r\n");
    EXPECT_EQ(Rows(Convert(dir, path, {"--code-page", "table"}).xml), "   <row T=\"Pa\xC3\xADs\" />\r\n</table>\r\n");
    EXPECT_EQ(Rows(Convert(dir, path, {"--code-page", "866"}).xml), "   <row T=\"Pa\xD1\x8Ds\" />\r\n</table>\r\n");
}

// A name is decoded before its ASCII letters are upper-cased: Big5 trail bytes in a-z stay.
TEST(CodePage, FieldNamesAndMemosAreDecoded) {
    TempDir dir;
    const std::string big5Name = "\xAF\x62\xA5\x44\xA9\x6D\xA6\x57";  // 畜主姓名
    const std::string path =
        dir.Write("t.dbf", TableBuilder(0x83).Field(big5Name, 'C', 4).Field("pozn", 'M', 10).Record({"\xAE}", "1"}).Bytes());
    dir.Write("t.dbt", test::MemoBuilder::Dbt(512).Block(1, "\xA5\x78\xA5\x5F\x1A\x1A").Bytes());
    const Converted r = Convert(dir, path, {"--code-page", "950"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string name = "\xE7\x95\x9C\xE4\xB8\xBB\xE5\xA7\x93\xE5\x90\x8D";
    EXPECT_NE(r.xml.find("<xs:attribute name=\"" + name + "\">"), std::string::npos) << r.xml;
    EXPECT_NE(r.xml.find("<xs:attribute name=\"POZN\">"), std::string::npos);
    EXPECT_EQ(Rows(r.xml), "   <row " + name + "=\"\xE5\xBE\x90\" POZN=\"\xE5\x8F\xB0\xE5\x8C\x97\" />\r\n</table>\r\n");
}

TEST(CodePage, CombinesWithTheTypedDocumentAndTheModes) {
    TempDir dir;
    const std::string path = dir.Write(
        "t.dbf",
        TableBuilder().LanguageId(0x57).Field("T", 'C', 6).Field("N", 'N', 6, 2).Record({"\xCF\xF0\xE8", "  1.50"}).Bytes());
    const Converted r = Convert(dir, path, {"--typed", "--code-page", "1251", "--exclusive"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Rows(r.xml), "   <row T=\"\xD0\x9F\xD1\x80\xD0\xB8\" N=\"1.5\" />\r\n</table>\r\n");
    EXPECT_NE(r.xml.find("<xs:attribute name=\"T\" use=\"optional\">"), std::string::npos);
}

// A .cpg that names no code page declares nothing: the table's driver is read instead, and
// the user is warned (with --strict the table fails).
TEST(CodePage, ACpgThatNamesNoCodePageIsPassedOver) {
    const std::string html = "<!DOCTYPE html>\t<html lang=\"en\"><head><title>Shapefile</title>\n<body>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {html, "'<!DOCTYPE html>\\t<html lang=\"en\"><head><t'..."},
        {"LATIN-9\r\n", "'LATIN-9'"},
        {"", "''"},
    };
    for (const auto& [content, quoted] : cases) {
        TempDir dir;
        const std::string t = dir.Write("t.dbf", TableBuilder().LanguageId(0xC9).Field("T", 'C', 2).Record({"\xCF"}).Bytes());
        const std::string cpg = dir.Write("t.cpg", content);
        const Converted r = Convert(dir, t, {"--code-page", "table"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Rows(r.xml), "   <row T=\"\xD0\x9F\" />\r\n</table>\r\n");  // Windows-1251, the driver's
        EXPECT_EQ(r.err, "dbf2xml: " + cpg +
                             ": names no code page; the table's language driver is used (its first line: " + quoted + ")\n");
        const Converted strict = Convert(dir, t, {"--code-page", "table", "--strict"});
        EXPECT_EQ(strict.status, 1);
        EXPECT_EQ(strict.err, "dbf2xml: " + t +
                                  ": t.cpg names no code page; the table's language driver is used (its first line: " + quoted +
                                  "); not converted (--strict)\n");
    }
}

TEST(CodePage, WhatCannotBeReadFailsTheTable) {
    TempDir dir;
    const std::string hebrew = dir.Write("h.dbf", TableBuilder().Field("T", 'C', 2).Record({"a"}).Bytes());
    const std::string hebrewCpg = dir.Write("h.cpg", "867\n");
    const Converted declared = Convert(dir, hebrew, {"--code-page", "table"});
    EXPECT_EQ(declared.status, 1);
    EXPECT_EQ(
        declared.err,
        "dbf2xml: " + hebrewCpg +
            ": declares code page 867, which Korvane cannot decode; name the code page its text is in with --code-page N\n");
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("T", 'C', 2).Record({"a"}).Bytes());
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"--code-page", "867", t}, out, err, false), 2);
    EXPECT_EQ(RunCli({"--code-page", t}, out, err, false), 2);
}

// Tables of Czech and Polish DOS programs: their text, memos and field names in Kamenický and
// Mazovia, read in the code page the table declares or the one named. The plain document
// stays as without the pages (the driver makes no difference to it).
TEST(CodePage, KamenickyAndMazoviaTables) {
    struct Case {
        std::uint8_t driver;
        const char* number;
        std::string letters;  // every accented letter of the alphabet, as stored
        std::string name;     // a field name with one of them
        std::string text;     // the letters as UTF-8
        std::string decodedName;
    };
    const std::vector<Case> cases = {
        {0x68, "895",
         "\xA0\x87\x83\x82\x88\xA1\xA4\xA2\xA9\xA8\x9F\xA3\x96\x98\x91\x8F\x80\x85\x90\x89\x8B\xA5\x95\x9E\x9B\x86\x97"
         "\xA6\x9D\x92",
         "\x80ISLO", "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ", "ČISLO"},
        {0x69, "620", "\x86\x8D\x91\x92\xA4\xA2\x9E\xA6\xA7\x8F\x95\x90\x9C\xA5\xA3\x98\xA0\xA1", "\x8FMA", "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ",
         "ĄMA"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto table = [&](std::uint8_t driver) {
            TableBuilder b(0x83);
            b.LanguageId(driver).Field(c.name, 'C', 30).Field("POZN", 'M', 10).Record({c.letters, "1"});
            return b.Bytes();
        };
        dir.Write("t.dbt", test::MemoBuilder::Dbt(512).Block(1, c.letters + "\x1A\x1A").Bytes());
        const std::string path = dir.Write("t.dbf", table(c.driver));
        for (const char* which : {"table", c.number}) {
            const Converted r = Convert(dir, path, {"--code-page", which});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(Rows(r.xml), "   <row " + c.decodedName + "=\"" + c.text + "\" POZN=\"" + c.text + "\" />\r\n</table>\r\n")
                << which;
            EXPECT_NE(r.xml.find("<xs:attribute name=\"" + c.decodedName + "\">"), std::string::npos) << which;
        }
        const std::string plain = Convert(dir, path, {}).xml;
        dir.Write("t.dbf", table(0));
        EXPECT_EQ(plain, Convert(dir, path, {}).xml) << c.number;
    }
}

// Without --code-page, a table whose text is likely in another code page than it was read in
// gets one note: high bytes where it declares a page other than 1250 and 852, UTF-8 where it
// declares none. A note is no warning: -q hides it and --strict does not fail on it.
TEST(CodePage, ANoteWhenTheTextIsLikelyInAnotherCodePage) {
    const std::string note895 =
        ": note: the table declares code page 895 (Kamenický); its text was read as Windows-1250 with the code page 852 repair; "
        "--code-page table reads it in its own code page\n";
    const std::string noteUtf8 =
        ": note: the table declares no code page and its text is UTF-8; it was read as Windows-1250 with the code page 852 "
        "repair; --code-page 65001 reads it as UTF-8\n";
    struct Case {
        std::uint8_t driver;
        std::vector<std::string> values;
        std::string note;  // "" for none
    };
    const std::vector<Case> cases = {
        {0x68,
         {"plain",
          "\x80"
          "esky",
          "\x87"},
         note895},
        {0x68, {"ascii only", "no high bytes"}, ""},
        {0x00, {"\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", "k\xC5\xAF\xC5\x88"}, noteUtf8},
        // UTF-8 first, then a byte no UTF-8 has: not UTF-8 after all.
        {0x00, {"\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", "k\x85\xE5"}, ""},
        {0x00, {"only ascii"}, ""},
        {0xC8, {"\x8A\x9A"}, ""},  // Windows-1250 declared
    };
    for (const Case& c : cases) {
        TempDir dir;
        TableBuilder b;
        b.LanguageId(c.driver).Field("T", 'C', 20);
        for (const std::string& v : c.values) b.Record({v});
        const std::string path = dir.Write("t.dbf", b.Bytes());
        const test::CliResult loud = test::RunDbf2xml({"-o", dir.Path("t.xml"), path});
        EXPECT_EQ(loud.status, 0);
        const std::string expected = c.note.empty() ? "" : "dbf2xml: " + path + c.note;
        EXPECT_EQ(loud.err.substr(0, loud.err.rfind("dbf2xml: ")), expected) << int(c.driver) << " " << c.values[0];
        EXPECT_EQ(test::RunDbf2xml({"-q", "--strict", "-o", dir.Path("t.xml"), path}).err, "");
        // With a code page named there is nothing to tell.
        EXPECT_EQ(test::RunDbf2xml({"--code-page", "1250", "-o", dir.Path("t.xml"), path}).err.find("note:"), std::string::npos);
    }
}

}  // namespace
}  // namespace korvane::cli
