// Decoding field bytes into values, and the text each field object makes of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "dbf/Dbf.h"
#include "dbf/FieldValue.h"
#include "platform/Exception.h"
#include "platform/Unicode.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::Be32;
using test::Be64;
using test::Le32;
using test::Le64;
using test::TableBuilder;
using test::TempDir;

// One table of one field and one record, opened.
class OneField {
public:
    OneField(std::uint8_t version, char type, int width, std::uint8_t precision, const std::string& bytes,
             std::uint8_t language = 0, const platform::PlatformSettings& settings = test::DefaultTestSettings()) {
        TableBuilder b(version);
        b.LanguageId(language);
        b.FieldByte("F", static_cast<std::uint8_t>(type), width, precision);
        b.RawRecord(bytes);
        FTable.Settings = settings;
        FTable.SetTableName(FDir.Write("t.dbf", b.Bytes()));
        FTable.Open();
    }
    TField& Field() { return *FTable.Fields()[0]; }
    std::string Text() { return platform::Utf16ToUtf8(Field().AsString()); }
    TDbf& Table() { return FTable; }

private:
    TempDir FDir;
    TDbf FTable;
};

struct TextCase {
    std::uint8_t version;
    char type;
    int width;
    std::uint8_t precision;
    std::string bytes;
    std::string text;
    std::uint8_t language = 0;  // not 0 makes version 3 dBase V
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << "level " << int(c.version) << (c.language ? " (V)" : "") << " type " << c.type << " width " << c.width << " expecting "
        << ::testing::PrintToString(c.text);
}

class FieldTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FieldTextTest, RendersTheStoredValue) {
    const TextCase& c = GetParam();
    OneField f(c.version, c.type, c.width, c.precision, c.bytes, c.language);
    EXPECT_EQ(f.Text(), c.text);
}

std::uint64_t BitsOf(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FieldTextTest,
    ::testing::Values(
        // Character text: leading blanks kept, trailing blanks and zero bytes dropped.
        TextCase{0x03, 'C', 6, 0, "  AB  ", "  AB"}, TextCase{0x03, 'C', 4, 0, "    ", ""},
        TextCase{0x03, 'C', 4, 0, std::string(4, '\0'), ""}, TextCase{0x03, 'C', 5, 0, std::string("ab\0cd", 5), "ab"},
        // Integers and their decimal fallback.
        TextCase{0x03, 'N', 5, 0, " -12 ", "-12"}, TextCase{0x03, 'N', 5, 0, " 12.7", "13"},
        TextCase{0x03, 'N', 5, 0, "  2.5", "2"}, TextCase{0x03, 'N', 5, 0, "  abc", ""}, TextCase{0x03, 'N', 4, 0, " 1E5", ""},
        TextCase{0x03, 'N', 4, 0, "-999", "-999"}, TextCase{0x03, 'N', 5, 0, "    -", ""}, TextCase{0x03, 'N', 5, 0, "    +", ""},
        TextCase{0x03, 'N', 20, 0, "-9223372036854775809", "-9223372036854775808"},
        TextCase{0x03, 'N', 20, 0, " 9223372036854775808", ""},
        // Decimals and the general format.
        TextCase{0x03, 'N', 8, 2, " 1234.50", "1234.5"}, TextCase{0x03, 'N', 8, 5, " 0.00001", "1E-5"},
        TextCase{0x03, 'N', 10, 2, "     1E16", "1E16"}, TextCase{0x03, 'N', 6, 1, " 1.5E3", "1500"},
        TextCase{0x03, 'N', 5, 1, "  1,5", ""}, TextCase{0x03, 'N', 5, 1, "   .5", "0.5"},
        TextCase{0x03, 'N', 5, 1, "   5.", "5"}, TextCase{0x03, 'N', 5, 1, "  1E ", ""}, TextCase{0x03, 'N', 5, 1, "  INF", ""},
        TextCase{0x03, 'N', 6, 1, "-0.000", "0"},
        // Booleans.
        TextCase{0x03, 'L', 1, 0, "T", "True"}, TextCase{0x03, 'L', 1, 0, "t", "True"}, TextCase{0x03, 'L', 1, 0, "Y", "True"},
        TextCase{0x03, 'L', 1, 0, "y", "True"}, TextCase{0x03, 'L', 1, 0, "N", "False"}, TextCase{0x03, 'L', 1, 0, "?", "False"},
        TextCase{0x03, 'L', 1, 0, " ", ""},
        // Dates: invalid but not blank is 30 December 1899.
        TextCase{0x03, 'D', 8, 0, "20240229", "02/29/2024"}, TextCase{0x03, 'D', 8, 0, "20230229", "12/30/1899"},
        TextCase{0x03, 'D', 8, 0, "        ", ""}, TextCase{0x03, 'D', 8, 0, "    2024", "12/30/1899"},
        TextCase{0x03, 'D', 8, 0, "09990101", "01/01/999"},
        // Binary forms.
        TextCase{0x04, 'I', 4, 0, std::string("\x80\x00\x00\x01", 4), "1"}, TextCase{0x04, 'I', 4, 0, "\x7F\xFF\xFF\xFF", "-1"},
        TextCase{0x04, 'I', 4, 0, std::string(4, '\0'), ""}, TextCase{0x30, 'I', 4, 0, std::string(4, '\0'), "0"},
        TextCase{0x30, 'I', 4, 0, "\xFE\xFF\xFF\xFF", "-2"}, TextCase{0x04, 'O', 8, 0, Be64(0xC000000000000000ull), "2"},
        TextCase{0x04, 'O', 8, 0, Be64(0x3FFFFFFFFFFFFFFFull), "-2"}, TextCase{0x04, 'O', 8, 0, std::string(8, '\0'), ""},
        TextCase{0x30, 'B', 8, 0, Le64(BitsOf(-0.25)), "-0.25"}, TextCase{0x30, 'Y', 8, 4, Le64(123400), "12.34"},
        TextCase{0x30, 'Y', 8, 4, Le64(30000), "3"}, TextCase{0x30, 'Y', 8, 4, Le64(static_cast<std::uint64_t>(-15000)), "-1.5"},
        TextCase{0x30, 'Y', 8, 4, Le64(static_cast<std::uint64_t>(INT64_MIN)), "-922337203685477.5808"},
        TextCase{0x30, 'T', 8, 0, Le32(2415019) + Le32(0), "12/30/1899"},
        TextCase{0x30, 'T', 8, 0, Le32(2460311) + Le32(30600000), "01/01/2024 08:30:00"},
        TextCase{0x30, 'T', 8, 0, Le32(2460311) + Le32(1), "01/01/2024 00:00:00"},
        TextCase{0x30, 'T', 8, 0, std::string(8, '\0'), ""},
        TextCase{0x04, '@', 8, 0, Be64(BitsOf(63871286400000.0 + 86400000.0)), "01/01/2025"},
        TextCase{0x04, '@', 8, 0, Be64(BitsOf(63871286400000.0 + 30600000.0)), "12/31/2024 08:30:00"},
        // dBase III and V tables with FoxPro's binary forms: I is little-endian of its stored
        // width and never null; @ is FoxPro's time stamp; an 8-byte B is a double.
        TextCase{0x03, 'I', 1, 0, "\xFF", "-1"}, TextCase{0x03, 'I', 2, 0, "\x34\x12", "4660"},
        TextCase{0x03, 'I', 3, 0, std::string("\x00\x00\x80", 3), "-8388608"},
        TextCase{0x03, 'I', 4, 0, Le32(static_cast<std::uint32_t>(-5)), "-5"},
        TextCase{0x03, 'I', 4, 0, std::string(4, '\0'), "0"}, TextCase{0x03, 'I', 6, 0, Le32(7) + "\x01\x02", "7"},
        TextCase{0x03, 'I', 8, 0, Le64(static_cast<std::uint64_t>(-1234567890123LL)), "-1234567890123"},
        TextCase{0x03, 'I', 0, 0, "", ""}, TextCase{0x03, 'I', 4, 0, Le32(2000000000), "2000000000", 0x57},
        TextCase{0x03, '@', 8, 0, Le32(2460311) + Le32(30600000), "01/01/2024 08:30:00"},
        TextCase{0x03, '@', 8, 0, Le32(2460311) + Le32(0), "01/01/2024", 0x57},
        TextCase{0x03, '@', 8, 0, std::string(8, '\0'), ""}, TextCase{0x03, 'B', 8, 2, Le64(BitsOf(-0.25)), "-0.25"},
        // Harbour's @ at FoxPro level is FoxPro's T; blank time stamps are no value at every level.
        TextCase{0xF5, '@', 8, 0, std::string("\x36\x85\x25\x00\xb8\xef\xc2\x03", 8), "03/25/2020 17:31:47"},
        TextCase{0x30, '@', 8, 0, Le32(2460311) + Le32(0), "01/01/2024"}, TextCase{0x30, '@', 8, 0, std::string(8, ' '), ""},
        TextCase{0x30, 'T', 8, 0, std::string(8, ' '), ""}, TextCase{0x04, '@', 8, 0, std::string(8, ' '), ""},
        TextCase{0x03, 'T', 4, 0, std::string(4, ' '), ""}, TextCase{0x03, 'B', 8, 0, Le64(BitsOf(1e300)), "1E300", 0x57},
        // Numbers wider than 20 are read from their whole width.
        TextCase{0x03, 'N', 50, 0, std::string(45, ' ') + "12345", "12345"},
        TextCase{0x03, 'N', 50, 2, std::string(43, ' ') + "1234.56", "1234.56"},
        TextCase{0x03, 'F', 30, 3, "-" + std::string(29, '0'), "0"}, TextCase{0x03, 'N', 40, 0, std::string(40, ' '), ""},
        // Bytes: UTF-16 units, low byte first; blank is empty.
        TextCase{0x30, '0', 3, 0, std::string(3, '\0'), ""}, TextCase{0x30, '0', 1, 0, "\x01", std::string("\0", 1)},
        TextCase{0x30, '0', 4, 0, "AB  ", std::string("\0\0", 2)}));

// A time stamp that forms none has no value (its field reads as empty text) and keeps the
// bytes it is stored in.
TEST(FieldDecoding, InvalidTimeStampsHaveNoValue) {
    struct Case {
        std::uint8_t version;
        char type;
        std::string bytes;
        std::string message;
    };
    for (const Case& c : {Case{0x30, 'T', Le32(1721425) + Le32(5), "51 44 1A 00 05 00 00 00 is not a valid timestamp"},
                          Case{0x30, 'T', Le32(2460311) + Le32(86400000), "97 8A 25 00 00 5C 26 05 is not a valid timestamp"},
                          Case{0x04, '@', Be64(BitsOf(-5.2)), "C0 14 CC CC CC CC CC CD is not a valid timestamp"},
                          Case{0x04, '@', Be64(BitsOf(0.4)), "3F D9 99 99 99 99 99 9A is not a valid timestamp"},
                          Case{0x04, '@', Be64(0x7FF8000000000001ull), "7F F8 00 00 00 00 00 01 is not a valid timestamp"},
                          // Years past 9999, at every level.
                          Case{0x04, '@', Be64(BitsOf(1e18)), "43 AB C1 6D 67 4E C8 00 is not a valid timestamp"},
                          Case{0x30, 'T', Le32(5373485) + Le32(0), "2D FE 51 00 00 00 00 00 is not a valid timestamp"},
                          Case{0xF5, '@', Le32(0xFFFFFFFF) + Le32(0), "FF FF FF FF 00 00 00 00 is not a valid timestamp"}}) {
        OneField f(c.version, c.type, 8, 0, c.bytes);
        EXPECT_EQ(f.Text(), "") << c.message;
        const dbf::DecodedField d = f.Table().DbfFile()->DecodeField(0, ftDateTime, f.Table().CurrentRecordBytes());
        EXPECT_FALSE(d.hasValue);
        const auto* stamp = std::get_if<dbf::InvalidTimeStamp>(&d.value);
        ASSERT_NE(stamp, nullptr) << c.message;
        EXPECT_EQ(dbf::InvalidTimeStampText(*stamp), c.message);
    }
}

TEST(FieldDecoding, NullFlagsAnswerOnlyTheNullQuery) {
    TempDir dir;
    TableBuilder b(0x30);
    b.Field("A", 'C', 2, 0, 0x02).Field("N", 'I', 4, 0, 0x02).Field("_NULLFLAGS", '0', 1, 0, 0x07);
    b.RawRecord("xy" + Le32(7) + "\x01");
    TDbf table;
    table.SetTableName(dir.Write("t.dbf", b.Bytes()));
    table.Open();
    EXPECT_TRUE(table.Fields()[0]->IsNull());
    EXPECT_FALSE(table.Fields()[1]->IsNull());
    // The document never blanks a value for its null bit.
    EXPECT_EQ(table.Fields()[0]->AsString(), u"xy");
    EXPECT_EQ(table.Fields()[2]->AsString(), std::u16string(1, u'\0'));
}

TEST(FieldDecoding, NativeDateIsADayNumber) {
    OneField f(0x03, 'D', 8, 0, "18991230");
    std::int32_t day = 0;
    ASSERT_TRUE(f.Field().GetData(&day, true));
    EXPECT_EQ(day, 693594);
    double dt = -1;
    ASSERT_TRUE(f.Field().GetData(&dt, false));
    EXPECT_EQ(dt, 0.0);
}

TEST(FieldDecoding, CurrencyKindDeliversADouble) {
    OneField f(0x30, 'Y', 8, 4, Le64(static_cast<std::uint64_t>(-15000)));
    double v = 0;
    ASSERT_TRUE(f.Table().DbfFile()->GetFieldData(0, ftCurrency, f.Table().CurrentRecord(), &v, true));
    EXPECT_EQ(v, -1.5);
}

TEST(FieldDecoding, FieldsReachingPastTheRecordReadOnlyTheRecord) {
    TempDir dir;
    // The header claims a record length shorter than the fields need.
    TDbf table;
    table.SetTableName(
        dir.Write("t.dbf", TableBuilder().Field("A", 'C', 200).Field("B", 'I', 4).RecordSize(5).RawRecord("abcd").Bytes()));
    table.Open();
    EXPECT_EQ(table.Fields()[0]->AsString(), u"abcd");
    // A dBase III integer is never null: the bytes the record lacks read as zeros.
    EXPECT_EQ(table.Fields()[1]->AsString(), u"0");
}

// A value is read from its field's own bytes only: a binary form wider than its field has no
// value, a wider field gives the form its first bytes, and the next field's bytes never leak in.
TEST(FieldDecoding, AValueNeverReadsTheNextFieldsBytes) {
    struct Case {
        std::uint8_t version;
        char type;
        int width;
        std::string bytes;  // the field's own, then 8 bytes of the next field
        std::string text;
    };
    const std::string next = Le32(2460311) + Le32(3600000);  // a valid time stamp, should it leak
    const std::vector<Case> cases = {
        {0x30, 'T', 6, Le32(2460311) + "\0\0", ""},
        {0x30, 'T', 10, Le32(2460311) + Le32(3600000) + "xx", "01/01/2024 01:00:00"},
        {0x04, '@', 4, "\x42\x00\x00\x00", ""},
        {0x30, 'Y', 4, Le32(15000), ""},
        {0x30, 'B', 4, "\x00\x00\xF0\x3F", ""},
        {0x04, 'O', 6, std::string(6, '\x80'), ""},
        {0x04, 'I', 2, "\x80\x07", ""},
        {0x30, 'I', 3, "\x07\x00\x00", ""},
        {0x30, 'M', 4, Le32(0), ""},
        {0x03, 'L', 3, "T  ", "True"},
        {0x03, 'D', 6, "202401", "12/30/1899"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TableBuilder b(c.version);
        b.FieldByte("F", static_cast<std::uint8_t>(c.type), c.width).FieldByte("NEXT", 'T', 8);
        b.RawRecord(c.bytes + next);
        TDbf table;
        table.SetTableName(dir.Write("t.dbf", b.Bytes()));
        table.Open();
        EXPECT_EQ(platform::Utf16ToUtf8(table.Fields()[0]->AsString()), c.text) << c.type << " width " << c.width;
    }
}

TEST(FieldDecoding, DateTimesOutsideAnyCalendarAreSafe) {
    // dBase 7 time stamps read as TDateTime values themselves can hold any double.
    for (const std::string& bytes : {Be64(BitsOf(-9.25596e61)), Be64(BitsOf(1e300)), Be64(0x7FF8000100000001ull)}) {
        TempDir dir;
        TDbf table;
        table.DateTimeHandling = dtDateTime;
        table.SetTableName(dir.Write("t.dbf", TableBuilder(0x04).Field("T", '@', 8).RawRecord(bytes).Bytes()));
        table.Open();
        EXPECT_EQ(table.Fields()[0]->AsString(), u"");
        std::int32_t day = -1;
        EXPECT_TRUE(table.DbfFile()->GetFieldData(0, ftDate, table.CurrentRecord(), &day, true));
        EXPECT_EQ(day, 693594);
    }
}

TEST(FieldText, RegionalSettingsShapeNumbersAndDates) {
    platform::PlatformSettings czech = test::DefaultTestSettings();
    czech.decimalSeparator = u',';
    czech.shortDateFormat = "%d.%m.%Y";
    czech.longTimeFormat = "%H:%M:%S";
    EXPECT_EQ(OneField(0x03, 'N', 8, 2, " 1234.50", 0, czech).Text(), "1234,5");
    EXPECT_EQ(OneField(0x30, 'Y', 8, 4, Le64(123400), 0, czech).Text(), "12,34");
    EXPECT_EQ(OneField(0x03, 'D', 8, 0, "20240229", 0, czech).Text(), "29.02.2024");
    EXPECT_EQ(OneField(0x30, 'T', 8, 0, Le32(2460311) + Le32(30600000), 0, czech).Text(), "01.01.2024 08:30:00");
}

}  // namespace
}  // namespace korvane::dbf

namespace korvane::dbf {
namespace {

// FoxPro 9 varchar (V), varbinary (Q), blob (W) and a general field of width 4 (G).
TEST(FieldDecoding, FoxPro9VarFieldsAndBlobs) {
    TempDir dir;
    // _NULLFLAGS bits: V length 0, Q length 1, Q null 2.
    const std::string table = TableBuilder(0x30)
                                  .Field("V", 'V', 6)
                                  .Field("Q", 'Q', 4, 0, 0x02)
                                  .Field("W", 'W', 4)
                                  .Field("G", 'G', 4)
                                  .Field("_NULLFLAGS", '0', 1, 0, 0x05)
                                  .RawRecord(std::string("ab\0\0\0\x02", 6) + "\xE8\xED \x02" + Le32(1) + Le32(2) + "\x03")
                                  .RawRecord(std::string("hello ") + "xy  " + Le32(0) + Le32(0) + "\x04")
                                  .RawRecord(std::string("abcde\xC8") + "\xE8\xE8\xE8\x09" + Le32(0) + Le32(0) + "\x03")
                                  .Bytes();
    dir.Write("t.fpt", test::MemoBuilder::Fpt(64).FptMemo(1, "blob \xE8").FptMemo(2, "ole").Bytes());
    TDbf dbf;
    dbf.SetTableName(dir.Write("t.dbf", table));
    dbf.Open();
    std::vector<std::vector<std::u16string>> rows;
    std::vector<bool> qNull;
    for (; !dbf.Eof(); dbf.Next()) {
        std::vector<std::u16string> row;
        for (int i = 0; i < 4; ++i) row.push_back(dbf.Fields()[static_cast<std::size_t>(i)]->AsString());
        rows.push_back(row);
        qNull.push_back(!dbf.DbfFile()->GetFieldData(1, ftVarBytes, dbf.CurrentRecord(), nullptr, true));
    }
    const std::vector<std::vector<std::u16string>> expected = {
        {u"ab", u"\u010D\u00ED", u"blob \u010D", u"ole"},  // lengths from the last bytes; blobs as 8-bit text
        {u"hello", u"xy  ", u"", u""},                     // no length bits: V as C, Q untrimmed
        {u"abcde", u"\u010D\u010D\u010D", u"", u""},       // a length of the whole width or more
    };
    EXPECT_EQ(rows, expected);
    // The null bit answers only the null query; the value is still read.
    EXPECT_EQ(qNull, (std::vector<bool>{false, true, false}));
}

TEST(FieldDecoding, VarcharWithoutRoomForItsLengthBitIsReadLikeC) {
    TempDir dir;
    // Nine length bits need two bytes of _NULLFLAGS; the ninth field's bit has no room.
    TableBuilder b(0x30);
    std::string record;
    for (int i = 0; i < 9; ++i) {
        b.Field("V" + std::to_string(i), 'V', 3);
        record += "ab\x01";
    }
    b.Field("_NULLFLAGS", '0', 1, 0, 0x05);
    b.RawRecord(record + "\xFF");
    TDbf dbf;
    dbf.SetTableName(dir.Write("t.dbf", b.Bytes()));
    dbf.Open();
    EXPECT_EQ(dbf.Fields()[0]->AsString(), u"a");
    EXPECT_EQ(dbf.Fields()[8]->AsString(), u"ab\u0001");
}

}  // namespace
}  // namespace korvane::dbf

namespace korvane::dbf {
namespace {

// The typed core, called directly: the alternative a kind is delivered in, and what is left
// undelivered.
TEST(FieldValue, TheCoreDeliversTypedValues) {
    auto decode = [](TXBaseVersion level, char type, int width, int precision, const std::string& bytes, TFieldType kind) {
        TDbfFieldDef def(level);
        def.Size = width;
        def.DescriptorWidth = width;
        def.Precision = precision;
        def.Offset = 1;
        def.SetNativeFieldType(static_cast<std::uint8_t>(type));
        static std::string record;
        record = " " + bytes;
        return DecodeFieldValue({level, dtBDETimeStamp, nullptr}, def, kind,
                                {reinterpret_cast<const std::uint8_t*>(record.data()), record.size()}, true);
    };
    const DecodedField integer = decode(xBaseIII, 'N', 5, 0, "  -12", ftInteger);
    EXPECT_TRUE(integer.hasValue);
    EXPECT_EQ(std::get<std::int32_t>(integer.value), -12);
    // Text that is no number delivers nothing; a number out of range delivers 0.
    EXPECT_TRUE(std::holds_alternative<std::monostate>(decode(xBaseIII, 'N', 5, 0, "  abc", ftInteger).value));
    const DecodedField huge = decode(xBaseIII, 'N', 12, 0, " 99999999999", ftInteger);
    EXPECT_FALSE(huge.hasValue);
    EXPECT_EQ(std::get<std::int32_t>(huge.value), 0);
    EXPECT_EQ(std::get<std::int64_t>(decode(xBaseIII, 'I', 8, 0, Le64(static_cast<std::uint64_t>(-7)), ftLargeint).value), -7);
    EXPECT_EQ(std::get<double>(decode(xFoxPro, 'Y', 8, 4, Le64(15000), ftCurrency).value), 1.5);
    EXPECT_EQ(std::get<std::int64_t>(decode(xFoxPro, 'Y', 8, 4, Le64(15000), ftBCD).value), 15000);
    EXPECT_EQ(std::get<DateValue>(decode(xFoxPro, 'T', 8, 0, Le32(2415019) + Le32(0), ftDateTime).value).value, 0.0);
    const DecodedField blankMemo = decode(xFoxPro, 'M', 4, 0, Le32(0), ftInteger);
    EXPECT_FALSE(blankMemo.hasValue);  // a blank reference, yet its number is delivered
    EXPECT_EQ(std::get<std::int32_t>(blankMemo.value), 0);
    const DecodedField text = decode(xBaseIII, 'C', 6, 0, "  AB  ", ftString);
    const auto bytes = std::get<TextValue>(text.value).bytes;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "  AB");
    EXPECT_EQ(std::get<std::uint16_t>(decode(xBaseIII, 'L', 1, 0, "y", ftBoolean).value), 1);
    // Without a value wanted, text is not parsed.
    const DecodedField query = DecodeFieldValue(
        {xBaseIII, dtBDETimeStamp, nullptr},
        [] {
            TDbfFieldDef def(xBaseIII);
            def.Size = 5;
            def.DescriptorWidth = 5;
            def.Offset = 1;
            def.SetNativeFieldType('N');
            return def;
        }(),
        ftSmallint, {reinterpret_cast<const std::uint8_t*>(" 99999"), 6}, false);
    EXPECT_TRUE(query.hasValue);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(query.value));
}

}  // namespace
}  // namespace korvane::dbf
