// The command line, in process: arguments, targets, exit codes, and the same bytes as the window.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Cli.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::TableBuilder;
using test::TempDir;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunCommand(const std::vector<std::string>& args, bool progress = false) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, progress);
    return {status, out.str(), err.str()};
}

TEST(Cli, ConvertsEachTableToItsProposedTarget) {
    TempDir dir;
    const std::string a = dir.Write("A.DBF", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    const std::string b = dir.Write("b.dbf", TableBuilder().Field("X", 'C', 2).Record({"b"}).Bytes());
    const Result r = RunCommand({a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(dir.Read("A.xml").find("<row X=\"a\" />"), std::string::npos);
    EXPECT_NE(dir.Read("b.xml").find("<row X=\"b\" />"), std::string::npos);
    // The window's run writes the same bytes.
    EXPECT_EQ(test::Convert(a, dir.Path("window.xml")), dir.Read("A.xml"));
}

TEST(Cli, FailuresAreReportedAndTheRestIsConverted) {
    TempDir dir;
    const std::string good = dir.Write("good.dbf", TableBuilder().Field("X", 'C', 2).Bytes());
    const Result r = RunCommand({dir.Path("none.dbf"), good});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dbf2xml: " + dir.Path("none.dbf") + ": Open DBF: Open: file not found: \"" + dir.Path("none.dbf") + "\".\n");
    EXPECT_TRUE(std::filesystem::exists(dir.Path("good.xml")));
}

TEST(Cli, OutputOptionAndErrorsOfTheRun) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Bytes());
    EXPECT_EQ(RunCommand({"-o", dir.Path("other.xml"), t}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("other.xml")));
    const Result r = RunCommand({"-q", "-o", dir.Path("missing/x.xml"), t});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dbf2xml: " + t + ": Invalid file name - " + dir.Path("missing/x.xml") + "\n");
}

TEST(Cli, BadArgumentsGiveUsage) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"--bogus", "t.dbf"}, {"-o"}, {"-o", "x", "a.dbf", "b.dbf"}, {"--read-only", "--exclusive", "a"}}) {
        const Result r = RunCommand(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage: dbf2xml"), std::string::npos);
    }
    EXPECT_EQ(RunCommand({"--version"}).out, "Korvane ver. 1.0.3\n");
    EXPECT_EQ(RunCommand({"--help"}).out, UsageText());
}

TEST(Cli, ReadOnlyAndExclusiveModesWriteTheSameDocument) {
    TempDir dir;
    TableBuilder b;
    b.Field("X", 'C', 3).Field("N", 'N', 5, 1).HeaderRecordCount(99);
    for (int i = 0; i < 5000; ++i) b.Record({std::to_string(i % 1000), std::to_string(i % 777) + ".5"}, i % 7 == 0);
    const std::string bytes = b.Bytes();
    const std::string t = dir.Write("t.dbf", bytes);
    ASSERT_EQ(RunCommand({"--read-only", "-o", dir.Path("ro.xml"), t}).status, 0);
    EXPECT_EQ(test::ReadFile(t), bytes);
    ASSERT_EQ(RunCommand({"--exclusive", "-o", dir.Path("ex.xml"), t}).status, 0);
    ASSERT_EQ(RunCommand({"-o", dir.Path("rw.xml"), t}).status, 0);
    EXPECT_EQ(dir.Read("ro.xml"), dir.Read("rw.xml"));
    EXPECT_EQ(dir.Read("ex.xml"), dir.Read("rw.xml"));
}

TEST(Cli, ProgressGoesToStandardErrorOnlyWhenAsked) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    EXPECT_NE(RunCommand({t}, true).err.find("100%"), std::string::npos);
    EXPECT_EQ(RunCommand({"-q", t}, true).err, "");
}

}  // namespace
}  // namespace korvane::cli
