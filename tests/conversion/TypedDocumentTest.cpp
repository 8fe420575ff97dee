// The typed document: a schema that validates the document it heads, values in XML Schema's
// lexical forms, and attributes left out where there is no value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "conversion/ConversionRun.h"
#include "conversion/XsdValues.h"
#include "platform/Exception.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::Le32;
using test::Le64;
using test::TableBuilder;
using test::TempDir;

std::uint64_t BitsOf(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// The inline schema of a document, as a schema document of its own.
std::string InlineSchema(const std::string& xml) {
    const std::size_t start = xml.find("<xs:schema");
    const std::size_t end = xml.find("</xs:schema>") + std::strlen("</xs:schema>");
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + xml.substr(start, end - start) + "\n";
}

// Converts `table` into a typed document and checks that it validates against its own schema;
// returns the rows.
std::string TypedRows(const TempDir& dir, const std::string& table) {
    test::RecordingView view;
    TableOwner owner;
    ConversionOptions options;
    options.typed = true;
    EXPECT_TRUE(RunConversion(view, owner, table, dir.Path("t.xml"), options));
    const std::string xml = dir.Read("t.xml");
    dir.Write("t.xsd", InlineSchema(xml));
    if (!test::kOnWindows) {  // xmllint is Linux's
        EXPECT_EQ(
            std::system(("xmllint --noout --schema '" + dir.Path("t.xsd") + "' '" + dir.Path("t.xml") + "' 2>/dev/null").c_str()),
            0)
            << xml;
    }
    return xml.substr(xml.find("   <row"));
}

TEST(TypedDocument, EveryFoxProKindAndNullForm) {
    TempDir dir;
    const std::string table = TableBuilder(0x30)
                                  .Field("NAZEV", 'C', 10, 0, 0x02)
                                  .Field("CENA", 'N', 8, 2)
                                  .Field("KS", 'N', 5)
                                  .Field("KURZ", 'F', 10, 3)
                                  .Field("CASTKA", 'Y', 8, 4)
                                  .Field("POCET", 'I', 4)
                                  .Field("VAHA", 'B', 8, 2)
                                  .Field("OK", 'L', 1)
                                  .Field("DATUM", 'D', 8)
                                  .Field("CAS", 'T', 8)
                                  .Field("POZN", 'M', 4)
                                  .Field("OBR", 'G', 4)
                                  .Field("DATA", 'W', 4)
                                  .Field("KOD", 'V', 6)
                                  .Field("BIN", 'Q', 4)
                                  .Field("_NULLFLAGS", '0', 1, 0, 0x05)
                                  .RawRecord(
                                      "Novak     "
                                      " 1234.50"
                                      "   12"
                                      "     1.5E3" +
                                      Le64(123400) + Le32(static_cast<std::uint32_t>(-5)) + Le64(BitsOf(0.1)) +
                                      "Y"
                                      "20240229" +
                                      Le32(2451544) + Le32(30600001) + Le32(1) + Le32(2) + Le32(3) +
                                      std::string("ab\0\0\0\x02", 6) + std::string("\xFF\x00 \x02", 4) + "\x06")
                                  .RawRecord(
                                      "Skryto    "
                                      "        "
                                      "  abc"
                                      "       1,5" +
                                      Le64(0) + Le32(0) + Le64(BitsOf(-0.0)) +
                                      "?"
                                      "20230229" +
                                      std::string(8, '\0') + Le32(0) + Le32(0) + Le32(0) + "      " + "    " + "\x01")
                                  .Bytes();
    dir.Write("t.fpt", test::MemoBuilder::Fpt(64).FptMemo(1, "text").FptMemo(2, "\x01\x02").FptMemo(3, "abc").Bytes());
    const std::string path = dir.Write("t.dbf", table);
    EXPECT_EQ(
        TypedRows(dir, path),
        "   <row NAZEV=\"Novak\" CENA=\"1234.5\" KS=\"12\" KURZ=\"1500\" CASTKA=\"12.34\" POCET=\"-5\" VAHA=\"0.1\" OK=\"true\" "
        "DATUM=\"2024-02-29\" CAS=\"1999-12-31T08:30:00.001\" POZN=\"text\" OBR=\"AQI=\" DATA=\"YWJj\" KOD=\"ab\" BIN=\"/wA=\" "
        "/>\r\n"
        "   <row CASTKA=\"0\" POCET=\"0\" VAHA=\"0\" POZN=\"\" OBR=\"\" DATA=\"\" KOD=\"\" BIN=\"ICAgIA==\" />\r\n"
        "</table>\r\n");
    const std::string xml = dir.Read("t.xml");
    // The null flags are the table's bookkeeping: no attribute in the schema either.
    EXPECT_EQ(xml.find("_NULLFLAGS"), std::string::npos);
    EXPECT_NE(xml.find("<korvane:field type=\"N\" width=\"8\" decimals=\"2\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<xs:maxLength value=\"10\"/>"), std::string::npos);
}

TEST(TypedDocument, DbaseBinaryFormsWideNumbersAndLogicals) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("VELKE", 'I', 8)
                                  .Field("MALE", 'I', 2)
                                  .Field("KDY", '@', 8)
                                  .Field("PODIL", 'B', 8, 3)
                                  .Field("SIROKE", 'N', 50, 2)
                                  .Field("ANO", 'L', 1)
                                  .RawRecord(Le64(static_cast<std::uint64_t>(-1234567890123LL)) + "\xFF\xFF" + Le32(2460311) +
                                             Le32(0) + Le64(BitsOf(1e-7)) + std::string(44, ' ') + "-12.50" + "n")
                                  .Bytes();
    EXPECT_EQ(TypedRows(dir, dir.Write("t.dbf", table)),
              "   <row VELKE=\"-1234567890123\" MALE=\"-1\" KDY=\"2024-01-01T00:00:00\" PODIL=\"1.0E-7\" SIROKE=\"-12.5\" "
              "ANO=\"false\" />\r\n"
              "</table>\r\n");
    EXPECT_NE(dir.Read("t.xml").find("base=\"xs:long\""), std::string::npos);
}

TEST(TypedDocument, Level7DoublesAndTimeStamps) {
    TempDir dir;
    const std::string table = TableBuilder(0x04)
                                  .Field("ID", '+', 4)
                                  .Field("O", 'O', 8)
                                  .Field("KDY", '@', 8)
                                  .RawRecord(std::string("\x80\x00\x00\x07", 4) + test::Be64(0xC000000000000000ull) +
                                             test::Be64(BitsOf(63871286400000.0 + 86400000.0 + 1.0)))
                                  .RawRecord(std::string(4, '\0') + std::string(8, '\0') + std::string(8, '\0'))
                                  .Bytes();
    EXPECT_EQ(TypedRows(dir, dir.Write("t.dbf", table)),
              "   <row ID=\"7\" O=\"2\" KDY=\"2025-01-01T00:00:00.001\" />\r\n"
              "   <row />\r\n"
              "</table>\r\n");
}

// A memo that Visual FoxPro flags as binary is base64 in the typed document, byte for byte;
// Harbour's @ at FoxPro level is its Julian day and millisecond.
TEST(TypedDocument, BinaryMemosAndHarbourTimeStamps) {
    TempDir dir;
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    dir.Write("t.fpt", test::MemoBuilder::Fpt(64).FptMemo(1, all).FptMemo(8, "text").Bytes());
    const std::string table = TableBuilder(0x30)
                                  .Field("KOD", 'M', 4, 0, 0x04)
                                  .Field("POZN", 'M', 4)
                                  .Field("KDY", '@', 8)
                                  .RawRecord(Le32(1) + Le32(8) + std::string("\x36\x85\x25\x00\xb8\xef\xc2\x03", 8))
                                  .Bytes();
    EXPECT_EQ(TypedRows(dir, dir.Write("t.dbf", table)),
              "   <row KOD=\"" + Base64({reinterpret_cast<const std::uint8_t*>(all.data()), all.size()}) +
                  "\" POZN=\"text\" KDY=\"2020-03-25T17:31:47\" />\r\n</table>\r\n");
}

// Every field's own name stands in the annotation where its attribute name differs from it.
TEST(TypedDocument, FieldsKeepTheirOwnNames) {
    TempDir dir;
    const std::string table = TableBuilder(0x03)
                                  .Field("Nazev", 'C', 4)
                                  .Field("KS", 'N', 2)
                                  .Field("KS", 'N', 2)
                                  .Field("A B", 'C', 1)
                                  .Field("x\x01y", 'C', 1)
                                  .Record({"a", "1", "2", "b", "c"})
                                  .Bytes();
    TypedRows(dir, dir.Write("t.dbf", table));
    const std::string xml = dir.Read("t.xml");
    const auto annotation = [&](const std::string& attribute) {
        const std::size_t at = xml.find("<xs:attribute name=\"" + attribute + "\"");
        const std::size_t from = xml.find("<korvane:field", at);
        return xml.substr(from, xml.find(" type=", from) - from);
    };
    EXPECT_EQ(annotation("NAZEV"), "<korvane:field name=\"Nazev\"");
    EXPECT_EQ(annotation("KS"), "<korvane:field");
    EXPECT_EQ(annotation("KS2"), "<korvane:field name=\"KS\"");
    EXPECT_EQ(annotation("A_B"), "<korvane:field name=\"A B\"");
    EXPECT_EQ(annotation("X_Y"), "<korvane:field name-bytes=\"78 01 79\"");
}

// Whatever a field's type byte, a table that opens gives a typed document that XML parsers
// read (type bytes below 0x20 once became character references that XML 1.0 forbids).
TEST(TypedDocument, WellFormedForEveryTypeByte) {
    TempDir dir;
    std::string documents;
    int opened = 0;
    for (const int version : {0x03, 0x30, 0xF5, 0x04}) {
        for (int type = 0; type < 256; ++type) {
            const std::string name = std::to_string(version) + "-" + std::to_string(type);
            TableBuilder b(static_cast<std::uint8_t>(version));
            b.FieldByte("F", static_cast<std::uint8_t>(type), 8).RawRecord(std::string(8, '1'));
            const std::string table = dir.Write(name + ".dbf", b.Bytes());
            test::RecordingView view;
            TableOwner owner;
            ConversionOptions options;
            options.typed = true;
            try {
                if (!RunConversion(view, owner, table, dir.Path(name + ".xml"), options)) continue;
            } catch (const Exception&) {
                continue;  // a value that cannot be read: no document
            }
            ++opened;
            documents += " '" + dir.Path(name + ".xml") + "'";
            if (type == 0x1A || type == 0x91) {
                EXPECT_NE(dir.Read(name + ".xml").find(type == 0x1A ? "type=\"0x1A\"" : "type=\"0x91\""), std::string::npos);
            }
        }
    }
    EXPECT_GT(opened, 40);
    EXPECT_EQ(std::system(("xmllint --noout" + documents).c_str()), 0);
}

// A time stamp outside any calendar is left out, counted with the first of its kind, and the
// run goes on.
TEST(TypedDocument, ATimeStampOutsideAnyCalendarIsLeftOutAndCounted) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", TableBuilder(0x30)
                                                    .Field("T", 'T', 8)
                                                    .RawRecord(Le32(2460311) + Le32(0))
                                                    .RawRecord(Le32(1721425) + Le32(1))
                                                    .RawRecord(Le32(1721425) + Le32(2))
                                                    .RawRecord(Le32(5373485) + Le32(0))  // 1 January 10000
                                                    .Bytes());
    test::RecordingView view;
    TableOwner owner;
    ConversionOptions options;
    options.typed = true;
    ConversionReport report;
    ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), options, &report));
    const std::string xml = dir.Read("t.xml");
    EXPECT_NE(xml.find("   <row T=\"2024-01-01T00:00:00\" />\r\n   <row />\r\n   <row />\r\n   <row />\r\n</table>"),
              std::string::npos);
    const ValueIssue& issue = report.Values(ValueProblem::Unreadable);
    EXPECT_EQ(issue.count, 3);
    EXPECT_EQ(issue.record, 2);
    EXPECT_EQ(issue.field, "T");
    EXPECT_EQ(issue.detail, "51 44 1A 00 01 00 00 00");
}

// Values read straight from the record write what the general rules write, byte for byte:
// random character, numeric, date and logical text of every shape, under several settings.
TEST(TypedDocument, StraightFromTheRecordAsTheGeneralRules) {
    std::mt19937 rng(11);
    const std::vector<std::string> numbers = {
        "  12.50", "-0.000", "1.5E3", "  .5", "-.", "   .  ", "1,5",   "9999999999999999999", "  -12", "+7", "12.7",
        "0000001", "1e-30",  "  abc", "",     "-0", "32768",  "-32769"};
    const std::vector<std::string> dates = {"20240229", "20230229", "        ", "2024 2 3", "abcdefgh", "00000000", "99991231"};
    const std::string letters = "TtFfYyNn?X 1";
    for (const std::uint32_t codePage : {1250u, 65001u, 1252u}) {
        platform::PlatformSettings settings = test::DefaultTestSettings();
        settings.ansiCodePage = codePage;
        TempDir dir;
        TableBuilder b;
        b.Field("C", 'C', 12).Field("D2", 'N', 20, 2).Field("D4", 'N', 12, 4).Field("S", 'N', 4).Field("I", 'N', 8);
        b.Field("L", 'N', 19).Field("DT", 'D', 8).Field("B", 'L', 1);
        for (int r = 0; r < 300; ++r) {
            std::string text;
            for (int k = 0; k < 12; ++k)
                text +=
                    static_cast<char>(rng() % 3 == 0 ? 0x80u + rng() % 128 : static_cast<unsigned char>("ab<&\"' "[rng() % 7]));
            auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
            b.Record({text, pick(numbers), pick(numbers), pick(numbers), pick(numbers), pick(numbers), pick(dates),
                      std::string(1, letters[rng() % letters.size()])});
        }
        const std::string path = dir.Write("t.dbf", b.Bytes());
        std::string documents[2];
        for (const bool general : {false, true}) {
            test::RecordingView view;
            TableOwner owner;
            ConversionOptions options;
            options.settings = settings;
            options.typed = true;
            options.generalValues = general;
            ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), options));
            documents[general ? 1 : 0] = dir.Read("t.xml");
        }
        EXPECT_TRUE(documents[0] == documents[1]) << codePage;
        EXPECT_NE(documents[0].find("<row C=\""), std::string::npos);
    }
}

}  // namespace
}  // namespace korvane
