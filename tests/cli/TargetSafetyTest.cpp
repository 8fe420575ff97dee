// Every kind of target is untouched until its document is finished, whatever ends the run:
// a failure, a signal, a kill; documents reach the disk before they replace a target, which
// keeps its links, folder, owner and bits; signals held back during a replacement.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/Cli.h"
#include "conversion/TargetFile.h"
#include "platform/SignalCleanup.h"
#include "tests/support/LockHolder.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;
using test::TableBuilder;
using test::TempDir;

constexpr unsigned kNobody = 65534;

std::string LargeTable(int records) {
    TableBuilder b;
    b.Field("X", 'C', 40).Field("N", 'N', 10, 2);
    for (int i = 0; i < records; ++i) b.Record({"row " + std::to_string(i), std::to_string(i % 1000) + ".25"});
    return b.Bytes();
}

// A table whose 17th record refers to a memo that the system refuses to read: its memo file
// is the program's own memory, at an address nothing is mapped at.
std::string FailingAt17(const TempDir& dir) {
    TableBuilder b(0x83);
    b.Field("A", 'C', 4).Field("M", 'M', 10);
    for (int i = 1; i <= 20; ++i) b.Record({std::to_string(i), i == 17 ? "1" : ""});
    const std::string path = dir.Write("fails.dbf", b.Bytes());
    fs::create_symlink("/proc/self/mem", dir.Path("fails.dbt"));
    return path;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Launch {
    bool asNobody = false;  // as root, run as an ordinary user, so that folder permissions hold
    std::string tmpdir;
    std::vector<int> ignored;              // signals the program starts with ignored
    rlim_t fileSizeLimit = RLIM_INFINITY;  // ulimit -f
    std::string errFile;                   // where standard error goes (else nowhere)
};

// The program as an ordinary user can start it: the checkout may lie in a folder that only its
// owner enters (root's home), so the user gets a copy in a folder everyone may enter.
const std::string& ProgramForEveryone() {
    static const TempDir folder;
    static const std::string path = [] {
        const std::string copy = folder.Path("dbf2xml");
        fs::permissions(folder.Path(""), fs::perms(0755));
        fs::copy_file(KORVANE_DBF2XML, copy);
        fs::permissions(copy, fs::perms(0755));
        return copy;
    }();
    return path;
}

pid_t Start(const std::vector<std::string>& args, const Launch& how = {}) {
    const std::string program = how.asNobody ? ProgramForEveryone() : KORVANE_DBF2XML;
    const pid_t child = ::fork();
    if (child == 0) {
        if (how.asNobody && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
        if (!how.tmpdir.empty()) ::setenv("TMPDIR", how.tmpdir.c_str(), 1);
        for (int s : how.ignored) ::signal(s, SIG_IGN);
        const rlimit noCore{0, 0}, size{how.fileSizeLimit, how.fileSizeLimit};
        ::setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT would dump one
        ::setrlimit(RLIMIT_FSIZE, &size);
        const int null =
            how.errFile.empty() ? ::open("/dev/null", O_WRONLY) : ::open(how.errFile.c_str(), O_WRONLY | O_CREAT, 0600);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return child;
}

int Wait(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

int Exit(const std::vector<std::string>& args, const Launch& how = {}) {
    const int status = Wait(Start(args, how));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Waits until the program has a document open for writing beside `near` or in `tmpdir`.
bool WaitUntilWriting(pid_t pid, const std::vector<std::string>& folders) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
            const std::string target = fs::read_symlink(fd.path(), error).string();
            for (const std::string& folder : folders)
                if (target.starts_with(folder) && !target.ends_with(".dbf")) return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// Interrupts a conversion of `table` into `target` while it writes; the exit status.
int Interrupted(const std::string& table, const std::string& target, int signal, const Launch& how,
                const std::vector<std::string>& folders) {
    const pid_t child = Start({"-q", "-o", target, table}, how);
    const bool writing = WaitUntilWriting(child, folders);
    ::kill(child, SIGSTOP);
    ::kill(child, signal);
    ::kill(child, SIGCONT);
    const int status = Wait(child);
    EXPECT_TRUE(writing);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

bool UnnamedFilesIn(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_WRONLY | O_TMPFILE, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

// A target with a second name, and one in a folder that takes no new file: a failed run, an
// interrupted one and a finished one, each seen under every name and with nothing left over.
TEST(Targets, TargetsWrittenInPlaceBeforeAreUntouchedUntilTheDocumentIsFinished) {
    for (const bool readOnlyFolder : {false, true}) {
        SCOPED_TRACE(readOnlyFolder ? "read-only folder" : "second link");
        TempDir dir;
        fs::permissions(dir.Path(""), fs::perms(0755));
        const std::string fails = FailingAt17(dir);
        const std::string big = dir.Write("big.dbf", LargeTable(300000));
        const std::string small = dir.Write("small.dbf", TableBuilder().Field("X", 'C', 4).Record({"new"}).Bytes());
        fs::create_directory(dir.Path("tmp"));
        fs::permissions(dir.Path("tmp"), fs::perms(0777));
        fs::create_directory(dir.Path("out"));
        const std::string target = dir.Write("out/t.xml", "the earlier document");
        fs::permissions(target, fs::perms(0666));
        std::vector<std::string> names = {target};
        if (readOnlyFolder) {
            fs::permissions(dir.Path("out"), fs::perms(0555));
        } else {
            fs::create_hard_link(target, dir.Path("out/second.xml"));
            fs::permissions(dir.Path("out"), fs::perms(0777));
            names.push_back(dir.Path("out/second.xml"));
        }
        const std::vector<std::string> before = Entries(dir.Path("out"));
        Launch how;
        how.asNobody = true;
        how.tmpdir = dir.Path("tmp");
        auto unchanged = [&](const char* what) {
            for (const std::string& name : names) EXPECT_EQ(test::ReadFile(name), "the earlier document") << what;
            EXPECT_EQ(Entries(dir.Path("out")), before) << what;
            EXPECT_EQ(Entries(dir.Path("tmp")), std::vector<std::string>{}) << what;
        };
        EXPECT_EQ(Exit({"-q", "-o", target, fails}, how), 1);
        unchanged("failed at record 17");
        EXPECT_EQ(Interrupted(big, target, SIGTERM, how, {dir.Path("out/"), dir.Path("tmp/")}), 128 + SIGTERM);
        unchanged("terminated");
        ASSERT_EQ(Exit({"-q", "-o", target, small}, how), 0);
        for (const std::string& name : names) EXPECT_NE(test::ReadFile(name).find("<row X=\"new\" />"), std::string::npos);
        EXPECT_EQ(Entries(dir.Path("out")), before);
        EXPECT_EQ(Entries(dir.Path("tmp")), std::vector<std::string>{});
        fs::permissions(dir.Path("out"), fs::perms(0755));
    }
}

// Each signal that ends a run leaves the old target and no temporary file; a signal the
// program was started with ignored stays ignored.
TEST(Targets, SignalsDuringTheRun) {
    TempDir dir;
    const std::string big = dir.Write("big.dbf", LargeTable(300000));
    const std::string target = dir.Write("big.xml", "the earlier document");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2}) {
        SCOPED_TRACE(signal);
        EXPECT_EQ(Interrupted(big, target, signal, {}, {dir.Path("")}), 128 + signal);
        EXPECT_EQ(test::ReadFile(target), "the earlier document");
        EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"big.dbf", "big.xml"}));
        // A target with a second name is written from a named temporary file: removed too.
        fs::create_hard_link(target, dir.Path("second.xml"));
        EXPECT_EQ(Interrupted(big, target, signal, {}, {dir.Path("")}), 128 + signal);
        EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"big.dbf", "big.xml", "second.xml"}));
        fs::remove(dir.Path("second.xml"));
    }
    // A file size limit (ulimit -f) is a failed write: told, the target kept.
    Launch limited;
    limited.fileSizeLimit = 100000;
    limited.errFile = dir.Path("../" + fs::path(dir.Path("")).parent_path().filename().string() + ".err");
    EXPECT_EQ(Exit({"-q", "-o", target, big}, limited), 1);
    EXPECT_EQ(test::ReadFile(target), "the earlier document");
    EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"big.dbf", "big.xml"}));
    EXPECT_NE(test::ReadFile(limited.errFile).find("File too large"), std::string::npos) << test::ReadFile(limited.errFile);
    fs::remove(limited.errFile);
    // As nohup and `trap '' INT` start it: it converts to the end.
    Launch ignoring;
    ignoring.ignored = {SIGHUP, SIGINT};
    const pid_t child = Start({"-q", "-o", target, big}, ignoring);
    ASSERT_TRUE(WaitUntilWriting(child, {dir.Path("")}));
    ::kill(child, SIGHUP);
    ::kill(child, SIGINT);
    const int status = Wait(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(test::ReadFile(target).ends_with("</table>\r\n"));
}

// Killed outright (SIGKILL, the out-of-memory killer), the run leaves nothing where the file
// system has files without names.
TEST(Targets, AKilledRunLeavesNothingBehind) {
    TempDir dir;
    if (!UnnamedFilesIn(dir.Path(""))) GTEST_SKIP() << "no unnamed files on this file system";
    const std::string big = dir.Write("big.dbf", LargeTable(300000));
    EXPECT_EQ(Interrupted(big, dir.Path("big.xml"), SIGKILL, {}, {dir.Path("")}), 128 + SIGKILL);
    EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"big.dbf"}));
}

// A copy over a target is one run's at a time: a second run that meets it is refused at once,
// and the target gets the first run's whole document. A run killed outright during its copy
// leaves its named temporary file, which the next run beside it removes.
TEST(Targets, OneRunAtATimeCopiesOverATarget) {
    TempDir dir;
    const std::string big = dir.Write("big.dbf", LargeTable(300000));
    const std::string small = dir.Write("small.dbf", TableBuilder().Field("X", 'C', 4).Record({"new"}).Bytes());
    const std::string target = dir.Write("t.xml", "the earlier document");
    fs::create_hard_link(target, dir.Path("t2.xml"));
    Launch told;
    told.errFile = dir.Path("../first.err");
    const pid_t first = Start({"-q", "-o", target, big}, told);
    // Its document is begun once the target is held.
    ASSERT_TRUE(WaitUntilWriting(first, {dir.Path(".t.xml.")}));
    ::kill(first, SIGSTOP);
    const test::CliResult second = test::RunDbf2xml({"-q", "--typed", "-o", target, small});
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "dbf2xml: " + target + ": the target is being written by another run; not converted\n");
    EXPECT_EQ(test::ReadFile(target), "the earlier document");
    ::kill(first, SIGCONT);
    const int status = Wait(first);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << test::ReadFile(dir.Path("../first.err"));
    fs::remove(dir.Path("../first.err"));
    const std::string document = test::ReadFile(target);
    EXPECT_TRUE(document.ends_with("</table>\r\n"));
    EXPECT_NE(document.find("<row X=\"row 299999\""), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.Path("t2.xml")), document);

    EXPECT_EQ(Interrupted(big, target, SIGKILL, {}, {dir.Path(".t.xml.")}), 128 + SIGKILL);
    EXPECT_EQ(Entries(dir.Path("")).size(), 5u);  // the killed run's temporary file is left
    EXPECT_EQ(test::RunDbf2xml({"-q", "-o", target, small}).status, 0);
    EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"big.dbf", "small.dbf", "t.xml", "t2.xml"}));
}

// A copy over a target first reserves the document's room: where it is not there, the target
// stays as it was and the message says so.
TEST(Targets, NoRoomForTheCopyLeavesTheTargetAsItWas) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root mounts a small file system";
    TempDir dir;
    const std::string table = dir.Write("t.dbf", LargeTable(20000));  // a document of about 900 KB
    fs::create_directory(dir.Path("small"));
    if (::mount("tmpfs", dir.Path("small").c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "no tmpfs to mount here";
    const std::string target = dir.Write("small/t.xml", "the earlier document");
    fs::create_hard_link(target, dir.Path("small/t2.xml"));
    const test::CliResult r = test::RunDbf2xml({"-q", "-o", target, table});
    const std::vector<std::string> left = Entries(dir.Path("small"));
    const std::string kept = test::ReadFile(target);
    ::umount(dir.Path("small").c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dbf2xml: " + target + ": Disk full; the target is unchanged\n");
    EXPECT_TRUE(kept == "the earlier document") << kept.size() << " bytes";
    EXPECT_EQ(left, (std::vector<std::string>{"t.xml", "t2.xml"}));
}

// The pids of a process's children.
std::vector<pid_t> Children(pid_t pid) {
    std::ifstream list("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    std::vector<pid_t> children;
    for (pid_t child; list >> child;) children.push_back(child);
    return children;
}

// Tables converted at the same time are converted by one process; killed outright, it leaves
// no document behind (each is a file without a name until it is finished).
TEST(Targets, TablesAtTheSameTimeAreOneProcess) {
    TempDir dir;
    const std::string a = dir.Write("a.dbf", LargeTable(300000));
    const std::string b = dir.Write("b.dbf", LargeTable(300000));
    fs::create_directory(dir.Path("out"));
    const pid_t run = Start({"-q", "-j", "4", "--output-dir", dir.Path("out"), a, b});
    ASSERT_TRUE(WaitUntilWriting(run, {dir.Path("out/")}));
    EXPECT_TRUE(Children(run).empty());
    ::kill(run, SIGKILL);
    Wait(run);
    EXPECT_TRUE(Entries(dir.Path("out")).empty());
}

// Which way each kind of target takes, with the document on the disk before it replaces one.
TEST(Targets, StepsOfEachReplacement) {
    using S = TargetStep;
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 4).Record({"one"}).Bytes());
    std::vector<S> steps;
    struct Case {
        std::string name;
        bool noUnnamed;
        std::function<std::string()> target;
        std::vector<S> steps;
    };
    const S first = UnnamedFilesIn(dir.Path("")) ? S::TemporaryUnnamed : S::TemporaryNamed;
    const std::vector<Case> cases = {
        {"new",
         false,
         [&] { return dir.Path("new.xml"); },
         {first, S::DocumentSynced, S::Replacing, S::Renamed, S::FolderSynced}},
        {"new, no unnamed files",
         true,
         [&] { return dir.Path("named.xml"); },
         {S::TemporaryNamed, S::DocumentSynced, S::Replacing, S::Renamed, S::FolderSynced}},
        {"existing",
         false,
         [&] { return dir.Write("old.xml", "old"); },
         {first, S::DocumentSynced, S::Replacing, S::Renamed, S::FolderSynced}},
        {"second link",
         false,
         [&] {
             dir.Write("one.xml", "old");
             fs::create_hard_link(dir.Path("one.xml"), dir.Path("two.xml"));
             return dir.Path("one.xml");
         },
         {S::TemporaryNamed, S::DocumentSynced, S::Replacing, S::CopiedOver}},
        {"device", false, [] { return std::string("/dev/null"); }, {}},
    };
    for (const Case& c : cases) {
        steps.clear();
        Environment seen;
        seen.targetSeam = {[&](S step) { steps.push_back(step); }, c.noUnnamed};
        const std::string target = c.target();
        std::ostringstream out, err;
        EXPECT_EQ(RunCli({"-q", "-o", target, table}, out, err, false, seen), 0) << c.name << err.str();
        EXPECT_EQ(steps, c.steps) << c.name;
        if (target != "/dev/null") {
            EXPECT_NE(test::ReadFile(target).find("<row X=\"one\" />"), std::string::npos) << c.name;
        }
    }
    EXPECT_EQ(test::ReadFile(dir.Path("two.xml")), test::ReadFile(dir.Path("one.xml")));
    EXPECT_EQ(Entries(dir.Path("")),
              (std::vector<std::string>{"named.xml", "new.xml", "old.xml", "one.xml", "t.dbf", "two.xml"}));
}

// A copy over a target that fails half-way says so and names the complete document, which is
// kept.
TEST(Targets, AFailedCopyOverNamesTheCompleteDocument) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", LargeTable(2000));
    const std::string target = dir.Write("one.xml", "old");
    fs::create_hard_link(target, dir.Path("two.xml"));
    Environment fullDisk;
    fullDisk.targetSeam = {{}, false, 1000};
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"-q", "-o", target, table}, out, err, false, fullDisk), 1);
    std::vector<std::string> entries = Entries(dir.Path(""));
    ASSERT_EQ(entries.size(), 4u);
    const std::string kept = dir.Path(entries[0]);  // the hidden temporary file sorts first
    EXPECT_EQ(err.str(), "dbf2xml: " + target + ": Disk full; the target is incomplete, the complete document is " + kept + "\n");
    const std::string complete = test::ReadFile(kept);
    EXPECT_TRUE(complete.ends_with("</table>\r\n"));
    EXPECT_GT(complete.size(), 1000u);
    EXPECT_TRUE(test::ReadFile(target) == complete.substr(0, 1000));  // cut where the copy failed
    EXPECT_TRUE(test::ReadFile(dir.Path("two.xml")) == test::ReadFile(target));
}

// A replaced target keeps its owner and group where the process may set them, and its bits.
TEST(Targets, OwnerGroupAndBitsAreKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root gives a file to another user";
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 4).Record({"one"}).Bytes());
    const std::string target = dir.Write("t.xml", "old");
    ASSERT_EQ(::chown(target.c_str(), 4321, 8765), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    EXPECT_EQ(Exit({"-q", table}), 0);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A signal that arrives while a finished document replaces its target is taken right after:
// that table counts as converted and no other starts. The program ends by the signal only when
// a table was left unconverted.
TEST(Targets, ASignalDuringTheReplacementFinishesThatTable) {
    for (const bool second : {true, false}) {
        TempDir dir;
        const std::string a = dir.Write("a.dbf", TableBuilder().Field("X", 'C', 4).Record({"a"}).Bytes());
        const std::string b = dir.Write("b.dbf", TableBuilder().Field("X", 'C', 4).Record({"b"}).Bytes());
        const pid_t child = ::fork();
        if (child == 0) {
            platform::InstallSignalCleanup();
            Environment interrupted;
            // Sent to the process, as a kill is, and taken by its signal thread before the
            // replacement goes on.
            interrupted.targetSeam.observer = [](TargetStep step) {
                if (step != TargetStep::Replacing) return;
                ::kill(::getpid(), SIGTERM);
                while (platform::EndingSignal() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            };
            std::ostringstream out, err;
            std::vector<std::string> args = {"-q", a};
            if (second) args.push_back(b);
            const int status = RunCli(args, out, err, false, interrupted);
            EndBySignalHeldBack(status);
            ::_exit(status);
        }
        const int status = Wait(child);
        if (second) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        EXPECT_TRUE(test::ReadFile(dir.Path("a.xml")).ends_with("</table>\r\n"));
        EXPECT_FALSE(fs::exists(dir.Path("b.xml")));
        EXPECT_EQ(Entries(dir.Path("")), (std::vector<std::string>{"a.dbf", "a.xml", "b.dbf"}));
    }
}

// Another program that holds the table with a shared lock lets it be read, not locked.
TEST(Targets, ASharedLockOfAnotherProgram) {
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder().Field("X", 'C', 4).Record({"one"}).Bytes());
    const test::LockHolder holder(table, LOCK_SH);
    ASSERT_TRUE(holder.Holds());
    EXPECT_EQ(Exit({"-q", table}), 0);
    EXPECT_EQ(Exit({"-q", "--fix-header", table}), 0);
    EXPECT_EQ(Exit({"-q", "--exclusive", table}), 1);
}

// A memo of 256 MiB is streamed into the document: the program's peak memory stays far below
// the memo's size in every mode and in the typed document (it once held the memo several
// times over, 2 GiB for this one).
TEST(Memory, AMemoOf256MiBIsConvertedInBoundedMemory) {
    if (test::kSanitizerMemory) GTEST_SKIP() << "the sanitizers' own memory would be measured";
    TempDir dir;
    const std::string table = dir.Write("t.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Bytes());
    // The same memo as a blob's bytes (a dBase B field).
    const std::string blob = dir.Write("b.dbf", TableBuilder(0x83).Field("OBR", 'B', 10).Record({"1"}).Bytes());
    fs::create_symlink(dir.Path("t.dbt"), dir.Path("b.dbt"));
    {
        std::ofstream memo(dir.Path("t.dbt"), std::ios::binary);
        memo << std::string(512, '\0');
        std::string block;
        while (block.size() < (1u << 20)) block += "\xA6lu\x9Cou\x9Fk\xEC k\x85\xE5 <&> \r\n";
        block.resize(1u << 20);
        for (int i = 0; i < 256; ++i) memo << block;
        memo << "\x1A\x1A";
    }
    using Case = std::pair<std::string, std::vector<std::string>>;
    for (const auto& [path, options] :
         {Case{table, {}}, Case{table, {"--fix-header"}}, Case{table, {"--exclusive"}}, Case{table, {"--typed"}}, Case{blob, {}},
          Case{blob, {"--code-page", "1250"}}, Case{blob, {"--typed"}}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-q", "-o", dir.Path("t.xml"), path});
        const pid_t child = Start(args);
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_LT(usage.ru_maxrss, 16 * 1024) << path << " " << (options.empty() ? "default" : options[0]);  // kilobytes
        EXPECT_GT(fs::file_size(dir.Path("t.xml")), 256u << 20);
    }
}

}  // namespace
}  // namespace korvane::cli
