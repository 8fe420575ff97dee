// Faults during a run: files that change under the walk, failing output, hostile sizes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "conversion/ConversionRun.h"
#include "platform/Exception.h"
#include "tests/support/LockHolder.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::ColumnA;
using test::kSanitizerMemory;
using test::MemoBuilder;
using test::TableBuilder;
using test::TempDir;

std::string Table(int records, const std::string& memoRef = "") {
    TableBuilder b(0x83);
    b.Field("A", 'C', 4).Field("M", 'M', 10);
    for (int i = 0; i < records; ++i) b.Record({std::to_string(i), memoRef});
    return b.Bytes();
}

int Rows(const std::string& xml) {
    int rows = 0;
    for (std::size_t at = xml.find("<row "); at != std::string::npos; at = xml.find("<row ", at + 1)) ++rows;
    return rows;
}

TEST(FaultInjection, TableShrinkingDuringTheWalkEndsTheWalk) {
    // Another program cuts the 100-record table to 20 whole records (and a part of the 21st)
    // while row 10 is being written: rows 1 to 20 are written, each once, and no more.
    const std::size_t header = 32 + 2 * 32 + 1;
    for (std::size_t extra : {std::size_t{0}, std::size_t{7}}) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", Table(100));
        test::RecordingView view;
        view.onProgress = [&](int row) {
            if (row == 10) std::filesystem::resize_file(path, header + 15 * 20 + extra);
        };
        TableOwner owner;
        ConversionReport report;
        ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), {}, &report));
        std::vector<std::string> expected;
        for (int i = 0; i < 20; ++i) expected.push_back(std::to_string(i));
        const std::string xml = dir.Read("t.xml");
        EXPECT_EQ(ColumnA(xml), expected) << extra;
        EXPECT_TRUE(xml.ends_with("</table>\r\n"));
        EXPECT_TRUE(report.tableShrank);
        EXPECT_EQ(report.rows, 20);
        EXPECT_EQ(report.records, 20);  // the records read, not those the table counted at first
    }
}

TEST(FaultInjection, TableGrowingDuringTheWalkIsWalkedToTheEnd) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", Table(5).substr(0, Table(5).size() - 1));  // no end marker
    test::RecordingView view;
    view.onProgress = [&](int row) {
        if (row == 5) {
            std::ofstream append(path, std::ios::binary | std::ios::app);
            append << std::string(" 1000          ") + " 1001          ";
        }
    };
    TableOwner owner;
    ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml")));
    EXPECT_EQ(Rows(dir.Read("t.xml")), 7);
}

// Slots that another program appends while the walk is on are records when they begin with a
// deletion flag by the time the walk reaches them; one that is only zero-filled (or marked
// with the end-of-file byte) then ends the table, also when it is filled in later.
TEST(FaultInjection, SlotsAppendedDuringTheWalk) {
    struct Case {
        std::string appended;  // at row 5
        std::string later;     // at row 6, over the second appended slot (when the walk is still on)
        int rows;
        int slotsBehind;
    };
    const std::string valid = std::string(" 1000") + std::string(10, ' ');
    const std::string zeros(15, '\0');
    for (const Case& c : {Case{valid + valid, "", 7, 0}, Case{zeros + valid, "", 5, 2},
                          Case{"\x1A" + zeros.substr(1) + valid, "", 5, 2}, Case{valid + zeros, valid, 6, 1}}) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", Table(5).substr(0, Table(5).size() - 1));  // no end marker
        test::RecordingView view;
        view.onProgress = [&](int row) {
            std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::ate);
            if (row == 5) file << c.appended;
            if (row == 6 && !c.later.empty()) {
                file.seekp(-15, std::ios::end);
                file << c.later;
            }
        };
        TableOwner owner;
        ConversionReport report;
        ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), {}, &report));
        EXPECT_EQ(Rows(dir.Read("t.xml")), c.rows);
        EXPECT_EQ(report.records, c.rows);
        EXPECT_EQ(report.slotsBehindEnd, c.slotsBehind);
        // The header correction at the open saw only the five records there were.
        EXPECT_EQ(test::ReadFile(path)[4], 5);
    }
}

TEST(FaultInjection, MemoFileTruncatedDuringTheWalk) {
    TempDir dir;
    TableBuilder b(0x83);
    b.Field("M", 'M', 10);
    for (int i = 1; i <= 20; ++i) b.Record({std::to_string(i)});
    const std::string path = dir.Write("t.dbf", b.Bytes());
    MemoBuilder memo = MemoBuilder::Dbt(512);
    for (int i = 1; i <= 20; ++i) memo.Block(i, "memo " + std::to_string(i) + "\x1A\x1A");
    const std::string memoPath = dir.Write("t.dbt", memo.Bytes());
    test::RecordingView view;
    view.onProgress = [&](int row) {
        if (row == 8) std::filesystem::resize_file(memoPath, 512 * 9 + 3);
    };
    TableOwner owner;
    ConversionReport report;
    ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), {}, &report));
    const std::string xml = dir.Read("t.xml");
    EXPECT_EQ(Rows(xml), 20);
    EXPECT_NE(xml.find("M=\"memo 7\""), std::string::npos);
    // Block 9 is cut after three bytes: the memo keeps them, nothing is made up after them;
    // the blocks after it are gone. Each is counted, the first named.
    EXPECT_NE(xml.find("<row M=\"mem\" />"), std::string::npos);
    EXPECT_NE(xml.find("<row M=\"\" />"), std::string::npos);
    const ValueIssue& cut = report.Values(ValueProblem::MemoCut);
    EXPECT_EQ(cut.count, 12);
    EXPECT_EQ(cut.record, 9);
    EXPECT_EQ(cut.field, "M");
    EXPECT_EQ(cut.detail, "9");
}

TEST(FaultInjection, TargetFolderRemovedBeforeTheRun) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", Table(3));
    std::filesystem::create_directory(dir.Path("out"));
    test::RecordingView view;
    TableOwner owner;
    std::filesystem::remove(dir.Path("out"));
    try {
        RunConversion(view, owner, path, dir.Path("out/t.xml"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 3);
    }
}

// A table that another program holds exclusively (flock) is refused in every mode and not
// written, although its header needs a correction.
TEST(FaultInjection, TableLockedByAnotherProgramIsRefusedInEveryMode) {
    TempDir dir;
    const std::string bytes = TableBuilder(0x83).Field("A", 'C', 4).HeaderRecordCount(9).Record({"x"}).Bytes();
    const std::string path = dir.Write("t.dbf", bytes);
    const test::LockHolder holder(path, LOCK_EX);
    ASSERT_TRUE(holder.Holds());
    ConversionOptions readOnly;
    readOnly.readOnly = true;
    readOnly.readAhead = true;
    ConversionOptions exclusive;
    exclusive.exclusive = true;
    for (const ConversionOptions& options : {ConversionOptions{}, readOnly, exclusive}) {
        test::RecordingView view;
        TableOwner owner;
        EXPECT_FALSE(RunConversion(view, owner, path, dir.Path("t.xml"), options));
        EXPECT_EQ(view.Messages(), (std::vector<std::string>{"Open DBF: Cannot open file \"" + path +
                                                             "\". The file is locked by another program."}));
        EXPECT_EQ(test::ReadFile(path), bytes);
        EXPECT_FALSE(std::filesystem::exists(dir.Path("t.xml")));
    }
}

TEST(FaultInjection, ExclusiveModeWritesTheCorrectedHeaderAtClose) {
    TempDir dir;
    std::string bytes = TableBuilder(0x03).Field("A", 'C', 2).HeaderRecordCount(9).Record({"x"}).Bytes();
    const std::string path = dir.Write("t.dbf", bytes);
    test::RecordingView view;
    TableOwner owner;
    ConversionOptions options;
    options.exclusive = true;
    ASSERT_TRUE(RunConversion(view, owner, path, dir.Path("t.xml"), options));
    EXPECT_EQ(test::ReadFile(path).substr(4, 4), test::Le32(1));
}

// Small hostile tables whose numbers claim huge sizes.
std::vector<std::pair<std::string, std::pair<std::string, std::string>>> HostileTables() {
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> tables;
    // Largest header and record lengths with a tiny file.
    tables.push_back({"sizes", {TableBuilder().Field("A", 'C', 255).HeaderSize(65535).RecordSize(65535).Bytes(), ""}});
    // FoxPro character fields of 65,535 bytes each.
    TableBuilder wide(0x30);
    for (int i = 0; i < 20; ++i) wide.Field("F" + std::to_string(i), 'C', 65535);
    tables.push_back({"wide", {wide.RawRecord("x").Bytes(), ""}});
    // Memo lengths and block numbers far beyond the memo file.
    TableBuilder memo(0x8B);
    memo.LanguageId(0x57).Field("M", 'M', 10).Record({"1"}).Record({"2147483647"}).Record({"3"});
    tables.push_back(
        {"memo", {memo.Bytes(), MemoBuilder::Dbt(65535).DbtLengthForm(1, "x", 0xFFFFFFF0u).Bytes().substr(0, 1024)}});
    TableBuilder fox(0x30);
    fox.Field("M", 'M', 4).RawRecord(test::Le32(1)).RawRecord(test::Le32(0x7FFFFFFF));
    tables.push_back({"fpt", {fox.Bytes(), MemoBuilder::Fpt(8).FptMemo(1, "y", 0x7FFFFFFFu).Bytes()}});
    return tables;
}

TEST(ResourceLimits, HostileTablesConvertUnder256MegabytesOfAddressSpace) {
    if (kSanitizerMemory) GTEST_SKIP() << "a sanitizer reserves more address space than the limit";
    for (const auto& [name, files] : HostileTables()) {
        TempDir dir;
        const std::string path = dir.Write("t.dbf", files.first);
        if (!files.second.empty()) dir.Write(files.first[0] == 0x30 ? "t.fpt" : "t.dbt", files.second);
        const pid_t child = ::fork();
        if (child == 0) {
            rlimit limit{256ull << 20, 256ull << 20};
            ::setrlimit(RLIMIT_AS, &limit);
            test::RecordingView view;
            TableOwner owner;
            try {
                RunConversion(view, owner, path, dir.Path("t.xml"));
            } catch (const Exception&) {
            } catch (const std::bad_alloc&) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name << " status " << status;
    }
}

}  // namespace
}  // namespace korvane
