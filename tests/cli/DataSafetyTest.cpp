// The command line and the user's files: standard output as a stream, targets replaced only by
// finished documents, tables never written unless asked, paths and companions as the system
// sees them, and one target per run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/Cli.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;
using test::TableBuilder;
using test::TempDir;

struct Outcome {
    int status;  // as the shell reports it: 128 + the signal for a killed program
    std::string err;
};

// Runs a bash command line in `dir` with $DBF2XML set to the program.
Outcome Shell(const TempDir& dir, const std::string& command) {
    const std::string script = "cd '" + dir.Path("") + "' && DBF2XML='" KORVANE_DBF2XML "' && " + command;
    const std::string errFile = dir.Path(".stderr");
    const int raw = std::system(("bash -c '" + std::string("exec 2>") + errFile + "; " +
                                 [&] {
                                     std::string quoted;
                                     for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
                                     return quoted;
                                 }() +
                                 "'")
                                    .c_str());
    Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFile(errFile)};
    fs::remove(errFile);
    return o;
}

std::string SmallTable() {
    return TableBuilder().Field("X", 'C', 4).Record({"one"}).Record({"two"}).Bytes();
}

std::string LargeTable(int records) {
    TableBuilder b;
    b.Field("X", 'C', 40).Field("N", 'N', 10, 2);
    for (int i = 0; i < records; ++i) b.Record({"row " + std::to_string(i), std::to_string(i % 1000) + ".25"});
    return b.Bytes();
}

// Whether process `pid` has a document open in `dir`: a temporary file, named or not yet.
bool WritingDocument(pid_t pid, const TempDir& dir) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = fs::read_symlink(fd.path(), error).string();
        if (target.starts_with(dir.Path("")) && !target.ends_with(".dbf")) return true;
    }
    return false;
}

std::vector<std::string> FolderEntries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path(""))) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(StandardOutput, AppendAndGroupedRedirectsKeepWhatWasThere) {
    TempDir dir;
    dir.Write("t.dbf", SmallTable());
    ASSERT_EQ(Shell(dir, "\"$DBF2XML\" -q -o reference.xml t.dbf").status, 0);
    const std::string document = dir.Read("reference.xml");
    dir.Write("log", "before\n");
    EXPECT_EQ(Shell(dir, "\"$DBF2XML\" -o - t.dbf >> log").status, 0);
    EXPECT_EQ(dir.Read("log"), "before\n" + document);
    EXPECT_EQ(Shell(dir, "{ echo a; \"$DBF2XML\" -o - t.dbf; echo b; } > grouped").status, 0);
    EXPECT_EQ(dir.Read("grouped"), "a\n" + document + "b\n");
}

TEST(StandardOutput, TheTableItselfIsRefusedAndUnchanged) {
    TempDir dir;
    const std::string bytes = TableBuilder().Field("X", 'C', 4).HeaderRecordCount(7).Record({"a"}).Bytes();
    dir.Write("t.dbf", bytes);
    for (const char* mode : {"", "--fix-header", "--exclusive"}) {
        const Outcome o = Shell(dir, "\"$DBF2XML\" " + std::string(mode) + " -q -o - t.dbf >> t.dbf");
        EXPECT_EQ(o.status, 1) << mode;
        EXPECT_NE(o.err.find("The XML file cannot replace the table or its memo or index file."), std::string::npos) << o.err;
        if (std::string(mode).empty())
            EXPECT_EQ(dir.Read("t.dbf"), bytes);
        else
            EXPECT_EQ(dir.Read("t.dbf").substr(32), bytes.substr(32)) << mode;  // only the header was corrected
    }
}

TEST(StandardOutput, ClosedAndBrokenStreams) {
    TempDir dir;
    dir.Write("t.dbf", SmallTable());
    const Outcome closed = Shell(dir, "\"$DBF2XML\" -q -o - t.dbf >&-");
    EXPECT_EQ(closed.status, 1);
    EXPECT_NE(closed.err.find("standard output is closed"), std::string::npos) << closed.err;
    dir.Write("big.dbf", LargeTable(20000));
    const Outcome broken = Shell(dir, "\"$DBF2XML\" -q -o - big.dbf | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}");
    EXPECT_EQ(broken.status, 128 + SIGPIPE);
    EXPECT_EQ(broken.err, "");
    // With SIGPIPE ignored, the failed write says what happened.
    const Outcome ignored =
        Shell(dir, "trap '' PIPE; \"$DBF2XML\" -q -o - big.dbf | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}");
    EXPECT_EQ(ignored.status, 1);
    EXPECT_EQ(ignored.err, "dbf2xml: standard output: Broken pipe\n");
}

TEST(StandardOutput, ASocketIsWrittenAsAStream) {
    TempDir dir;
    dir.Write("t.dbf", SmallTable());
    ASSERT_EQ(Shell(dir, "\"$DBF2XML\" -q -o reference.xml t.dbf").status, 0);
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pair[1], STDOUT_FILENO);
        ::close(pair[0]);
        ::close(pair[1]);
        ::execl(KORVANE_DBF2XML, KORVANE_DBF2XML, "-q", "-o", "-", dir.Path("t.dbf").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pair[1]);
    std::string received;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pair[0], buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<std::size_t>(n));
    ::close(pair[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(received, dir.Read("reference.xml"));
}

TEST(TargetReplacement, AnInterruptedRunLeavesTheOldTarget) {
    TempDir dir;
    dir.Write("big.dbf", LargeTable(400000));
    dir.Write("big.xml", "the earlier document");
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(KORVANE_DBF2XML, KORVANE_DBF2XML, "-q", dir.Path("big.dbf").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Stop the program as soon as its temporary document exists, then interrupt it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        seen = WritingDocument(child, dir);
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGSTOP);
    ::kill(child, SIGINT);
    ::kill(child, SIGCONT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(dir.Read("big.xml"), "the earlier document");
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"big.dbf", "big.xml"}));
}

TEST(TargetReplacement, PermissionsLinksAndInPlaceTargets) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", SmallTable());
    // An existing target keeps its bits; a new one gets 0666 less the umask.
    dir.Write("kept.xml", "old");
    ::chmod(dir.Path("kept.xml").c_str(), 0640);
    ASSERT_EQ(Shell(dir, "umask 027; \"$DBF2XML\" -q -o kept.xml t.dbf && \"$DBF2XML\" -q -o new.xml t.dbf").status, 0);
    EXPECT_EQ(fs::status(dir.Path("kept.xml")).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir.Path("new.xml")).permissions(), fs::perms(0640));
    const std::string document = dir.Read("new.xml");
    EXPECT_EQ(dir.Read("kept.xml"), document);
    // A link stays a link; the file it points to gets the document.
    fs::create_directory(dir.Path("real"));
    dir.Write("real/target.xml", "old");
    fs::create_symlink(dir.Path("real/target.xml"), dir.Path("link.xml"));
    ASSERT_EQ(Shell(dir, "\"$DBF2XML\" -q -o link.xml t.dbf").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path("link.xml")));
    EXPECT_EQ(dir.Read("real/target.xml"), document);
    // A file with two names is written in place, so both names see the document.
    dir.Write("one.xml", "old");
    fs::create_hard_link(dir.Path("one.xml"), dir.Path("two.xml"));
    ASSERT_EQ(Shell(dir, "\"$DBF2XML\" -q -o one.xml t.dbf").status, 0);
    EXPECT_EQ(dir.Read("two.xml"), document);
    // A device is written in place.
    EXPECT_EQ(Shell(dir, "\"$DBF2XML\" -q -o /dev/null t.dbf").status, 0);
    EXPECT_EQ(FolderEntries(dir),
              (std::vector<std::string>{"kept.xml", "link.xml", "new.xml", "one.xml", "real", "t.dbf", "two.xml"}));
}

TEST(TableModes, OnlyFixHeaderAndExclusiveWriteTheTable) {
    TempDir dir;
    TableBuilder b;
    b.Field("X", 'C', 3).Field("N", 'N', 5, 1).HeaderRecordCount(99);
    for (int i = 0; i < 3000; ++i) b.Record({std::to_string(i % 1000), std::to_string(i % 777) + ".5"}, i % 7 == 0);
    const std::string bytes = b.Bytes();
    const std::string t = dir.Write("t.dbf", bytes);
    std::ostringstream out, err;
    std::map<std::string, std::string> documents;
    for (const char* mode : {"", "--read-only", "--fix-header", "--exclusive"}) {
        dir.Write("t.dbf", bytes);
        std::vector<std::string> args = {"-q", "-o", dir.Path("t.xml"), t};
        if (*mode) args.insert(args.begin(), mode);
        ASSERT_EQ(RunCli(args, out, err, false), 0) << mode << err.str();
        documents[mode] = dir.Read("t.xml");
        const std::string after = dir.Read("t.dbf");
        if (std::string(mode) == "--fix-header" || std::string(mode) == "--exclusive")
            EXPECT_EQ(after.substr(4, 4), test::Le32(3000)) << mode;
        else
            EXPECT_EQ(after, bytes) << mode;
    }
    for (const auto& [mode, document] : documents) EXPECT_EQ(document, documents[""]) << mode;
}

TEST(TableModes, ModesExcludeEachOther) {
    std::ostringstream out, err;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--read-only", "--exclusive", "a"}, {"--fix-header", "--exclusive", "a"}, {"--read-only", "--fix-header", "a"}}) {
        EXPECT_EQ(RunCli(args, out, err, false), 2);
    }
}

// "link/../t.dbf" is the t.dbf beside the folder the link points to, as the system opens it.
TEST(Paths, DotDotThroughALinkIsTheSystemsPath) {
    TempDir dir;
    fs::create_directories(dir.Path("real/sub"));
    dir.Write("real/t.dbf", TableBuilder().Field("X", 'C', 4).Record({"real"}).Bytes());
    dir.Write("t.dbf", TableBuilder().Field("X", 'C', 4).Record({"text"}).Bytes());
    fs::create_directory_symlink(dir.Path("real/sub"), dir.Path("link"));
    ASSERT_EQ(Shell(dir, "\"$DBF2XML\" -q link/../t.dbf").status, 0);
    EXPECT_NE(dir.Read("real/t.xml").find("<row X=\"real\" />"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.Path("t.xml")));
}

TEST(Companions, MemoThatIsNoRegularFileIsRefusedAtOnce) {
    TempDir dir;
    const std::string table = TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Bytes();
    dir.Write("zero.dbf", table);
    fs::create_symlink("/dev/zero", dir.Path("zero.dbt"));
    dir.Write("fifo.dbf", table);
    ASSERT_EQ(::mkfifo(dir.Path("fifo.dbt").c_str(), 0600), 0);
    dir.Write("folder.dbf", table);
    fs::create_directory(dir.Path("folder.dbt"));
    for (const auto& [name, memo] : std::vector<std::pair<std::string, std::string>>{
             {"zero.dbf", "/dev/zero"}, {"fifo.dbf", dir.Path("fifo.dbt")}, {"folder.dbf", dir.Path("folder.dbt")}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCli({"-q", dir.Path(name)}, out, err, false), 1);
        EXPECT_NE(err.str().find("Open DBF: Cannot open file \"" + memo + "\". Not a regular file."), std::string::npos)
            << err.str();
        EXPECT_FALSE(fs::exists(dir.Path(name.substr(0, name.size() - 4) + ".xml")));
    }
}

TEST(OneTargetPerRun, ALaterTableDoesNotOverwriteAnEarlierDocument) {
    TempDir dir;
    const std::string lower = dir.Write("cars.dbf", TableBuilder().Field("X", 'C', 5).Record({"lower"}).Bytes());
    const std::string upper = dir.Write("cars.DBF", TableBuilder().Field("X", 'C', 5).Record({"upper"}).Bytes());
    const std::string other = dir.Write("other.dbf", SmallTable());
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"-q", lower, upper, other}, out, err, false), 1);
    EXPECT_EQ(err.str(), "dbf2xml: " + upper + ": not converted: its target " + dir.Path("cars.xml") + " is the target of " +
                             lower + " too\n");
    EXPECT_NE(dir.Read("cars.xml").find("<row X=\"lower\" />"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.Path("other.xml")));
}

// No document takes the name of a table's file, existing or not, in any letter case: another
// table, a memo beside the table, a code page file.
TEST(OneTargetPerRun, NoTargetHasTheNameOfATablesFile) {
    TempDir dir;
    const std::string a = dir.Write("a.dbf", SmallTable());
    const std::string other = dir.Write("b.dbf", "another program's table");
    dir.Write("A.DBT", "a memo");
    for (const std::string& target : {other, dir.Path("a.dbt"), dir.Path("a.CPG"), dir.Path("new.Fpt"), dir.Path("x.mdx")}) {
        const test::CliResult r = test::RunDbf2xml({"-q", "-o", target, a});
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_EQ(r.err, "dbf2xml: " + a + ": not converted: its target " + target +
                             " has the name of a table's file (a table, memo, index or code page file)\n");
    }
    EXPECT_EQ(dir.Read("b.dbf"), "another program's table");
    EXPECT_EQ(dir.Read("A.DBT"), "a memo");
    for (const char* never : {"a.dbt", "a.CPG", "new.Fpt", "x.mdx"}) EXPECT_FALSE(fs::exists(dir.Path(never))) << never;
}

// An empty argument (an unset shell variable) is no folder, never the working one.
TEST(Arguments, AnEmptyArgumentIsAUsageError) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{""}, {"-r", ""}, {"-q", "--", ""}}) {
        const test::CliResult r = test::RunDbf2xml(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "dbf2xml: '': no such table or folder\nTry 'dbf2xml --help' for more information.\n");
    }
}

// A target whose temporary name would be longer than the system takes fails before the run.
TEST(TargetReplacement, ATargetTooLongForItsTemporaryNameFailsAtOnce) {
    TempDir dir;
    std::string folder = dir.Path("");
    while (folder.size() < 3900) {
        folder += std::string(200, 'd') + "/";
        fs::create_directory(folder);
    }
    const std::string target = folder + std::string(4080 - folder.size(), 't') + ".xml";
    const test::CliResult r = test::RunDbf2xml({"-q", "-o", target, dir.Write("t.dbf", SmallTable())});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with(": Name too long\n")) << r.err.substr(r.err.size() - 80);
    EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace korvane::cli
