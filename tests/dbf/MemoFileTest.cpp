// Memo files: both formats, both memo forms, references, caching and damaged files.
#include <gtest/gtest.h>

#include <tuple>

#include "dbf/Dbf.h"
#include "platform/Exception.h"
#include "platform/Unicode.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::Be32;
using test::Le32;
using test::MemoBuilder;
using test::TableBuilder;
using test::TempDir;

// Memo texts of every record of a one-memo-field table.
std::vector<std::string> Memos(const std::string& table, const std::string& memoName, const std::string& memo,
                               const std::string& tableName = "t.dbf") {
    TempDir dir;
    const std::string path = dir.Write(tableName, table);
    if (!memoName.empty()) dir.Write(memoName, memo);
    TDbf dbf;
    dbf.SetTableName(path);
    dbf.Open();
    std::vector<std::string> out;
    for (; !dbf.Eof(); dbf.Next()) out.push_back(platform::Utf16ToUtf8(dbf.Fields()[0]->AsString()));
    return out;
}

std::string DbaseTable(std::uint8_t version, std::uint8_t language, const std::vector<std::string>& refs) {
    TableBuilder b(version);
    b.LanguageId(language).Field("M", 'M', 10);
    for (const auto& r : refs) b.Record({r});
    return b.Bytes();
}

TEST(MemoFile, DbaseIIITerminatedForm) {
    const auto dbt = MemoBuilder::Dbt(512).Block(1, "Hello\x1A\x1A").Bytes();
    EXPECT_EQ(Memos(DbaseTable(0x83, 0, {"         1"}), "t.dbt", dbt), (std::vector<std::string>{"Hello"}));
}

// Clipper and Harbour rewrite a shorter memo in place with one 0x1A behind it: the older text
// after it, and the blocks after that, are no part of the memo.
TEST(MemoFile, TheFirstEndByteEndsTheMemo) {
    const std::string stale = "older and longer text\x1A\x1A";
    std::string block1 = "new\x1A" + stale;
    block1.resize(512, 'z');
    std::string fills(511, 'x');
    for (const auto& [what, dbt, text] : std::vector<std::tuple<const char*, std::string, std::string>>{
             {"within a block", MemoBuilder::Dbt(512).Block(1, block1).Block(2, "next memo\x1A\x1A").Bytes(), "new"},
             {"as a block's last byte", MemoBuilder::Dbt(512).Block(1, fills + "\x1A").Block(2, "stale\x1A\x1A").Bytes(), fills},
             {"at a block's first byte", MemoBuilder::Dbt(512).Block(1, fills + "y").Block(2, "\x1Astale\x1A\x1A").Bytes(),
              fills + "y"},
             {"as the first read's last byte",
              MemoBuilder::Dbt(512).Block(1, std::string(4095, 'w') + "\x1Astale\x1A\x1A").Bytes(), std::string(4095, 'w')}}) {
        for (const int version : {0x83, 0x8B}) {
            const auto memos = Memos(DbaseTable(static_cast<std::uint8_t>(version), 0, {"1"}), "t.dbt", dbt);
            ASSERT_EQ(memos.size(), 1u) << what;
            EXPECT_EQ(memos[0], text) << what << " at version " << version;
        }
    }
}

TEST(MemoFile, LengthFormSpansBlocks) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += static_cast<char>('a' + i % 26);
    const auto dbt = MemoBuilder::Dbt(64).DbtLengthForm(1, text).Bytes();
    EXPECT_EQ(Memos(DbaseTable(0x8B, 0x57, {"1"}), "t.dbt", dbt), (std::vector<std::string>{text}));
}

TEST(MemoFile, DbaseIIIIgnoresTheBlockLengthField) {
    const auto dbt = MemoBuilder::Dbt(512, 64).Block(1, "five\x1A\x1A").Bytes();
    EXPECT_EQ(Memos(DbaseTable(0x83, 0, {"1"}), "t.dbt", dbt), (std::vector<std::string>{"five"}));
}

TEST(MemoFile, LengthFormStatingEightOrLessIsEmpty) {
    for (std::uint32_t stated : {0u, 7u, 8u}) {
        const auto dbt = MemoBuilder::Dbt(64).DbtLengthForm(1, "abc", stated).Bytes();
        EXPECT_EQ(Memos(DbaseTable(0x8B, 0x57, {"1"}), "t.dbt", dbt), (std::vector<std::string>{""}));
    }
}

TEST(MemoFile, DamagedLengthIsCutToTheFile) {
    const auto dbt = MemoBuilder::Dbt(64).DbtLengthForm(1, "abc", 0x7FFFFFF0u).Bytes();
    const auto memos = Memos(DbaseTable(0x8B, 0x57, {"1"}), "t.dbt", dbt);
    ASSERT_EQ(memos.size(), 1u);
    EXPECT_EQ(memos[0].substr(0, 3), "abc");
    EXPECT_EQ(memos[0].size(), 512u - 64u - 8u);  // the file is 512 bytes long
}

std::string FoxTable(int width, const std::vector<std::string>& refs) {
    TableBuilder b(0xF5);
    b.Field("M", 'M', width);
    for (const auto& r : refs) b.RawRecord(r);
    return b.Bytes();
}

TEST(MemoFile, FoxProReferencesAndSizes) {
    const auto fpt = MemoBuilder::Fpt(64).FptMemo(3, "third").FptMemo(4, "").FptMemo(5, "x", 0x80000000u).Bytes();
    EXPECT_EQ(Memos(FoxTable(4, {Le32(0), Le32(3), Le32(4), Le32(5)}), "t.fpt", fpt),
              (std::vector<std::string>{"", "third", "", ""}));
}

TEST(MemoFile, FoxProBlockLengthZeroMeans512) {
    const auto fpt = MemoBuilder::Fpt(512, 0).FptMemo(1, "big blocks").Bytes();
    EXPECT_EQ(Memos(FoxTable(4, {Le32(1)}), "t.fpt", fpt), (std::vector<std::string>{"big blocks"}));
}

TEST(MemoFile, TextReferences) {
    const auto dbt = MemoBuilder::Dbt(512).Block(7, "seven\x1A\x1A").Bytes();
    EXPECT_EQ(Memos(DbaseTable(0x83, 0, {"         7", "   abc    ", "          ", "-3"}), "t.dbt", dbt),
              (std::vector<std::string>{"seven", "", "", ""}));
}

TEST(MemoFile, MissingMemoFileReadsEmpty) {
    EXPECT_EQ(Memos(DbaseTable(0x83, 0, {"1", "2"}), "", ""), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(Memos(FoxTable(4, {Le32(1)}), "", ""), (std::vector<std::string>{""}));
}

TEST(MemoFile, CapitalExtensionIsFound) {
    const auto dbt = MemoBuilder::Dbt(512).Block(1, "upper\x1A\x1A").Bytes();
    EXPECT_EQ(Memos(DbaseTable(0x83, 0, {"1"}), "CARS.DBT", dbt, "CARS.DBF"), (std::vector<std::string>{"upper"}));
}

TEST(MemoFile, SecondRecordOnTheSameBlockDoesNotReadTheFile) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", DbaseTable(0x83, 0, {"1", "1"}));
    const std::string memo = dir.Write("t.dbt", MemoBuilder::Dbt(512).Block(1, "same\x1A\x1A").Bytes());
    TDbf dbf;
    dbf.SetTableName(path);
    dbf.Open();
    EXPECT_EQ(dbf.Fields()[0]->AsString(), u"same");
    // Change the memo file behind the reader's back: the cached memo must be used.
    test::WriteFile(memo, MemoBuilder::Dbt(512).Block(1, "changed\x1A\x1A").Bytes());
    dbf.Next();
    EXPECT_EQ(dbf.Fields()[0]->AsString(), u"same");
}

TEST(MemoFile, WritingModesAreRefused) {
    TempDir dir;
    TDbf dbf;
    dbf.SetTableName(dir.Write("t.dbf", DbaseTable(0x83, 0, {"1"})));
    dbf.Open();
    try {
        dbf.CreateBlobStream(*dbf.Fields()[0], bmWrite);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
    }
}

// Block lengths as real programs write them: 0 (taken as 512), and below 8, where a memo is
// simply the run of bytes from block number x block length on.
TEST(MemoFile, BlockLengthsFromZeroUp) {
    struct Case {
        const char* what;
        std::string table;
        std::string memoName;
        std::string memo;
        std::string text;
    };
    const std::string fox = FoxTable(4, {Le32(600)});
    const std::string dbase5 = DbaseTable(0x8B, 0x57, {"       600"});
    const std::string long_text = "a memo longer than one block of seven bytes";
    const std::vector<Case> cases = {
        {"dBase V length form, block length 0", DbaseTable(0x8B, 0x57, {"1"}), "t.dbt",
         MemoBuilder::Dbt(512, 0).DbtLengthForm(1, "zero means 512").Bytes(), "zero means 512"},
        {"dBase V terminated, block length 0", DbaseTable(0x8B, 0x57, {"2"}), "t.dbt",
         MemoBuilder::Dbt(512, 0).Block(2, "second block\x1A\x1A").Bytes(), "second block"},
        {"dBase 7 terminated, block length 0", DbaseTable(0x8C, 0, {"1"}), "t.dbt",
         MemoBuilder::Dbt(512, 0).Block(1, "level 7\x1A\x00").Bytes(), "level 7"},
        {"FoxPro block length 1", fox, "t.fpt", MemoBuilder::Fpt(1).FptMemo(600, long_text).Bytes(), long_text},
        {"FoxPro block length 7", fox, "t.fpt", MemoBuilder::Fpt(7).FptMemo(600, long_text).Bytes(), long_text},
        {"FoxPro block length 8", fox, "t.fpt", MemoBuilder::Fpt(8).FptMemo(600, long_text).Bytes(), long_text},
        {"FoxPro block length 512", FoxTable(4, {Le32(2)}), "t.fpt", MemoBuilder::Fpt(512).FptMemo(2, long_text).Bytes(),
         long_text},
        {"dBase V length form, block length 1", dbase5, "t.dbt", MemoBuilder::Dbt(1).DbtLengthForm(600, long_text).Bytes(),
         long_text},
        {"dBase V terminated, block length 1", dbase5, "t.dbt", MemoBuilder::Dbt(1).Block(600, "one\x1A\x1Atwo").Bytes(), "one"},
        {"dBase V terminated, block length 7", dbase5, "t.dbt",
         MemoBuilder::Dbt(7)
             .Block(600,
                    "a\x1A"
                    "b\x1A\x00rest")
             .Bytes(),
         "a"},
        {"dBase V terminated at the end of the file", dbase5, "t.dbt", MemoBuilder::Dbt(1).Block(600, "the end\x1A").Bytes(),
         "the end"},
        {"dBase V terminated, 0x1A at a read boundary", dbase5, "t.dbt",
         MemoBuilder::Dbt(1).Block(600, std::string(65535, 'x') + "\x1A\x1A" + "after").Bytes(), std::string(65535, 'x')},
        {"dBase V terminated, lone 0x1A at a read boundary", dbase5, "t.dbt",
         MemoBuilder::Dbt(1).Block(600, std::string(65535, 'x') + "\x1A" + "y\x1A\x1A").Bytes(), std::string(65535, 'x')},
        {"dBase V terminated, lone 0x1A after a read boundary", dbase5, "t.dbt",
         MemoBuilder::Dbt(1).Block(600, std::string(65536, 'x') + "\x1A" + "y\x1A\x1A").Bytes(), std::string(65536, 'x')},
    };
    for (const Case& c : cases) {
        const auto memos = Memos(c.table, c.memoName, c.memo);
        ASSERT_EQ(memos.size(), 1u) << c.what;
        EXPECT_EQ(memos[0], c.text) << c.what;
    }
}

// A memo of 1 MB is read in large pieces whatever the block length.
TEST(MemoFile, LargeMemosTakeFewReads) {
    struct Case {
        const char* what;
        std::string table;
        std::string memoName;
        std::string memo;
    };
    const std::string text(1 << 20, 'm');
    const std::vector<Case> cases = {
        {"FoxPro block length 1", FoxTable(4, {Le32(600)}), "t.fpt", MemoBuilder::Fpt(1).FptMemo(600, text).Bytes()},
        {"dBase length form, block length 1", DbaseTable(0x8B, 0x57, {"600"}), "t.dbt",
         MemoBuilder::Dbt(1).DbtLengthForm(600, text).Bytes()},
        {"dBase terminated, block length 1", DbaseTable(0x8B, 0x57, {"600"}), "t.dbt",
         MemoBuilder::Dbt(1).Block(600, text + "\x1A\x1A").Bytes()},
        {"dBase III terminated, 512-byte blocks", DbaseTable(0x83, 0, {"1"}), "t.dbt",
         MemoBuilder::Dbt(512).Block(1, text + "\x1A\x1A").Bytes()},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", c.table);
        dir.Write(c.memoName, c.memo);
        TDbf dbf;
        dbf.SetTableName(path);
        dbf.Open();
        TMemoFile* memo = dbf.DbfFile()->MemoFile();
        ASSERT_NE(memo, nullptr) << c.what;
        const std::uint64_t before = memo->ReadCount();
        EXPECT_EQ(dbf.Fields()[0]->AsString().size(), text.size()) << c.what;
        EXPECT_LE(memo->ReadCount() - before, 24u) << c.what;
    }
}

TEST(MemoFile, TruncatedOrRandomMemoFilesNeverCrash) {
    std::string dbt = MemoBuilder::Dbt(64).DbtLengthForm(1, std::string(300, 'q')).Block(8, "tail\x1A").Bytes();
    std::uint32_t seed = 12345;
    for (std::size_t cut = 0; cut <= dbt.size(); cut += 37) {
        std::string damaged = dbt.substr(0, cut);
        for (char& c : damaged) {
            seed = seed * 1103515245u + 12345u;
            if ((seed >> 16) % 7 == 0) c = static_cast<char>(seed >> 24);
        }
        TempDir dir;
        dir.Write("t.dbt", damaged);
        TDbf dbf;
        dbf.SetTableName(dir.Write("t.dbf", DbaseTable(0x8B, 0x57, {"1", "8", "2"})));
        dbf.Open();
        int records = 0;
        for (; !dbf.Eof(); dbf.Next(), ++records) EXPECT_LE(dbf.Fields()[0]->AsString().size(), damaged.size());
        EXPECT_EQ(records, 3);
    }
}

}  // namespace
}  // namespace korvane::dbf
