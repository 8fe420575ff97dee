// Folders as input and an output folder: which tables a folder stands for, in which order,
// each once, and where their documents go.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
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

std::string Table(const std::string& value) {
    return TableBuilder().Field("X", 'C', 12).Record({value}).Bytes();
}

// A tree as users keep one: tables in mixed letter cases, a file that is no table, a link to
// a table and one to a folder, a folder without tables, a year's subfolder.
struct Tree {
    Tree() {
        for (const char* folder : {"data", "data/2019", "data/empty", "outside"}) fs::create_directory(dir.Path(folder));
        dir.Write("data/a.dbf", Table("a"));
        dir.Write("data/B.DBF", Table("B"));
        dir.Write("data/c.Dbf", Table("c"));
        dir.Write("data/notes.txt", "no table");
        dir.Write("data/2019/faktury.dbf", Table("faktury"));
        dir.Write("data/2019/x.DBF", Table("x"));
        dir.Write("outside/t.dbf", Table("linked"));
        fs::create_symlink(dir.Path("outside/t.dbf"), dir.Path("data/link.dbf"));
        fs::create_symlink(dir.Path("data/2019"), dir.Path("data/years"));
    }
    // The tables converted, by the value each document holds.
    std::vector<std::string> Documents(const std::string& folder) const {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path(folder)))
            if (e.is_regular_file() && e.path().extension() == ".xml") {
                const std::string xml = test::ReadFile(e.path().string());
                const std::size_t at = xml.find("<row X=\"") + 8;
                found.push_back(fs::relative(e.path(), dir.Path(folder)).string() + "=" + xml.substr(at, xml.find('"', at) - at));
            }
        std::sort(found.begin(), found.end());
        return found;
    }
    TempDir dir;
};

TEST(Folders, AFolderStandsForItsTables) {
    Tree t;
    const test::CliResult flat = test::RunDbf2xml({"-q", t.dir.Path("data"), t.dir.Path("data/a.dbf")});
    EXPECT_EQ(flat.status, 0) << flat.err;
    EXPECT_EQ(flat.err, "");
    // Links to tables are tables; subfolders wait for -r; a table given twice is converted once.
    EXPECT_EQ(t.Documents("data"), (std::vector<std::string>{"B.xml=B", "a.xml=a", "c.xml=c", "link.xml=linked"}));
    EXPECT_TRUE(fs::exists(t.dir.Path("outside/t.dbf")));
    EXPECT_FALSE(fs::exists(t.dir.Path("outside/t.xml")));  // beside the link, not the file it points to
    // An empty folder is a warning, not a failure.
    const test::CliResult empty = test::RunDbf2xml({"-q", t.dir.Path("data/empty")});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, "dbf2xml: " + t.dir.Path("data/empty") + ": no tables\n");
}

TEST(Folders, RecursiveIntoAnOutputFolder) {
    Tree t;
    const test::CliResult r = test::RunDbf2xml({"-q", "-r", "--output-dir", t.dir.Path("out/new"), t.dir.Path("data")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(t.Documents("out/new"), (std::vector<std::string>{"2019/faktury.xml=faktury", "2019/x.xml=x", "B.xml=B", "a.xml=a",
                                                                "c.xml=c", "link.xml=linked"}));
    // The link to a folder inside the tree is not followed; the tables' folder gets no document.
    EXPECT_FALSE(fs::exists(t.dir.Path("out/new/years")));
    EXPECT_TRUE(t.Documents("data").empty());
    // A table given directly goes to the output folder by its name.
    EXPECT_EQ(test::RunDbf2xml({"-q", "--output-dir", t.dir.Path("flat"), t.dir.Path("data/2019/x.DBF")}).status, 0);
    EXPECT_EQ(t.Documents("flat"), (std::vector<std::string>{"x.xml=x"}));
}

TEST(Folders, TablesInTheOrderOfTheirPaths) {
    Tree t;
    const test::CliResult r = test::RunDbf2xml({"-r", "--output-dir", t.dir.Path("out"), t.dir.Path("data")});
    std::vector<std::string> order;
    for (std::size_t at = r.err.find(" -> "); at != std::string::npos; at = r.err.find(" -> ", at + 1)) {
        const std::size_t start = r.err.rfind("dbf2xml: ", at) + 9;
        order.push_back(fs::relative(r.err.substr(start, at - start), t.dir.Path("data")).string());
    }
    // In byte order of the paths as found; messages name a link's table by the file it resolves to.
    EXPECT_EQ(order, (std::vector<std::string>{"2019/faktury.dbf", "2019/x.DBF", "B.DBF", "a.dbf", "c.Dbf", "../outside/t.dbf"}));
}

// Two tables whose documents would be one file: the later one is not converted, also when they
// would run at the same time.
TEST(Folders, TwoTablesWithOneTarget) {
    Tree t;
    const std::string other = t.dir.Write("outside/a.dbf", Table("other a"));
    const test::CliResult r = test::RunDbf2xml(
        {"-q", "-j", "2", "--output-dir", t.dir.Path("out"), t.dir.Path("data/a.dbf"), other, t.dir.Path("data/c.Dbf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dbf2xml: " + other + ": not converted: its target " + t.dir.Path("out/a.xml") + " is the target of " +
                         t.dir.Path("data/a.dbf") + " too\n");
    EXPECT_EQ(t.Documents("out"), (std::vector<std::string>{"a.xml=a", "c.xml=c"}));
    EXPECT_EQ(test::RunDbf2xml({"-o", "x.xml", "--output-dir", "out", "t.dbf"}).status, 2);
    EXPECT_EQ(test::RunDbf2xml({"-o", t.dir.Path("one.xml"), t.dir.Path("data")}).status, 2);
}

// Nothing is skipped in silence: a link to nothing is a warning, a table reached again through
// a link or a second hard link a note (hidden by -q).
TEST(Folders, TablesSkippedAreTold) {
    Tree t;
    fs::create_symlink(t.dir.Path("data/gone.dbf"), t.dir.Path("data/dangling.dbf"));
    fs::create_hard_link(t.dir.Path("data/a.dbf"), t.dir.Path("outside/second.dbf"));
    const std::string warning = "dbf2xml: " + t.dir.Path("data/dangling.dbf") + ": warning: a link to nothing; not converted\n";
    const std::string notes = "dbf2xml: " + t.dir.Path("outside/second.dbf") + ": note: not converted again; it is " +
                              t.dir.Path("data/a.dbf") + ", converted in this run\n" + "dbf2xml: " + t.dir.Path("outside/t.dbf") +
                              ": note: not converted again; it is " + t.dir.Path("data/link.dbf") + ", converted in this run\n";
    const std::vector<std::string> args = {"--output-dir", t.dir.Path("out"), t.dir.Path("data"), t.dir.Path("outside")};
    std::vector<std::string> quiet = args;
    quiet.insert(quiet.begin(), "-q");
    const test::CliResult q = test::RunDbf2xml(quiet);
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(q.err, warning);
    const test::CliResult r = test::RunDbf2xml(args);
    EXPECT_TRUE(r.err.starts_with(warning + notes)) << r.err;
}

// A subfolder that cannot be read is told, and the rest of the tree converts.
TEST(Folders, AnUnreadableSubfolder) {
    Tree t;
    fs::permissions(t.dir.Path(""), fs::perms(0777));
    for (const char* p : {"data", "data/2019"}) fs::permissions(t.dir.Path(p), fs::perms(0777));
    fs::create_directory(t.dir.Path("data/closed"));
    fs::permissions(t.dir.Path("data/closed"), fs::perms::none);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // As an ordinary user: root reads every folder.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(126);
        std::ostringstream out, err;
        const int status = RunCli({"-q", "-r", "--output-dir", t.dir.Path("out"), t.dir.Path("data")}, out, err, false);
        const std::string said = err.str();
        (void)!::write(pipe[1], said.data(), said.size());
        ::_exit(status);
    }
    ::close(pipe[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::permissions(t.dir.Path("data/closed"), fs::perms(0755));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
    EXPECT_EQ(said, "dbf2xml: " + t.dir.Path("data/closed") + ": cannot be read: Permission denied\n");
    EXPECT_EQ(t.Documents("out").size(), 6u);
}

// Tables converted at the same time: the same documents, the messages whole and in the tables'
// order, the same exit status as one after the other.
TEST(Parallel, TheSameAsOneAfterTheOther) {
    Tree t;
    t.dir.Write("data/2019/broken.dbf", "\x03 not a table");
    auto run = [&](const char* jobs, const std::string& out) {
        test::CliResult r = test::RunDbf2xml({"-r", "-j", jobs, "--output-dir", t.dir.Path(out), t.dir.Path("data")});
        // The times differ from run to run, and the output folder by its name.
        r.err = std::regex_replace(r.err, std::regex("[0-9.]+ s, [0-9.]+ MB/s"), "T");
        for (std::size_t at; (at = r.err.find(t.dir.Path(out))) != std::string::npos;)
            r.err.replace(at, t.dir.Path(out).size(), "OUT");
        return r;
    };
    const test::CliResult one = run("1", "one");
    for (const char* jobs : {"2", "4", "0"}) {
        const std::string out = std::string("many") + jobs;
        const test::CliResult many = run(jobs, out);
        EXPECT_EQ(many.status, one.status) << jobs;
        EXPECT_EQ(one.status, 1);  // the broken table
        EXPECT_EQ(many.err, one.err) << jobs;
        for (const auto& e : fs::recursive_directory_iterator(t.dir.Path("one"))) {
            if (!e.is_regular_file()) continue;
            EXPECT_TRUE(test::ReadFile(e.path().string()) ==
                        test::ReadFile(t.dir.Path(out + "/" + fs::relative(e.path(), t.dir.Path("one")).string())))
                << e.path();
        }
    }
    EXPECT_EQ(test::RunDbf2xml({"-j", "x", t.dir.Path("data")}).status, 2);
}

// Two targets that are one file through a linked output folder: the later table is not
// converted (the message names the file the link leads to), one after the other and at the
// same time alike.
TEST(Parallel, NoFileIsWrittenTwice) {
    TempDir dir;
    fs::create_directories(dir.Path("in/x"));
    fs::create_directories(dir.Path("in/y"));
    dir.Write("in/x/t.dbf", Table("x"));
    dir.Write("in/y/t.dbf", Table("y"));
    fs::create_directories(dir.Path("out/x"));
    fs::create_directory_symlink(dir.Path("out/x"), dir.Path("out/y"));
    for (const char* jobs : {"1", "2"}) {
        fs::remove(dir.Path("out/x/t.xml"));
        const test::CliResult r = test::RunDbf2xml({"-q", "-r", "-j", jobs, "--output-dir", dir.Path("out"), dir.Path("in")});
        EXPECT_EQ(r.status, 1) << jobs;
        EXPECT_EQ(r.err, "dbf2xml: " + dir.Path("in/y/t.dbf") + ": not converted: " + dir.Path("out/x/t.xml") +
                             " was written from " + dir.Path("in/x/t.dbf") + " in this run\n")
            << jobs;
        EXPECT_NE(test::ReadFile(dir.Path("out/x/t.xml")).find("X=\"x\""), std::string::npos) << jobs;
    }
}

// Interrupted, a run of several tables at the same time stops every running table, removes
// every unfinished document and leaves every finished one.
TEST(Parallel, AnInterruptedRunKeepsWhatIsFinished) {
    TempDir dir;
    fs::create_directory(dir.Path("in"));
    fs::create_directory(dir.Path("out"));
    dir.Write("in/a-small.dbf", Table("small"));
    TableBuilder big;
    big.Field("X", 'C', 60);
    for (int i = 0; i < 300000; ++i) big.Record({"row " + std::to_string(i)});
    const std::string bytes = big.Bytes();
    for (const char* name : {"in/b-big.dbf", "in/c-big.dbf", "in/d-big.dbf"}) dir.Write(name, bytes);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(KORVANE_DBF2XML, KORVANE_DBF2XML, "-q", "-j", "2", "--output-dir", dir.Path("out").c_str(),
                dir.Path("in").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Interrupt it once the small table's document is there: two big ones are being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && !fs::exists(dir.Path("out/a-small.xml")))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    // Give the workers a moment to finish their own clean-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.Path("out"))) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    // The workers still running stopped and left nothing behind; what is there is finished.
    // (Usually only the small table; on a loaded machine a big one may have finished first.)
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(left.front(), "a-small.xml");
    EXPECT_LT(left.size(), 4u);
    for (const std::string& name : left) {
        EXPECT_TRUE(name.ends_with(".xml") && !name.starts_with(".")) << name;
        EXPECT_TRUE(test::ReadFile(dir.Path("out/" + name)).ends_with("</table>\r\n")) << name;
    }
}

}  // namespace
}  // namespace korvane::cli
