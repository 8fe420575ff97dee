// The command line, in process: arguments, targets, messages, warnings, progress and summary,
// and the same bytes as the window.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>

#include "cli/Cli.h"
#include "platform/File.h"
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
    const Result r = RunCommand({"-q", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(dir.Read("A.xml").find("<row X=\"a\" />"), std::string::npos);
    EXPECT_NE(dir.Read("b.xml").find("<row X=\"b\" />"), std::string::npos);
    // The window's run writes the same bytes.
    EXPECT_EQ(test::Convert(a, dir.Path("window.xml")), dir.Read("A.xml"));
}

// Every message names the file it is about once, with the design's text.
TEST(Cli, MessagesNameTheirFileOnce) {
    KORVANE_LINUX_ONLY("/proc/self/exe and links");
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    std::filesystem::create_directory(dir.Path("folder"));
    std::filesystem::create_directory(dir.Path("folder.dbf"));
    TableBuilder stamps(0x30);
    stamps.Field("NAZEV", 'C', 2).Field("DATUM", 'T', 8);
    stamps.RawRecord("ok" + test::Le32(2460311) + test::Le32(0));
    stamps.RawRecord("de" + test::Le32(1) + test::Le32(1), '*');
    stamps.RawRecord("no" + test::Le32(1721425) + test::Le32(1));
    const std::string bad = dir.Write("stamps.dbf", stamps.Bytes());
    const std::string self = platform::RealPath("/proc/self/exe");
    const std::string short3 = dir.Write("short.dbf", "\x03\x7C\x01\x0F");
    const std::string empty = dir.Write("empty.dbf", "");
    std::filesystem::create_symlink(dir.Path("loop.xml"), dir.Path("loop.xml"));
    const std::string oneByte = dir.Write("one.dbf", "\x03");
    const std::string noRecords = dir.Write("zero.dbf", TableBuilder().Field("X", 'C', 2).RecordSize(0).Bytes());
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{dir.Path("none.dbf")}, "dbf2xml: Open DBF: Open: file not found: \"" + dir.Path("none.dbf") + "\".\n"},
        {{dir.Path("a\nb\x01.dbf")}, "dbf2xml: Open DBF: Open: file not found: \"" + dir.Path("a\\nb\\x01.dbf") + "\".\n"},
        // The target's failures in the system's words.
        {{"-o", dir.Path("missing/x.xml"), t}, "dbf2xml: " + dir.Path("missing/x.xml") + ": No such folder\n"},
        {{"-o", dir.Path("folder"), t}, "dbf2xml: " + dir.Path("folder") + ": Is a folder\n"},
        {{"-o", dir.Path("loop.xml"), t}, "dbf2xml: " + dir.Path("loop.xml") + ": Too many levels of links\n"},
        {{"-o", dir.Path(std::string(300, 'n') + ".xml"), t},
         "dbf2xml: " + dir.Path(std::string(300, 'n') + ".xml") + ": Name too long\n"},
        {{"-o", "/dev/full", t}, "dbf2xml: /dev/full: Disk full\n"},
        {{short3}, "dbf2xml: " + short3 + ": Open DBF: Operation aborted (the file is too short to be a table)\n"},
        {{empty}, "dbf2xml: " + empty + ": Open DBF: Operation aborted (the file is too short to be a table)\n"},
        {{oneByte}, "dbf2xml: " + oneByte + ": Open DBF: Operation aborted (the file is too short to be a table)\n"},
        // A target that does not exist is named absolutely, without "." and "..".
        {{"-o", dir.Path("missing/./../missing/x.xml"), t}, "dbf2xml: " + dir.Path("missing/x.xml") + ": No such folder\n"},
        {{noRecords}, "dbf2xml: " + noRecords + ": Open DBF: Operation aborted (the header gives a record length of 0)\n"},
        {{"--fix-header", self},
         "dbf2xml: Open DBF: Cannot open file \"" + self + "\". Text file busy (the default mode never writes the table)\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"-q"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = RunCommand(args);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    // A time stamp that forms none is no failure: its value is left empty and counted.
    const Result r = RunCommand({"-q", bad});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.err,
        "dbf2xml: " + bad +
            ": 1 value could not be read and was left empty (first: record 3, field DATUM: 51 44 1A 00 01 00 00 00 is not a "
            "valid timestamp)\n");
    EXPECT_NE(dir.Read("stamps.xml").find("<row NAZEV=\"no\" DATUM=\"\" />"), std::string::npos);
}

// The target's failures in the system's words, for the errors a test cannot make the system
// give (a read-only file system, a permission root does not lack).
TEST(Messages, TargetFailuresInTheSystemsWords) {
    struct Case {
        int errnoValue;
        int code;
        std::string message;
        std::string said;
    };
    for (const Case& c : {Case{ENOENT, 3, "Invalid file name - /x/y.xml", "No such folder"},
                          Case{EROFS, 5, "File access denied", "Read-only file system"},
                          Case{EACCES, 5, "File access denied", "Permission denied"},
                          Case{ENOSPC, 101, "Disk full; the target is unchanged", "Disk full; the target is unchanged"},
                          Case{EPIPE, 32, "I/O error 32", "Broken pipe"},
                          Case{0, 32, "the target is being written by another run; not converted",
                               "the target is being written by another run; not converted"}})
        EXPECT_EQ(TargetFailure(EInOutError(c.message, c.code, c.errnoValue)), c.said) << c.message;
}

// A memo file that fails to read is named in the message; here one whose reads the system
// refuses (the test's own memory at an address nothing is mapped at).
TEST(Cli, MemoReadErrorNamesTheMemoFile) {
    KORVANE_LINUX_ONLY("/proc/self/mem");
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder(0x83).Field("POZN", 'M', 10).Record({"1"}).Bytes());
    std::filesystem::create_symlink("/proc/self/mem", dir.Path("t.dbt"));
    const Result r = RunCommand({"-q", t});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "dbf2xml: " + platform::RealPath("/proc/self/mem") + ": record 1, field POZN: Error while reading occured.\n");
}

TEST(Cli, ControlCharactersAreEscaped) {
    // A backslash is escaped where it can be in a name; on Windows it only separates.
    EXPECT_EQ(EscapeControls("a\nb\rc\td\\e\x01\x1F\x7F"),
              test::kOnWindows ? "a\\nb\\rc\\td\\e\\x01\\x1F\\x7F" : "a\\nb\\rc\\td\\\\e\\x01\\x1F\\x7F");
    EXPECT_EQ(EscapeControls("\xC2\x85 \xC2\x9F \xC2\xA0 \xC5\xA1"), "\\x85 \\x9F \xC2\xA0 \xC5\xA1");  // C1 controls only
    EXPECT_EQ(EscapeControls("x\x9B"
                             "y"),
              "x\\x9By");  // a lone C1 byte
}

TEST(Cli, MissingMemoFileWarnsAndStrictFails) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Bytes());
    const Result warned = RunCommand({"-q", t});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err, "dbf2xml: " + t + ": warning: memo file t.dbt not found; memo values are empty\n");
    EXPECT_TRUE(std::filesystem::exists(dir.Path("t.xml")));
    std::filesystem::remove(dir.Path("t.xml"));
    const Result strict = RunCommand({"-q", "--strict", t});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err, "dbf2xml: " + t + ": memo file t.dbt not found; not converted (--strict)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("t.xml")));
}

TEST(Cli, SummaryPerTableAndTotal) {
    TempDir dir;
    const std::string a =
        dir.Write("a.dbf", TableBuilder().Field("X", 'C', 2).Record({"1"}).Record({"2"}, true).Record({"3"}).Bytes());
    const std::string b = dir.Write("b.dbf", TableBuilder().Field("X", 'C', 2).Record({"1"}).Bytes());
    const Result r = RunCommand({a, b, dir.Path("none.dbf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    const std::string number = "[0-9]+\\.[0-9]";
    const auto literal = [](const std::string& text) {
        return std::regex_replace(text, std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)");
    };
    const std::regex expected("dbf2xml: " + literal(a) + " -> " + literal(dir.Path("a.xml")) + ": 2 rows, 1 deleted skipped, " +
                              number + " s, " + number +
                              " MB/s\n"
                              "dbf2xml: " +
                              literal(b) + " -> " + literal(dir.Path("b.xml")) + ": 1 row, 0 deleted skipped, " + number +
                              " s, " + number +
                              " MB/s\n"
                              "dbf2xml: Open DBF: Open: file not found: \"" +
                              literal(dir.Path("none.dbf")) +
                              "\".\n"
                              "dbf2xml: 3 tables: 2 converted, 1 failed; 3 rows, 1 deleted skipped, " +
                              number + " s, " + number + " MB/s\n");
    EXPECT_TRUE(std::regex_match(r.err, expected)) << r.err;
    EXPECT_EQ(RunCommand({"--quiet", a}).err, "");
}

// A usage error is one line naming the problem and where to find help; an option given twice
// must say the same both times.
TEST(Cli, BadArgumentsGiveUsage) {
    const std::string help = "\nTry 'dbf2xml --help' for more information.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no table given"},
        {{"--bogus", "t.dbf"}, "unknown option --bogus"},
        {{"-o"}, "-o needs a file name"},
        {{"-o", "x", "a.dbf", "b.dbf"}, "-o takes exactly one table"},
        {{"--read-only", "--exclusive", "a"}, "--read-only, --fix-header and --exclusive exclude each other"},
        {{"-o", "a.xml", "-o", "b.xml", "t.dbf"}, "-o given twice, as 'a.xml' and as 'b.xml'"},
        {{"--code-page", "1250", "--code-page", "852", "t.dbf"}, "--code-page given twice, as '1250' and as '852'"},
        {{"--code-page", "table", "--code-page", "1250", "t.dbf"}, "--code-page given twice, as 'table' and as '1250'"},
    };
    for (const auto& [args, problem] : cases) {
        const Result r = RunCommand(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "dbf2xml: " + problem + help);
    }
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-q", "-o", dir.Path("t.xml"), "-o", dir.Path("t.xml"), t},
                                               {"-q", "--fix-header", "--fix-header", t},
                                               {"-q", "--code-page", "852", "--code-page", "852", t}})
        EXPECT_EQ(RunCommand(args).status, 0) << args[1];
    EXPECT_EQ(RunCommand({"--version"}).out, "dbf2xml (Korvane) " KORVANE_VERSION "\n");
    EXPECT_EQ(RunCommand({"--help"}).out, UsageText());
    EXPECT_EQ(RunCommand({"-h"}).out, UsageText());
    for (const char* option : {"-h", "--quiet", "--strict", "--fix-header", "--read-only", "--exclusive", "--version", " -- "})
        EXPECT_NE(UsageText().find(option), std::string::npos) << option;
}

// No table's target may be a file that another table of the same run is read from: those
// tables are not converted and the input stays as it was; the others go on.
TEST(Cli, NoTargetIsAnInputOfTheRun) {
    KORVANE_LINUX_ONLY("A link made by a test");
    TempDir dir;
    const std::string table = TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes();
    const std::string p = dir.Write("p.dbf", table);
    const std::string px = dir.Write("p.xml", table);  // a table, named as p.dbf's document
    const std::string q = dir.Write("q.dbf", table);
    const std::string qx = dir.Write("q.xml", "no table at all");
    const std::string a = dir.Write("a.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Bytes());
    const std::string memo = dir.Write("a.dbt", test::MemoBuilder::Dbt(512).Block(1, "memo\x1A").Bytes());
    const std::string b = dir.Write("b.dbf", table);
    std::filesystem::create_symlink(memo, dir.Path("b.xml"));  // b's document would replace a's memo
    const std::string memoBytes = test::ReadFile(memo);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"-q", p, px},
         "dbf2xml: " + p + ": not converted: its target " + px +
             " is a table of this run\n"
             "dbf2xml: " +
             px + ": The XML file cannot replace the table or its memo or index file.\n"},
        {{"-q", qx, q},
         "dbf2xml: " + qx +
             ": Open DBF: Invalid DBF file.\n"
             "dbf2xml: " +
             q + ": not converted: its target " + qx + " is a table of this run\n"},
        {{"-q", a, b},
         "dbf2xml: " + b + ": not converted: its target " + memo + " is a memo, index or code page file of this run\n"},
    };
    for (const Case& c : cases) {
        const Result r = RunCommand(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(test::ReadFile(px), table);
    EXPECT_EQ(test::ReadFile(qx), "no table at all");
    EXPECT_EQ(test::ReadFile(memo), memoBytes);
    EXPECT_NE(test::ReadFile(dir.Path("a.xml")).find("M=\"memo\""), std::string::npos);  // the others go on
}

// Target paths as long as the system takes them, and names of up to 255 bytes.
TEST(Cli, LongTargetPathsAndNames) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    std::string folder = dir.Path("");
    while (folder.size() < 300) folder += std::string(60, 'f') + "/";
    std::filesystem::create_directories(folder);
    for (const std::string& target :
         {folder + "t.xml", dir.Path(std::string(251, 'n') + ".xml"), folder + std::string(251, 'n') + ".xml"}) {
        const Result r = RunCommand({"-q", "-o", target, t});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(test::ReadFile(target).find("<row X=\"a\" />"), std::string::npos);
    }
}

TEST(Cli, DoubleDashTakesTablesThatLookLikeOptions) {
    TempDir dir;
    dir.Write("-q.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.Path(""));
    const Result r = RunCommand({"-q", "--", "-q.dbf"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.Path("-q.xml")));
}

TEST(Progress, NeverOnStandardOutputAndNotWithQuiet) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes());
    const Result drawn = RunCommand({t}, true);
    EXPECT_NE(drawn.err.find("100 %  1 row"), std::string::npos) << drawn.err;
    EXPECT_EQ(drawn.out, "");
    EXPECT_EQ(RunCommand({"-q", t}, true).err, "");
}

}  // namespace
}  // namespace korvane::cli
