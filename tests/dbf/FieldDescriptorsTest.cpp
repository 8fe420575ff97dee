// Field descriptors into field definitions: kinds, sizes, precisions, names and limits.
#include <gtest/gtest.h>

#include "dbf/Dbf.h"
#include "dbf/DbfErrors.h"
#include "dbf/FieldNames.h"
#include "platform/CodePages.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::TableBuilder;
using test::TempDir;

struct KindCase {
    std::uint8_t version;
    std::uint8_t type;
    int width;
    int precision;
    TFieldType kind;
    int size;
    int expectedPrecision;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << "level " << int(c.version) << " type " << int(c.type) << " width " << c.width << " precision " << c.precision;
}

class FieldKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(FieldKindTest, KindSizeAndPrecisionFollowTheLetter) {
    const KindCase& c = GetParam();
    TempDir dir;
    TableBuilder b(c.version);
    b.FieldByte("F", c.type, c.width, static_cast<std::uint8_t>(c.precision));
    const std::string path = dir.Write("t.dbf", b.Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    const TDbfFieldDef& def = table.GetDbfFieldDefs()->Items(0);
    EXPECT_EQ(def.FieldType, c.kind);
    EXPECT_EQ(def.Size, c.size);
    EXPECT_EQ(def.Precision, c.expectedPrecision);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, FieldKindTest,
    ::testing::Values(KindCase{0x03, 'C', 20, 0, ftString, 20, 0}, KindCase{0x03, 'c', 5, 3, ftString, 5, 0},
                      KindCase{0x03, 0x91, 7, 2, ftString, 7, 2}, KindCase{0x03, 'N', 4, 0, ftSmallint, 4, 0},
                      KindCase{0x03, 'N', 5, 0, ftInteger, 5, 0}, KindCase{0x03, 'N', 10, 0, ftLargeint, 10, 0},
                      KindCase{0x03, 'N', 25, 0, ftLargeint, 20, 0}, KindCase{0x03, 'N', 10, 2, ftFloat, 10, 2},
                      KindCase{0x03, 'N', 3, 2, ftFloat, 3, 1}, KindCase{0x03, 'N', 1, 1, ftFloat, 1, 0},
                      KindCase{0x03, 'F', 30, 25, ftFloat, 20, 18}, KindCase{0x03, 'n', 9, 0, ftInteger, 9, 0},
                      KindCase{0x03, 'I', 4, 0, ftInteger, 4, 0}, KindCase{0x04, '+', 4, 0, ftAutoInc, 4, 0},
                      KindCase{0x03, 'L', 1, 0, ftBoolean, 1, 0}, KindCase{0x03, 'D', 8, 0, ftDate, 8, 0},
                      KindCase{0xF5, 'T', 8, 0, ftDateTime, 8, 0}, KindCase{0x03, 'T', 8, 0, ftDateTime, 14, 0},
                      KindCase{0x04, '@', 8, 0, ftDateTime, 8, 0}, KindCase{0x04, 'O', 8, 0, ftFloat, 8, 0},
                      KindCase{0xF5, 'B', 8, 3, ftFloat, 8, 3}, KindCase{0x03, 'B', 10, 0, ftBlob, 10, 0},
                      KindCase{0xF5, 'M', 4, 0, ftMemo, 4, 0}, KindCase{0xF5, 'M', 10, 0, ftMemo, 10, 0},
                      KindCase{0xF5, 'M', 7, 0, ftMemo, 4, 0}, KindCase{0x03, 'M', 4, 0, ftMemo, 10, 0},
                      KindCase{0x03, 'G', 10, 0, ftDBaseOle, 10, 0}, KindCase{0xF5, 'Y', 8, 4, ftBCD, 8, 4},
                      KindCase{0x30, '0', 3, 0, ftBytes, 3, 0},
                      // Binary forms that other xBase programs put into dBase III and V tables.
                      KindCase{0x03, 'I', 2, 0, ftInteger, 4, 0}, KindCase{0x03, 'I', 8, 0, ftLargeint, 8, 0},
                      KindCase{0x03, 'i', 8, 0, ftLargeint, 8, 0}, KindCase{0x04, 'I', 8, 0, ftInteger, 4, 0},
                      KindCase{0x30, 'I', 8, 0, ftInteger, 4, 0}, KindCase{0x03, '@', 8, 0, ftDateTime, 8, 0},
                      KindCase{0x03, 'B', 8, 2, ftFloat, 8, 2}, KindCase{0x04, 'B', 8, 2, ftBlob, 10, 0},
                      // FoxPro 9: varchar, varbinary, blob, and a general field of width 4.
                      KindCase{0x30, 'V', 20, 0, ftString, 20, 0}, KindCase{0x30, 'v', 10, 1, ftString, 10, 0},
                      KindCase{0x30, 'Q', 12, 0, ftVarBytes, 12, 0}, KindCase{0x30, 'W', 4, 0, ftBlob, 4, 0},
                      KindCase{0x30, 'G', 4, 0, ftDBaseOle, 4, 0}));

TEST(FieldDescriptors, OnlyMemoAndBlobFieldsNeedAMemoFile) {
    struct Case {
        std::uint8_t version;
        char type;
        int width;
        bool blob;
    };
    for (const Case& c :
         {Case{0x03, 'B', 8, false}, Case{0x03, 'B', 10, true}, Case{0x8C, 'B', 8, true}, Case{0x30, 'B', 8, true},
          Case{0x30, 'W', 4, true}, Case{0x30, 'V', 4, false}, Case{0x30, 'Q', 4, false}}) {
        TempDir dir;
        TDbf table;
        table.ReadOnly = true;
        table.SetTableName(dir.Write("t.dbf", TableBuilder(c.version).Field("F", c.type, c.width).Bytes()));
        table.Open();
        EXPECT_EQ(table.DbfFile()->HasBlob(), c.blob) << int(c.version) << " " << c.type << c.width;
    }
}

// FoxPro 9 numbers the _NULLFLAGS bits in descriptor order: a length bit for each V and Q
// field, a null bit for each nullable field, the length bit first.
TEST(FieldDescriptors, NullFlagBitsOfVarFields) {
    TempDir dir;
    TDbf table;
    table.SetTableName(dir.Write("t.dbf", TableBuilder(0x30)
                                              .Field("N1", 'C', 2, 0, 0x02)
                                              .Field("V1", 'V', 5)
                                              .Field("Q1", 'Q', 5, 0, 0x02)
                                              .Field("I1", 'I', 4)
                                              .Field("V2", 'V', 5, 0, 0x02)
                                              .Field("_NULLFLAGS", '0', 1, 0, 0x05)
                                              .Bytes()));
    table.Open();
    const TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    const std::vector<std::pair<int, int>> expected = {{-1, 0}, {1, -1}, {2, 3}, {-1, -1}, {4, 5}, {-1, -1}};
    for (int i = 0; i < defs.Count(); ++i)
        EXPECT_EQ(std::make_pair(defs.Items(i).VarLengthPosition, defs.Items(i).NullPosition),
                  expected[static_cast<std::size_t>(i)])
            << defs.Items(i).FieldName;
}

TEST(FieldDescriptors, BadDescriptorsMakeTheFileInvalid) {
    struct Case {
        std::uint8_t version;
        std::string name;
        std::uint8_t type;
        int width = 4;
    };
    // Harbour's letters in any width but their own, its Unicode fields of an odd width or at
    // level 7; another program's variant field (V) at dBase III and V.
    for (const Case& c : {Case{0x03, "", 'C'}, Case{0x03, "A", 'X'}, Case{0x03, "A", '+', 3}, Case{0x03, "A", 'V'},
                          Case{0x04, "A", 'Q'}, Case{0x04, "A", 'W'}, Case{0x03, "A", '=', 4}, Case{0x03, "A", '^', 4},
                          Case{0x03, "A", '2', 4}, Case{0x03, "A", '4', 2}, Case{0x03, "A", '8', 4}, Case{0x04, "A", '8', 8},
                          Case{0x8B, "A", 'V', 10}, Case{0x03, "A", 0x1A, 3}, Case{0x03, "A", 0x1B, 5}, Case{0x04, "A", 0x1A, 4}})
        EXPECT_TRUE(test::RefusedUnchanged(
            TableBuilder(c.version).FieldByte(c.name, c.type, c.width).HeaderRecordCount(9).Bytes(), "Invalid DBF file."))
            << c.name << " " << int(c.type) << " width " << c.width;
}

// Names keep only what XML 1.0 (fourth edition) allows at each place, so that parsers built on
// expat read the document as well as libxml2 does.
TEST(FieldNames, XmlNamesOfTheFourthEdition) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"NAZEV", u"NAZEV"},
        {u"A\u02D8B", u"A_B"},
        {u"A\u02C7", u"A_"},
        {u"X\u00B7", u"X\u00B7"},
        {u"\u00B7X", u"_\u00B7X"},
        {u"\u4E00\u9FA5", u"\u4E00\u9FA5"},
        {u"\u3400", u"_"},
        {u"\u9FA6A", u"_A"},
        {u"1A", u"_1A"},
        {u"A:B", u"A_B"},
        {u"\U0001F600", u"_"},
        {u"\u0E46X", u"_\u0E46X"},
        {u"\u010C\u00ED", u"\u010C\u00ED"},
        {u"\u0300A", u"_\u0300A"},
        {u"-.", u"_-."},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(ToXmlName(name), expected);
}

TEST(FieldDescriptors, FieldCountAbove4095IsRejected) {
    EXPECT_NO_THROW(CheckFieldCount(4095));
    try {
        CheckFieldCount(4096);
        ADD_FAILURE();
    } catch (const EDbfError& e) {
        EXPECT_EQ(e.Message(), "Invalid field count: 4096 (must be between 1 and 4095).");
    }
}

TEST(FieldDescriptors, NamesAreUpperCasedAsciiOnlyAndOffsetsFollowWidths) {
    TempDir dir;
    const std::string path =
        dir.Write("t.dbf", TableBuilder(0xF5).Field("name", 'C', 272).Field("\xe8\x61st", 'N', 25).Field("x", 'L', 1).Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    const TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    EXPECT_EQ(defs.Items(0).FieldName, "NAME");
    EXPECT_EQ(defs.Items(0).Size, 272);
    EXPECT_EQ(defs.Items(1).FieldName, "\xe8\x41ST");
    EXPECT_EQ(defs.Items(1).Offset, 273);
    EXPECT_EQ(defs.Items(1).Size, 20);
    EXPECT_EQ(defs.Items(2).Offset, 273 + 25);
}

TEST(FieldDescriptors, DescriptorsEndAtTheTerminator) {
    TempDir dir;
    // Room for more descriptors after the 0x0D byte: FoxPro keeps other data there.
    const std::string path = dir.Write(
        "t.dbf", TableBuilder(0x30).Field("A", 'C', 2).Field("B", 'C', 2).AfterTerminator(std::string(263, 'Q')).Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    EXPECT_EQ(table.GetDbfFieldDefs()->Count(), 2);
    EXPECT_EQ(table.Fields().size(), 2u);
}

TEST(FieldDescriptors, NullFlagsGiveNullPositionsInOrder) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", TableBuilder(0x30)
                                                    .Field("A", 'C', 2, 0, 0x02)
                                                    .Field("B", 'N', 3, 0, 0)
                                                    .Field("C", 'I', 4, 0, 0x02)
                                                    .Field("_NullFlags", '0', 1, 0, 0x07)
                                                    .Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    const TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    EXPECT_EQ(defs.Items(0).NullPosition, 0);
    EXPECT_EQ(defs.Items(1).NullPosition, -1);
    EXPECT_EQ(defs.Items(2).NullPosition, 1);
    EXPECT_EQ(defs.Items(3).NullPosition, -1);
    EXPECT_EQ(defs.Items(3).FieldType, ftBytes);
    EXPECT_EQ(table.DbfFile()->NullField(), &defs.Items(3));
}

TEST(FieldDescriptors, DuplicateNamesGetNumbersIgnoringCase) {
    struct Case {
        std::vector<std::string> names;
        std::vector<std::u16string> expected;
    };
    for (const Case& c :
         {Case{{"A", "A", "A", "A2"}, {u"A", u"A2", u"A3", u"A22"}}, Case{{"\xc8", "\xe8"}, {u"\u010c", u"\u010d2"}},
          Case{{"A B", "A:B", "A B"}, {u"A_B", u"A_B2", u"A_B3"}}, Case{{"1X", "\xd7X"}, {u"_1X", u"_X"}}}) {
        TempDir dir;
        TableBuilder b(0x03);
        for (const auto& n : c.names) b.Field(n, 'C', 1);
        const std::string path = dir.Write("t.dbf", b.Bytes());
        TDbf table;
        table.SetTableName(path);
        table.Open();
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(table.Fields()[i]->FieldName, c.expected[i]);
            EXPECT_EQ(table.FieldDefs()[i].Name, c.expected[i]);
        }
        // The names written back into the reader's list are the schema's names, as Windows-1250 bytes.
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            std::string bytes;
            platform::WideToMultiByte(1250, c.expected[i], bytes);
            EXPECT_EQ(table.GetDbfFieldDefs()->Items(static_cast<int>(i)).FieldName, bytes);
        }
    }
}

TEST(FieldDescriptors, NameFillingAllBytesEndsAtTheLastByte) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", TableBuilder(0x03).Field("ABCDEFGHIJK", 'C', 1).Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    EXPECT_EQ(table.GetDbfFieldDefs()->Items(0).FieldName, "ABCDEFGHIJK");
}

TEST(FieldDescriptors, Level7ReadsLongNamesAndAutoIncrement) {
    TempDir dir;
    std::string bytes = TableBuilder(0x04).Field("A_RATHER_LONG_FIELD_NAME", 'C', 5).Field("ID", '+', 4).Bytes();
    bytes.replace(68 + 48 + 42, 4, test::Le32(77));
    const std::string path = dir.Write("t.dbf", bytes);
    TDbf table;
    table.SetTableName(path);
    table.Open();
    EXPECT_EQ(table.GetDbfFieldDefs()->Items(0).FieldName, "A_RATHER_LONG_FIELD_NAME");
    EXPECT_EQ(table.GetDbfFieldDefs()->Items(1).AutoInc, 77u);
    EXPECT_TRUE(table.DbfFile()->AutoIncPresent());
}

TEST(FieldDescriptors, BytesFieldOfWidthZeroFailsAfterTheHeaderWriteBack) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", TableBuilder(0x30).Field("Z", '0', 0).HeaderRecordCount(5).Trailer("").Bytes());
    TDbf table;
    table.SetTableName(path);
    try {
        table.Open();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid field size");
    }
    EXPECT_EQ(test::ReadFile(path).substr(4, 4), test::Le32(0));
}

TEST(FieldDescriptors, DamagedDescriptorAreasNeverCrashOrWriteWhenRefused) {
    // Every single-byte corruption of the descriptor area either opens, or fails without
    // touching the file (the sanitizer build checks that nothing reads out of bounds).
    const std::string good = TableBuilder(0x30).Field("A", 'C', 3).Field("B", 'N', 5, 2).Record({"abc", "1.5"}).Bytes();
    TempDir dir;
    for (std::size_t at = 32; at < 32 + 64 + 1; ++at) {
        for (int value : {0x00, 0x0D, 0xFF, 0x4D}) {
            std::string bytes = good;
            bytes[at] = static_cast<char>(value);
            const std::string path = dir.Write("t.dbf", bytes);
            TDbf table;
            table.SetTableName(path);
            try {
                table.Open();
            } catch (const EDbfError&) {
                EXPECT_EQ(test::ReadFile(path), bytes) << "byte " << at << " = " << value;
                continue;
            }
            for (const auto& f : table.Fields()) (void)f->AsString();
        }
    }
}

}  // namespace
}  // namespace korvane::dbf
