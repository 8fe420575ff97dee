// The program on a pseudo-terminal: the progress line as a terminal shows it, and Ctrl-C.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <regex>
#include <thread>

#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::TableBuilder;
using test::TempDir;

// The progress line as a terminal shows it: the program runs on a pseudo-terminal.
struct TerminalOutput {
    std::string text;
    int status;
};

TerminalOutput OnTerminal(const std::vector<std::string>& args,
                          const std::function<void(pid_t, const std::string&)>& watch = {}) {
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        std::vector<char*> argv = {const_cast<char*>(KORVANE_DBF2XML)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KORVANE_DBF2XML, argv.data());
        ::_exit(127);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // the terminal closes when the program ends
        text.append(buffer, static_cast<std::size_t>(n));
        if (watch) watch(child, text);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    return {text, status};
}

TEST(Progress, EndsAtOneHundredPercentWithDeletedRecordsLast) {
    TempDir dir;
    TableBuilder b;
    b.Field("X", 'C', 8);
    for (int i = 0; i < 300000; ++i) b.Record({std::to_string(i)}, i >= 200000);
    const std::string t = dir.Write("t.dbf", b.Bytes());
    const TerminalOutput o = OnTerminal({"-o", dir.Path("t.xml"), t});
    ASSERT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0) << o.text;
    // The terminal turns each line end into CR LF.
    const std::size_t summary = o.text.find("\r\ndbf2xml: " + t + " -> ");
    ASSERT_NE(summary, std::string::npos) << o.text;
    const std::string progress = o.text.substr(0, summary);
    const std::string last = progress.substr(progress.rfind('\r') + 1);
    EXPECT_TRUE(last.starts_with("dbf2xml: " + t + "  100 %  200000 rows  ")) << last;
    EXPECT_EQ(std::count(o.text.begin(), o.text.end(), '\n'), 2);
    // The first frame is drawn before any row: nothing is done yet.
    EXPECT_TRUE(o.text.starts_with("\rdbf2xml: " + t + "  0 %  0 rows  ")) << o.text.substr(0, 80);
}

// Tables converted at the same time share one progress line for the whole run; the summaries
// stand on lines of their own.
TEST(Progress, OneLineForAParallelRun) {
    TempDir dir;
    for (const char* name : {"a.dbf", "b.dbf", "c.dbf"}) dir.Write(name, TableBuilder().Field("X", 'C', 4).Record({"x"}).Bytes());
    const TerminalOutput o = OnTerminal({"-j", "2", dir.Path("a.dbf"), dir.Path("b.dbf"), dir.Path("c.dbf")});
    ASSERT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0) << o.text;
    EXPECT_NE(o.text.find(" of 3 tables  "), std::string::npos) << o.text;
    for (const char* name : {"a", "b", "c"})
        EXPECT_NE(o.text.find("\r\ndbf2xml: " + dir.Path(name) + ".dbf -> "), std::string::npos) << o.text;
    EXPECT_NE(o.text.find("dbf2xml: 3 tables: 3 converted, 0 failed"), std::string::npos) << o.text;
}

TEST(Progress, AnInterruptEndsTheLine) {
    TempDir dir;
    TableBuilder b;
    b.Field("X", 'C', 8);
    for (int i = 0; i < 2000000; ++i) b.Record({std::to_string(i)});
    const std::string t = dir.Write("t.dbf", b.Bytes());
    bool interrupted = false;
    const TerminalOutput o = OnTerminal({"-o", dir.Path("t.xml"), t}, [&](pid_t child, const std::string& text) {
        if (!interrupted && text.find(" %  ") != std::string::npos) {
            ::kill(child, SIGINT);
            interrupted = true;
        }
    });
    ASSERT_TRUE(interrupted) << o.text;
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGINT);
    EXPECT_TRUE(o.text.ends_with("\r\n")) << o.text;
    EXPECT_EQ(std::count(o.text.begin(), o.text.end(), '\n'), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("t.xml")));
}

// A warning starts on its own line after the progress line, never glued to it.
TEST(Progress, AWarningStartsItsOwnLine) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Bytes());
    const TerminalOutput o = OnTerminal({t});
    const std::size_t warning = o.text.find("dbf2xml: " + t + ": warning: memo file");
    ASSERT_NE(warning, std::string::npos) << o.text;
    EXPECT_TRUE(warning == 0 || o.text.compare(warning - 2, 2, "\r\n") == 0) << o.text;
}

}  // namespace
}  // namespace korvane::cli
