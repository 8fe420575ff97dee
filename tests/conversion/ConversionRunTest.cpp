// The conversion run: the document byte for byte, the view's states, failures and the repair.
#include <gtest/gtest.h>

#include "conversion/ConversionRun.h"
#include "conversion/ConversionTexts.h"
#include "dbf/Dbf.h"
#include "platform/Exception.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::Convert;
using test::TableBuilder;
using test::TempDir;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<table>\r\n"
    "   <xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\r\n"
    "      <xs:element name=\"row\">\r\n"
    "      <xs:complexType>\r\n";
const std::string kSchemaEnd =
    "      </xs:complexType>\r\n"
    "      </xs:element>\r\n"
    "   </xs:schema>\r\n";

std::string Attribute(const std::string& name, const std::string& base, const std::vector<std::string>& facets) {
    std::string s = "         <xs:attribute name=\"" + name + "\">\r\n            <xs:simpleType>\r\n" +
                    "               <xs:restriction base=\"xs:" + base + "\">\r\n";
    for (const auto& f : facets) s += "                  " + f + "\r\n";
    return s + "               </xs:restriction>\r\n            </xs:simpleType>\r\n         </xs:attribute>\r\n";
}

TEST(ConversionRun, WritesTheSchemaAndRowsByteForByte) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder()
                                                     .Field("NAZEV", 'C', 20)
                                                     .Field("CENA", 'N', 10, 2)
                                                     .Record({"Chleba", "     12.50"})
                                                     .Record({"x"}, true)
                                                     .Bytes());
    const std::string expected =
        kHead + Attribute("NAZEV", "string", {"<xs:maxLength value=\"20\"/>"}) +
        Attribute("CENA", "float", {"<xs:totalDigits value=\"10\"/>", "<xs:fractionDigits value=\"2\"/>"}) + kSchemaEnd +
        "   <row NAZEV=\"Chleba\" CENA=\"12.5\" />\r\n</table>\r\n";
    EXPECT_EQ(Convert(table, dir.Path("t.xml")), expected);
}

TEST(ConversionRun, SchemaTypesForEveryKind) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder(0x30)
                                                     .Field("S", 'N', 3)
                                                     .Field("I", 'I', 4)
                                                     .Field("L", 'L', 1)
                                                     .Field("D", 'D', 8)
                                                     .Field("Y", 'Y', 8, 4)
                                                     .Field("T", 'T', 8)
                                                     .Field("M", 'M', 4)
                                                     .Field("N", 'N', 12)
                                                     .Bytes());
    const std::string expected = kHead + Attribute("S", "integer", {"<xs:totalDigits value=\"3\"/>"}) +
                                 Attribute("I", "integer", {"<xs:totalDigits value=\"4\"/>"}) +
                                 Attribute("L", "unknown_5", {"<xs:maxLength value=\"1\"/>"}) +
                                 Attribute("D", "unknown_9", {"<xs:maxLength value=\"8\"/>"}) +
                                 Attribute("Y", "unknown_8", {"<xs:maxLength value=\"8\"/>"}) +
                                 Attribute("T", "unknown_11", {"<xs:maxLength value=\"8\"/>"}) +
                                 Attribute("M", "unknown_16", {"<xs:maxLength value=\"4\"/>"}) +
                                 Attribute("N", "unknown_25", {"<xs:maxLength value=\"12\"/>"}) + kSchemaEnd + "</table>\r\n";
    EXPECT_EQ(Convert(table, dir.Path("t.xml")), expected);
}

TEST(ConversionRun, RepairsCodePage852CharacterAndMemoValues) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder()
                                                     .Field("C", 'C', 12)
                                                     .Field("M", 'M', 10)
                                                     .Record({"\xAC"
                                                              "esk\xEC",
                                                              "1"})  // Český in code page 852, memo Č
                                                     .Record({"\x9A"
                                                              "koda \xE9"})         // škoda é in Windows-1250
                                                     .Record({"\x84\xA0"})          // ä blocks the repair as a whole
                                                     .Record({"\x90"})              // the code page 852 É
                                                     .Record({"\x81\x83\x88\x98"})  // bytes Windows-1250 leaves undefined
                                                     .Record({"\xE9"})              // é alone is taken for Ú
                                                     .Bytes());
    dir.Write("t.dbt", test::MemoBuilder::Dbt(512).Block(1, "\xAC\x1A\x1A").Bytes());
    const std::string xml = Convert(table, dir.Path("t.xml"));
    const std::string rows = xml.substr(xml.find("   <row"));
    EXPECT_EQ(rows,
              "   <row C=\"\xC4\x8C"
              "esk\xC3\xBD\" M=\"\xC4\x8C\" />\r\n"
              "   <row C=\"\xC5\xA1koda \xC3\xA9\" M=\"\" />\r\n"
              "   <row C=\"\xE2\x80\x9E\xC2\xA0\" M=\"\" />\r\n"
              "   <row C=\"\xC3\x89\" M=\"\" />\r\n"
              "   <row C=\"\xC2\x81\xC2\x83\xC2\x88\xC2\x98\" M=\"\" />\r\n"
              "   <row C=\"\xC3\x9A\" M=\"\" />\r\n"
              "</table>\r\n");
}

TEST(ConversionRun, MemosAreRepairedAsOneValueAndBlobsNever) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder()
                                                     .Field("M", 'M', 10)
                                                     .Field("G", 'G', 10)
                                                     .Record({"1", "1"})  // Stálý zákazník. in code page 852
                                                     .Record({"2", "2"})  // škoda é in Windows-1250
                                                     .Bytes());
    dir.Write(
        "t.dbt",
        test::MemoBuilder::Dbt(512).Block(1, "St\xA0l\xEC z\xA0kazn\xA1k.\x1A\x1A").Block(2, "\x9Akoda \xE9\x1A\x1A").Bytes());
    const std::string xml = Convert(table, dir.Path("t.xml"));
    EXPECT_EQ(xml.substr(xml.find("   <row")),
              "   <row M=\"St\xC3\xA1l\xC3\xBD z\xC3\xA1kazn\xC3\xADk.\" G=\"St\xC2\xA0l\xC4\x9B z\xC2\xA0kazn\xCB\x87k.\" />\r\n"
              "   <row M=\"\xC5\xA1koda \xC3\xA9\" G=\"\xC5\xA1koda \xC3\xA9\" />\r\n"
              "</table>\r\n");
}

TEST(ConversionRun, NamesWithHighBytesAndXmlSafeValues) {
    TempDir dir;
    const std::string table =
        dir.Write("t.dbf", TableBuilder().Field("\x8Aroub", 'C', 12).Record({"a\"b&<c>'"}).Record({"x\ty\x01"}).Bytes());
    const std::string xml = Convert(table, dir.Path("t.xml"));
    EXPECT_NE(xml.find("<xs:attribute name=\"\xC5\xA0ROUB\">"), std::string::npos);
    EXPECT_NE(xml.find("   <row \xC5\xA0ROUB=\"a&quot;b&amp;&lt;c&gt;'\" />\r\n"), std::string::npos);
    EXPECT_NE(xml.find("   <row \xC5\xA0ROUB=\"x&#9;y\xEF\xBF\xBD\" />\r\n"), std::string::npos);
}

TEST(ConversionRun, ViewFollowsTheRunThroughItsStates) {
    TempDir dir;
    const std::string table =
        dir.Write("t.dbf", TableBuilder().Field("A", 'C', 1).Record({"1"}).Record({"2"}, true).Record({"3"}).Bytes());
    test::RecordingView view;
    TableOwner owner;
    ASSERT_TRUE(RunConversion(view, owner, table, dir.Path("t.xml")));
    EXPECT_EQ(owner.Count(), 0u);
    EXPECT_EQ(view.Texts(Control::l_Info), (std::vector<std::string>{texts::kTableOpening, texts::kOk, texts::kXmlOpening,
                                                                     texts::kWritingStructure, texts::kDone}));
    EXPECT_EQ(view.Texts(Control::l_DBF), (std::vector<std::string>{texts::kChooseNext}));
    std::vector<std::string> gauge;
    for (const auto& e : view.events)
        if (e.what == "range" || e.what == "progress") gauge.push_back(e.what + std::to_string(e.a) + "/" + std::to_string(e.b));
    // Deleted records are counted but get no row, so the gauge ends below its maximum.
    EXPECT_EQ(gauge, (std::vector<std::string>{"progress0/0", "range0/3", "progress0/0", "progress1/0", "progress2/0"}));
    // The first five events hide the buttons and show the status line and the gauge.
    EXPECT_EQ(view.events[0].control, static_cast<int>(Control::b_OpenDBF));
    EXPECT_EQ(view.events[0].a, 0);
    EXPECT_EQ(view.events[4].control, static_cast<int>(Control::Gauge));
    EXPECT_EQ(view.events[4].a, 1);
}

TEST(ConversionRun, TableThatCannotBeOpenedIsReportedAndNothingIsWritten) {
    TempDir dir;
    dir.Write("bad.dbf", std::string("\x00", 1) + std::string(40, '\0'));
    struct Case {
        std::string table;
        std::string message;
    };
    for (const Case& c : {Case{dir.Path("none.dbf"), "Open DBF: Open: file not found: \"" + dir.Path("none.dbf") + "\"."},
                          Case{dir.Path("bad.dbf"), "Open DBF: Invalid DBF file."}}) {
        test::RecordingView view;
        TableOwner owner;
        EXPECT_FALSE(RunConversion(view, owner, c.table, dir.Path("out.xml")));
        EXPECT_EQ(view.Messages(), (std::vector<std::string>{c.message}));
        EXPECT_EQ(view.Texts(Control::l_Info), (std::vector<std::string>{texts::kTableOpening}));
        EXPECT_FALSE(std::filesystem::exists(dir.Path("out.xml")));
        EXPECT_EQ(owner.Count(), 0u);
    }
}

TEST(ConversionRun, EmptyTableAndAReplacedTarget) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder().Field("A", 'C', 1).Bytes());
    dir.Write("t.xml", std::string(5000, 'o'));
    EXPECT_EQ(Convert(table, dir.Path("t.xml")),
              kHead + Attribute("A", "string", {"<xs:maxLength value=\"1\"/>"}) + kSchemaEnd + "</table>\r\n");
}

TEST(ConversionRun, RefusesToOverwriteTheTableOrItsCompanions) {
    TempDir dir;
    const std::string bytes = TableBuilder(0x83).Field("M", 'M', 10).MdxFlag(1).Record({"1"}).Bytes();
    const std::string table = dir.Write("T.DBF", bytes);
    const std::string memo = dir.Write("T.DBT", test::MemoBuilder::Dbt(512).Block(1, "x\x1A\x1A").Bytes());
    const std::string index = dir.Write("T.MDX", std::string(100, 'i'));
    for (const std::string& target : {table, memo, index}) {
        const std::string before = test::ReadFile(target);
        test::RecordingView view;
        TableOwner owner;
        try {
            RunConversion(view, owner, table, target);
            ADD_FAILURE() << target;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), texts::kTargetIsSource);
        }
        EXPECT_EQ(test::ReadFile(target), before);
        EXPECT_EQ(owner.Count(), 1u);  // left open for the application to release
    }
}

// A run that fails half-way leaves the target as it was: no file where there was none, and
// an earlier document byte for byte; no temporary file is left in the folder.
TEST(ConversionRun, ErrorDuringTheRowsLeavesTheRunningStateAndTheTargetAsItWas) {
    KORVANE_LINUX_ONLY("/proc/self/mem");
    for (bool earlier : {false, true}) {
        TempDir dir;
        // More than one buffer of rows with blank memos, then a memo whose read the system
        // refuses (the test's own memory at an address nothing is mapped at).
        TableBuilder b(0x83);
        b.Field("M", 'M', 10);
        for (int i = 0; i < 20000; ++i) b.Record({""});
        b.Record({"1"});
        const std::string table = dir.Write("t.dbf", b.Bytes());
        std::filesystem::create_symlink("/proc/self/mem", dir.Path("t.dbt"));
        if (earlier) dir.Write("t.xml", "<?xml version=\"1.0\"?><table/>");
        test::RecordingView view;
        TableOwner owner;
        try {
            RunConversion(view, owner, table, dir.Path("t.xml"));
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Error while reading occured.");
        }
        EXPECT_EQ(view.Texts(Control::l_Info).back(), texts::kWritingStructure);
        if (earlier)
            EXPECT_EQ(dir.Read("t.xml"), "<?xml version=\"1.0\"?><table/>");
        else
            EXPECT_FALSE(std::filesystem::exists(dir.Path("t.xml")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), earlier ? 3 : 2);
        EXPECT_EQ(owner.Count(), 1u);
    }
}

TEST(ConversionRun, TargetInAMissingFolderOrAFolderFails) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder().Field("A", 'C', 1).Bytes());
    std::filesystem::create_directory(dir.Path("folder"));
    struct Case {
        std::string target;
        std::string message;
    };
    for (const Case& c : {Case{dir.Path("missing/t.xml"), "Invalid file name - " + dir.Path("missing/t.xml")},
                          Case{dir.Path("folder"), "File access denied"}}) {
        test::RecordingView view;
        TableOwner owner;
        try {
            RunConversion(view, owner, table, c.target);
            ADD_FAILURE();
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(ConversionRun, FullDiskIsReported) {
    KORVANE_LINUX_ONLY("/dev/full");
    TempDir dir;
    TableBuilder b;
    b.Field("A", 'C', 50);
    for (int i = 0; i < 3000; ++i) b.Record({"some text to fill the disk"});
    const std::string table = dir.Write("t.dbf", b.Bytes());
    test::RecordingView view;
    TableOwner owner;
    try {
        RunConversion(view, owner, table, "/dev/full");
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 101);
        EXPECT_EQ(e.Message(), "Disk full");
    }
}

}  // namespace
}  // namespace korvane
