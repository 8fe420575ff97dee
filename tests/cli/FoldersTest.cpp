// Folders as input and an output folder: which tables a folder stands for, in which order,
// each once, and where their documents go.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

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

// Two tables whose documents would be one file: the later one is not converted.
TEST(Folders, TwoTablesWithOneTarget) {
    Tree t;
    const std::string other = t.dir.Write("outside/a.dbf", Table("other a"));
    const test::CliResult r =
        test::RunDbf2xml({"-q", "--output-dir", t.dir.Path("out"), t.dir.Path("data/a.dbf"), other, t.dir.Path("data/c.Dbf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dbf2xml: " + other + ": not converted: its target " + t.dir.Path("out/a.xml") + " is the target of " +
                         t.dir.Path("data/a.dbf") + " too\n");
    EXPECT_EQ(t.Documents("out"), (std::vector<std::string>{"a.xml=a", "c.xml=c"}));
    EXPECT_EQ(test::RunDbf2xml({"-o", "x.xml", "--output-dir", "out", "t.dbf"}).status, 2);
    EXPECT_EQ(test::RunDbf2xml({"-o", t.dir.Path("one.xml"), t.dir.Path("data")}).status, 2);
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

}  // namespace
}  // namespace korvane::cli
