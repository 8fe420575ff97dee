// Faults that only a file under the program's control shows: read errors, locks held by other
// programs, transfers the system makes only in part, and the moment the output buffer goes out.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "conversion/ConversionRun.h"
#include "conversion/OutputCursor.h"
#include "conversion/TextFile.h"
#include "dbf/Dbf.h"
#include "dbf/DbfErrors.h"
#include "platform/Exception.h"
#include "platform/Unicode.h"
#include "tests/support/ScriptedFiles.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::FileScript;
using test::ScriptedFile;
using test::ScriptedFileSystem;
using test::TableBuilder;

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Table(int records) {
    TableBuilder b(0x83);
    b.Field("A", 'C', 4).Field("M", 'M', 10);
    for (int i = 0; i < records; ++i) b.Record({std::to_string(i), "1"});
    return b.Bytes();
}

// Walks the table at /d/t.dbf in `files`; the values of column A, then "!" and the failure.
std::vector<std::string> Walk(ScriptedFileSystem& files) {
    std::vector<std::string> out;
    dbf::TDbf table;
    table.Files = &files;
    table.SetTableName("/d/t.dbf");
    try {
        table.Open();
        for (; !table.Eof(); table.Next()) {
            out.push_back(platform::Utf16ToUtf8(table.Fields()[0]->AsString()));
            (void)table.Fields()[1]->AsString();
        }
    } catch (const dbf::EPagedFile& e) {
        out.push_back("!" + e.Message() + " " + e.FileName);
    }
    return out;
}

TEST(FileSeam, ReadsThatFailLockOrTakePart) {
    const std::string table = Table(10);
    const std::string memo = test::MemoBuilder::Dbt(512).Block(1, "memo\x1A\x1A").Bytes();
    const std::size_t header = 32 + 2 * 32 + 1;
    const std::vector<std::string> all = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    struct Case {
        const char* what;
        std::string path;
        FileScript script;
        std::vector<std::string> expected;
    };
    std::vector<std::string> failed = {"0", "1", "2"};
    failed.push_back("!Error while reading occured. /d/t.dbf");
    // Open reads the main header, the whole header, the two descriptors with the byte behind
    // each, and the end-of-file byte; then one read per record.
    const auto afterThree = static_cast<std::int64_t>(32 + header + 2 * (32 + 1) + 1 + 3 * 15);
    const std::vector<Case> cases = {
        {"a table read that fails", "/d/t.dbf", {afterThree, 5, 0, 0}, failed},
        {"a memo read that fails", "/d/t.dbt", {512, 5, 0, 0}, {"0", "!Error while reading occured. /d/t.dbt"}},
        {"reads that meet another program's lock", "/d/t.dbf", {-1, 5, 0, 3}, all},
        {"reads of three bytes at a time", "/d/t.dbf", {-1, 5, 3, 0}, all},
        {"memo reads of one byte at a time", "/d/t.dbt", {-1, 5, 1, 0}, all},
    };
    for (const Case& c : cases) {
        ScriptedFileSystem files;
        files.Put("/d/t.dbf", Bytes(table));
        files.Put("/d/t.dbt", Bytes(memo));
        files.Script(c.path, c.script);
        EXPECT_EQ(Walk(files), c.expected) << c.what;
    }
}

// Writes through a file with a 16-byte buffer; the sizes of the writes the file saw.
struct Output {
    ScriptedFileSystem files;
    TTextRec t;
    char buffer[16];
    ScriptedFile* file = nullptr;

    explicit Output(std::uint32_t codePage, FileScript script = {}) {
        AssignText(t, "/out", codePage, test::DefaultTestSettings());
        SetTextBuf(t, buffer, sizeof buffer);
        files.Script("/out", script);
        platform::OsError error;
        auto handle = files.Open("/out", platform::FileAccess::CreateTruncate, error);
        file = static_cast<ScriptedFile*>(handle.get());
        RewritTextOn(t, std::move(handle));
    }
    std::vector<std::size_t> Writes() const { return file->writes; }
    std::string Close() {
        korvane::Close(t);
        IOTest();
        const std::vector<std::uint8_t> bytes = files.Get("/out");
        return {bytes.begin(), bytes.end()};
    }
};

// Every write path puts its bytes into the buffer by one rule: the moment the buffer is full
// it goes out, so 15 bytes stay, 16 go out at once and 17 leave one byte behind.
TEST(FileSeam, TheBufferGoesOutTheMomentItIsFull) {
    struct Path {
        const char* what;
        std::uint32_t codePage;
        std::function<void(TTextRec&, int)> write;  // writes n bytes' worth
    };
    const std::vector<Path> paths = {
        {"bytes", 65001,
         [](TTextRec& t, int n) {
             WriteBytes(t, std::string(static_cast<std::size_t>(n), 'b').data(), static_cast<std::size_t>(n));
         }},
        {"ASCII text", 65001, [](TTextRec& t, int n) { Write0UString(t, std::u16string(static_cast<std::size_t>(n), u'a')); }},
        {"text of two-byte letters", 65001,
         [](TTextRec& t, int n) {
             Write0UString(t, std::u16string(static_cast<std::size_t>(n % 2), u'a') +
                                  std::u16string(static_cast<std::size_t>(n / 2), u'\u00E9'));
         }},
        {"8-bit text of the file's code page", 65001,
         [](TTextRec& t, int n) {
             Write0LString(t, {std::string(static_cast<std::size_t>(n), 'c'), 65001});
         }},
        {"8-bit text of another code page", 65001,
         [](TTextRec& t, int n) {
             Write0LString(
                 t, {std::string(static_cast<std::size_t>(n % 2), 'c') + std::string(static_cast<std::size_t>(n / 2), '\x8A'),
                     1250});
         }},
        {"characters of the system code page", 1250,
         [](TTextRec& t, int n) {
             for (int i = 0; i < n; ++i) Write0Char(t, 'x');
         }},
        {"a piece written in place", 65001,
         [](TTextRec& t, int n) {
             OutputCursor cursor(t);
             char* d = cursor.Reserve(static_cast<std::size_t>(n));
             std::memset(d, 'p', static_cast<std::size_t>(n));
             cursor.Done(d + n);
             cursor.Commit();
         }},
    };
    for (const Path& p : paths) {
        for (int n : {15, 16, 17}) {
            Output out(p.codePage);
            p.write(out.t, n);
            IOTest();
            const std::vector<std::size_t> expected = n < 16 ? std::vector<std::size_t>{} : std::vector<std::size_t>{16};
            EXPECT_EQ(out.Writes(), expected) << p.what << " " << n;
            EXPECT_EQ(out.Close().size(), static_cast<std::size_t>(n)) << p.what << " " << n;
        }
    }
    // UTF-16 has two bytes a unit.
    for (int units : {7, 8, 9}) {
        Output out(1200);
        Write0UString(out.t, std::u16string(static_cast<std::size_t>(units), u'u'));
        EXPECT_EQ(out.Writes(), units < 8 ? std::vector<std::size_t>{} : std::vector<std::size_t>{16}) << units;
    }
}

TEST(FileSeam, WritesThatTakePartGoOnWithTheRest) {
    Output out(65001, {-1, 5, 3, 0});
    std::string text;
    for (int i = 0; i < 10; ++i) text += "line " + std::to_string(i) + "\n";
    Write0UString(out.t, std::u16string(text.begin(), text.end()));
    EXPECT_EQ(out.Close(), text);
}

TEST(FileSeam, AWriteThatFailsIsTheDiskFull) {
    Output out(65001, {20, 28, 0, 0});  // ENOSPC after 20 bytes
    Write0UString(out.t, std::u16string(40, u'x'));
    try {
        IOTest();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 101);
        EXPECT_EQ(e.Message(), "Disk full");
    }
}

// Pieces written in place give the file the bytes and the writes of the same pieces written
// one by one as statements: into a regular file, and into a device that sees every statement.
TEST(FileSeam, PiecesInPlaceAreWrittenAsStatementsOneByOne) {
    std::mt19937 rng(3);
    for (bool device : {false, true}) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::string> pieces;
            for (int k = 0; k < 30; ++k) pieces.push_back(std::string(rng() % 41, static_cast<char>('a' + k % 26)));
            Output plain(65001), inPlace(65001);
            plain.t.FlushOnStatement = inPlace.t.FlushOnStatement = device;
            for (const std::string& piece : pieces) {
                WriteBytes(plain.t, piece.data(), piece.size());
                _Flush(plain.t);
                IOTest();
            }
            OutputCursor cursor(inPlace.t);
            for (std::size_t k = 0; k < pieces.size(); ++k) {
                char* d = cursor.Reserve(pieces[k].size());
                std::memcpy(d, pieces[k].data(), pieces[k].size());
                cursor.Done(d + pieces[k].size());
                if (rng() % 5 == 0) cursor.Commit();  // a row's end
            }
            cursor.Commit();
            EXPECT_EQ(inPlace.Writes(), plain.Writes()) << "round " << round << (device ? ", device" : "");
            EXPECT_EQ(inPlace.Close(), plain.Close()) << "round " << round << (device ? ", device" : "");
        }
    }
}

// A piece whose value failed leaves nothing; the pieces done before it stay.
TEST(FileSeam, AnUnfinishedPieceLeavesNothing) {
    Output out(65001);
    OutputCursor cursor(out.t);
    char* d = cursor.Reserve(5);
    std::memcpy(d, "done ", 5);
    cursor.Done(d + 5);
    d = cursor.Reserve(8);
    std::memcpy(d, "half", 4);
    cursor.CommitDone();
    EXPECT_EQ(out.Close(), "done ");
}

// A write that fails is raised by the piece that filled the buffer, as a statement would.
TEST(FileSeam, AFailedWriteIsRaisedByThePieceThatFilledTheBuffer) {
    for (std::size_t size : {std::size_t{5}, std::size_t{16}, std::size_t{23}}) {
        Output out(65001, {0, 28, 0, 0});
        OutputCursor cursor(out.t);
        std::size_t written = 0;
        int failedAt = -1;
        for (int k = 0; k < 10 && failedAt < 0; ++k) {
            try {
                char* d = cursor.Reserve(size);
                std::memset(d, 'x', size);
                cursor.Done(d + size);
                written += size;
            } catch (const EInOutError& e) {
                EXPECT_EQ(e.ErrorCode, 101);
                failedAt = k;
            }
        }
        // The piece that reached 16 bytes, or the one too large for what was left.
        EXPECT_EQ(failedAt, static_cast<int>((16 + size - 1) / size) - 1) << size;
        EXPECT_LT(written, std::size_t{16}) << size;
    }
}

}  // namespace
}  // namespace korvane
