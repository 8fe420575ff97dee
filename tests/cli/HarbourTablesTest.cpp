// Tables of Clipper and Harbour: binary dates and times of day, scaled integers, their binary
// letters, character fields wider than 255 bytes at dBase III, in the plain and the typed
// document, at dBase III and in a table Harbour marks as FoxPro's.
#include <gtest/gtest.h>

#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::Le32;
using test::Le64;
using test::TableBuilder;
using test::TempDir;

constexpr std::uint32_t kJulian = 2460370;  // 29 February 2024

std::string Le16(int v) {
    return test::Le16(v);
}

// Every record: the date in 3, 4 and 8 bytes, a time of day, a field that must not leak into
// it, a scaled integer and Harbour's binary letters.
std::string Harbour(std::uint8_t version) {
    TableBuilder b(version);
    b.FieldByte("D3", 'D', 3).FieldByte("D4", 'D', 4).FieldByte("D8", 'D', 8).FieldByte("T4", 'T', 4);
    b.FieldByte("NEXT", 'C', 4).FieldByte("IS", 'I', 4, 2).FieldByte("AI", '+', 4).FieldByte("MT", '=', 8);
    b.FieldByte("RV", '^', 8).FieldByte("S2", '2', 2).FieldByte("I4", '4', 4).FieldByte("F8", '8', 8);
    for (const auto& [ms, scaled] :
         std::vector<std::pair<std::uint32_t, std::int32_t>>{{45296000, 123456}, {86399999, -5}, {0, 0}, {86400000, 123456}}) {
        b.RawRecord(Le32(kJulian).substr(0, 3) + Le32(kJulian) + "20240229" + Le32(ms) + "ZZZZ" +
                    Le32(static_cast<std::uint32_t>(scaled)) + Le32(7) + Le32(kJulian) + Le32(45296001) +
                    Le64(static_cast<std::uint64_t>(-9000000000LL)) + Le16(-2) + Le32(100000) + Le64(0x3FF8000000000000ull));
    }
    return b.Bytes();
}

std::vector<std::string> Rows(const std::string& xml) {
    std::vector<std::string> rows;
    for (std::size_t at = xml.find("   <row"); at != std::string::npos; at = xml.find("   <row", at + 1))
        rows.push_back(xml.substr(at, xml.find("\r\n", at) - at));
    return rows;
}

TEST(HarbourTables, BinaryFormsInBothDocuments) {
    const std::string same = " AI=\"7\"";
    const std::string rest = " RV=\"-9000000000\" S2=\"-2\" I4=\"100000\" F8=\"1.5\" />";
    const std::string plainDates = "   <row D3=\"02/29/2024\" D4=\"02/29/2024\" D8=\"02/29/2024\"";
    const std::string typedDates = "   <row D3=\"2024-02-29\" D4=\"2024-02-29\" D8=\"2024-02-29\"";
    const std::string plainStamp = " MT=\"02/29/2024 12:34:56\"";
    const std::string typedStamp = " MT=\"2024-02-29T12:34:56.001\"";
    struct Case {
        std::uint8_t version;
        bool typed;
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {0x03,
         false,
         {plainDates + " T4=\"12:34:56\" NEXT=\"ZZZZ\" IS=\"1234.56\"" + same + plainStamp + rest,
          plainDates + " T4=\"23:59:59\" NEXT=\"ZZZZ\" IS=\"-0.05\"" + same + plainStamp + rest,
          plainDates + " T4=\"\" NEXT=\"ZZZZ\" IS=\"0\"" + same + plainStamp + rest,
          plainDates + " T4=\"\" NEXT=\"ZZZZ\" IS=\"1234.56\"" + same + plainStamp + rest}},
        {0x03,
         true,
         {typedDates + " T4=\"12:34:56\" NEXT=\"ZZZZ\" IS=\"1234.56\"" + same + typedStamp + rest,
          typedDates + " T4=\"23:59:59.999\" NEXT=\"ZZZZ\" IS=\"-0.05\"" + same + typedStamp + rest,
          typedDates + " NEXT=\"ZZZZ\" IS=\"0.00\"" + same + typedStamp + rest,
          typedDates + " NEXT=\"ZZZZ\" IS=\"1234.56\"" + same + typedStamp + rest}},
        // Harbour marks a table with an .fpt as FoxPro's: FoxPro's own I keeps its form.
        {0xF5,
         false,
         {plainDates + " T4=\"12:34:56\" NEXT=\"ZZZZ\" IS=\"123456\"" + same + plainStamp + rest,
          plainDates + " T4=\"23:59:59\" NEXT=\"ZZZZ\" IS=\"-5\"" + same + plainStamp + rest,
          plainDates + " T4=\"\" NEXT=\"ZZZZ\" IS=\"0\"" + same + plainStamp + rest,
          plainDates + " T4=\"\" NEXT=\"ZZZZ\" IS=\"123456\"" + same + plainStamp + rest}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("h.dbf", Harbour(c.version));
        std::vector<std::string> args = {"-q", path};
        if (c.typed) args.insert(args.begin(), "--typed");
        const test::CliResult r = test::RunDbf2xml(args);
        EXPECT_EQ(r.status, 0);
        // The time past the day is a value that cannot be read.
        EXPECT_EQ(r.err, "dbf2xml: " + path +
                             ": 1 value could not be read and was left empty (first: record 4, field T4: 00 5C 26 05 is "
                             "not a valid timestamp)\n");
        EXPECT_EQ(Rows(dir.Read("h.xml")), c.rows) << int(c.version) << (c.typed ? " typed" : "");
        if (c.typed) {
            const std::string xml = dir.Read("h.xml");
            for (const char* type :
                 {"xs:date", "xs:time", "xs:decimal", "xs:int", "xs:dateTime", "xs:long", "xs:short", "xs:double"})
                EXPECT_NE(xml.find(std::string("<xs:restriction base=\"") + type + "\"/>"), std::string::npos) << type;
        }
    }
}

// A character field wider than 255 bytes keeps the high byte of its width in its decimals byte;
// read so only where the widths then fill the record as the header says.
TEST(HarbourTables, CharacterFieldsWiderThan255Bytes) {
    TempDir dir;
    const std::string wide = dir.Write("w.dbf", TableBuilder()
                                                    .Field("LONG", 'C', 300)
                                                    .Field("N1", 'C', 3)
                                                    .Field("N2", 'N', 4)
                                                    .Record({std::string(299, 'x') + "y", "abc", "  12"})
                                                    .Bytes());
    ASSERT_EQ(test::RunDbf2xml({"-q", wide}).status, 0);
    const std::string xml = dir.Read("w.xml");
    EXPECT_NE(xml.find("<row LONG=\"" + std::string(299, 'x') + "y\" N1=\"abc\" N2=\"12\" />"), std::string::npos);
    EXPECT_NE(xml.find("<xs:maxLength value=\"300\"/>"), std::string::npos);
    // A decimals byte where the widths as stored fill the record is left as it is.
    const std::string plain =
        dir.Write("p.dbf", TableBuilder().Field("A", 'C', 8, 2).Field("B", 'C', 2).Record({"12345678", "ab"}).Bytes());
    ASSERT_EQ(test::RunDbf2xml({"-q", plain}).status, 0);
    EXPECT_NE(dir.Read("p.xml").find("<row A=\"12345678\" B=\"ab\" />"), std::string::npos);
}

std::string Utf16(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) bytes += test::Le16(c);
    return bytes;
}

// Harbour's variable-length field Q: text unless its descriptor says binary, its length bit in
// _NullFlags as FoxPro 9 allocates them; Visual FoxPro's own Q stays binary. Unicode
// character, varchar and memo fields: UTF-16, whatever code page the text is read in.
TEST(HarbourTables, VariableLengthAndUnicodeFields) {
    const std::string czech =
        "\xC4\x8C"
        "e\xC5\xA1tina";  // Čeština
    const std::u16string mixed = u"日本語 عربي Čeština";
    const std::string mixedUtf8 = "日本語 عربي " + czech;
    const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
    struct Case {
        std::string name;
        std::uint8_t version;
        std::string nullFlags;  // the record's _NullFlags byte, "" for a table without the field
        std::string plain;      // the attributes of the plain document's row
    };
    const std::vector<Case> cases = {
        // Length bits clear: the whole field, its length byte included (a control character);
        // QB's bytes as the plain document shows varbinary bytes (controls, each U+FFFD).
        {"bits clear", 0x03, std::string(1, '\0'), " QT=\"abc\xEF\xBF\xBD\" QB=\"" + bad + bad + bad + bad + "\""},
        // Length bits set: QT's first 2 bytes, QB's first byte.
        {"bits set", 0x03, "\x03", " QT=\"ab\" QB=\"\xEF\xBF\xBD\""},
        {"no _NullFlags", 0x03, "", " QT=\"abc\xEF\xBF\xBD\" QB=\"" + bad + bad + bad + bad + "\""},
        {"Harbour's FoxPro", 0xF5, "\x03", " QT=\"ab\" QB=\"\xEF\xBF\xBD\""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TableBuilder b(c.version);
        b.Field("QT", 'Q', 4).Field("QB", 'Q', 4, 0, 0x04).Field("U", '\x1A', 36).Field("UV", '\x1B', 10).Field("UB", '\x1B', 6);
        if (!c.nullFlags.empty()) b.Field("_NullFlags", '0', 1);
        // QT: "abc" and its length byte 2; QB: bytes 1 2 3 and its length byte 1.
        std::string record =
            "abc\x02"
            "\x01\x02\x03\x01" +
            Utf16(mixed) + Utf16(u"  ") + Utf16(u"Dva") + std::string(2, '\0') + test::Le16(3) + std::string(4, '\0') +
            test::Le16(9);
        if (!c.nullFlags.empty()) record += c.nullFlags;
        b.RawRecord(record);
        const std::string path = dir.Write("u.dbf", b.Bytes());
        for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--code-page", "1251"}}) {
            std::vector<std::string> args = options;
            args.insert(args.end(), {"-q", "-o", dir.Path("u.xml"), path});
            ASSERT_EQ(test::RunDbf2xml(args).status, 0) << c.name;
            const std::vector<std::string> rows = Rows(dir.Read("u.xml"));
            ASSERT_EQ(rows.size(), 1u);
            // The Unicode fields read alike in every code page; a count beyond the field is empty text.
            EXPECT_NE(rows[0].find(" U=\"" + mixedUtf8 + "\" UV=\"Dva\" UB=\"\""), std::string::npos) << c.name << rows[0];
            if (options.empty()) {
                EXPECT_TRUE(rows[0].starts_with("   <row" + c.plain)) << c.name << ": " << rows[0];
            }
        }
        ASSERT_EQ(test::RunDbf2xml({"--typed", "-q", "-o", dir.Path("t.xml"), path}).status, 0);
        const std::string typed = dir.Read("t.xml");
        EXPECT_NE(typed.find(" U=\"" + mixedUtf8 + "\" UV=\"Dva\""), std::string::npos) << c.name;
        EXPECT_NE(typed.find("QB=\"" + std::string(c.nullFlags == "\x03" ? "AQ==" : "AQIDAQ==") + "\""), std::string::npos)
            << c.name;
    }
    // Visual FoxPro's own Q is binary whatever its flags.
    TempDir dir;
    const std::string vfp = dir.Write("v.dbf", TableBuilder(0x30).Field("Q", 'Q', 2).RawRecord("ab").Bytes());
    ASSERT_EQ(test::RunDbf2xml({"--typed", "-q", vfp}).status, 0);
    EXPECT_NE(dir.Read("v.xml").find("<row Q=\"YWI=\" />"), std::string::npos);
}

// A Unicode memo: UTF-16 text in the memo file, an odd last byte dropped, an unpaired
// surrogate shown as U+FFFD.
TEST(HarbourTables, UnicodeMemo) {
    TempDir dir;
    test::MemoBuilder memo = test::MemoBuilder::Fpt(64);
    memo.FptMemo(8, Utf16(u"日本語 Čeština ") + Utf16(std::u16string(1, char16_t(0xD800))) + "x");
    dir.Write("m.fpt", memo.Bytes());
    const std::string path = dir.Write("m.dbf", TableBuilder(0xF5).Field("UM", '\x1C', 4).RawRecord(Le32(8)).Bytes());
    for (const char* typed : {"--read-only", "--typed"}) {
        ASSERT_EQ(test::RunDbf2xml({typed, "-q", path}).status, 0);
        EXPECT_NE(dir.Read("m.xml").find("UM=\"日本語 " + std::string("\xC4\x8C") + "e\xC5\xA1tina \xEF\xBF\xBD\""),
                  std::string::npos)
            << typed;
    }
}

}  // namespace
}  // namespace korvane::cli
