// Memos streamed in pieces give the document exactly what the whole value gives: every memo
// form, memos longer than a piece, the code page 852 repair decided by a byte after the first
// piece, multi-byte sequences cut at piece ends, base64 across pieces.
#include <gtest/gtest.h>

#include "conversion/MemoText.h"
#include "conversion/XmlText.h"
#include "conversion/XsdValues.h"
#include "dbf/Dbf.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::Le32;
using test::MemoBuilder;
using test::TableBuilder;
using test::TempDir;

// A table of one memo field whose one record refers to `block` of the memo file `memo`.
struct MemoTable {
    MemoTable(std::uint8_t version, std::uint8_t language, const std::string& reference, const std::string& memoName,
              const std::string& memo) {
        TableBuilder b(version);
        b.LanguageId(language).Field("M", 'M', static_cast<int>(reference.size())).RawRecord(reference);
        dir.Write(memoName, memo);
        table.SetTableName(dir.Write("t.dbf", b.Bytes()));
        table.Open();
    }
    dbf::TDbfFile& File() { return *table.DbfFile(); }
    std::int32_t Block() { return MemoText(File(), 1250, nullptr, nullptr).BlockOf(0, table.CurrentRecordBytes()); }
    std::vector<std::uint8_t> Whole() {
        std::vector<std::uint8_t> bytes;
        File().MemoFile()->ReadMemo(Block(), bytes);
        return bytes;
    }
    TempDir dir;
    dbf::TDbf table;
};

std::string Streamed(MemoText& memo, std::int32_t block, bool base64 = false) {
    std::string out;
    const auto put = [&](std::string_view bytes) { out += bytes; };
    if (base64)
        memo.WriteBase64(block, put);
    else
        memo.WriteText(block, put);
    return out;
}

// The byte of the system code page that keeps a value from the code page 852 repair.
std::uint8_t BlockingByte(const SingleByteText& text) {
    for (int b = 0x80; b < 0x100; ++b)
        if (text.BlocksRepair(std::vector<std::uint8_t>{static_cast<std::uint8_t>(b)})) return static_cast<std::uint8_t>(b);
    return 0;
}

TEST(MemoText, SingleByteMemosOfEveryFormAsTheWholeValue) {
    const auto singleByte = SingleByteText::For(1250);
    ASSERT_TRUE(singleByte);
    const std::uint8_t blocking = BlockingByte(*singleByte);
    ASSERT_NE(blocking, 0);
    // Text the repair takes for code page 852, longer than a piece.
    std::string czech;
    for (int i = 0; czech.size() < 150000; ++i) czech += i % 3 == 0 ? "\xA7\x9F\xE7\xD8 " : "plain <&> text \r\n";
    const std::string blocked = czech + std::string(1, static_cast<char>(blocking));
    struct Case {
        std::string name;
        std::uint8_t version;
        std::uint8_t language;
        std::string reference;
        std::string memoName;
        std::string memo;
    };
    const std::vector<Case> cases = {
        {"terminated blocks", 0x83, 0, "         1", "t.dbt", MemoBuilder::Dbt(512).Block(1, czech + "\x1A\x1A").Bytes()},
        {"blocked after the first piece", 0x83, 0, "         1", "t.dbt",
         MemoBuilder::Dbt(512).Block(1, blocked + "\x1A\x1A").Bytes()},
        // A block that ends with 0x1A followed by one that does not begin the end.
        {"0x1A at a block's end", 0x83, 0, "         1", "t.dbt",
         MemoBuilder::Dbt(512).Block(1, std::string(69631, 'x') + "\x1A" + "y\x1A\x1A").Bytes()},
        {"ended at a block's start", 0x83, 0, "         1", "t.dbt",
         MemoBuilder::Dbt(512).Block(1, std::string(69631, 'x') + "\x1A").Block(137, "\x1A").Bytes()},
        {"length form", 0x8B, 0x57, "         1", "t.dbt", MemoBuilder::Dbt(512).DbtLengthForm(1, blocked).Bytes()},
        {"length beyond the file", 0x8B, 0x57, "         1", "t.dbt",
         MemoBuilder::Dbt(512).DbtLengthForm(1, czech, 0x7FFFFFF0u).Bytes()},
        {"run of bytes", 0x8B, 0x57, "       600", "t.dbt", MemoBuilder::Dbt(1).Block(600, czech + "\x1A\x1A" + "after").Bytes()},
        {"FoxPro", 0x30, 0, Le32(2), "t.fpt", MemoBuilder::Fpt(64).FptMemo(2, czech).Bytes()},
        {"small", 0x83, 0, "         1", "t.dbt", MemoBuilder::Dbt(512).Block(1, "\xA7\x9F ok\x1A\x1A").Bytes()},
        {"none", 0x83, 0, "          ", "t.dbt", MemoBuilder::Dbt(512).Bytes()},
    };
    for (const Case& c : cases) {
        MemoTable t(c.version, c.language, c.reference, c.memoName, c.memo);
        const std::vector<std::uint8_t> whole = t.Whole();
        std::string expected(SingleByteText::Room(whole.size()), '\0');
        expected.resize(static_cast<std::size_t>(singleByte->Write(whole, expected.data()) - expected.data()));
        MemoText memo(t.File(), 1250, singleByte.get(), nullptr);
        EXPECT_EQ(Streamed(memo, t.Block()), expected) << c.name;
        // Blobs: base64, three bytes at a time across the pieces.
        EXPECT_EQ(Streamed(memo, t.Block(), true), Base64(whole)) << c.name;
    }
}

// Decoded in a code page the user named: a sequence cut off at the end of a piece is carried
// over, wherever the pieces end.
TEST(MemoText, DecodedMemosCarrySequencesOverPieceEnds) {
    struct Case {
        std::uint32_t codePage;
        std::string unit;  // repeated past a piece
    };
    for (const Case& c : {Case{65001, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80<"}, Case{65001, "\xE2\x82\xAC\xFF\xC3"},
                          Case{932, "\x93\xFA\x96\x7B\x8C\xEA&x"}, Case{1251, "\xC0\xE1\xE2"}}) {
        for (std::size_t offset = 0; offset < 4; ++offset) {
            std::string text(offset, 'x');
            while (text.size() < 140000) text += c.unit;
            MemoTable t(0x8B, 0x57, "         1", "t.dbt", MemoBuilder::Dbt(512).DbtLengthForm(1, text).Bytes());
            const auto decoder = platform::TextDecoder::For(c.codePage);
            ASSERT_TRUE(decoder);
            std::u16string value, scratch;
            const std::vector<std::uint8_t> whole = t.Whole();
            decoder->Decode(whole, value);
            std::string expected(XmlAttributeUtf8Room(value.size()), '\0');
            expected.resize(static_cast<std::size_t>(WriteXmlAttributeUtf8(value, scratch, expected.data()) - expected.data()));
            MemoText memo(t.File(), 1250, nullptr, decoder.get());
            EXPECT_EQ(Streamed(memo, t.Block()), expected) << c.codePage << " offset " << offset;
        }
    }
}

}  // namespace
}  // namespace korvane
