// What only Windows has: share modes and byte-range locks, file attributes, NTFS hard links,
// the UTF-16 command line, the console's control events.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"
#include "platform/windows/ConsoleEvents.h"
#include "platform/windows/WidePath.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::TableBuilder;
using test::TempDir;

std::string Table() {
    return TableBuilder().Field("X", 'C', 2).Record({"a"}).Record({"b"}).Bytes();
}

constexpr const char* kLocked = "The file is locked by another program.";

// Another program's ways of holding a table: opened without sharing, or locked as Korvane's
// --exclusive and read-only runs lock it (a lock through another handle is as foreign).
TEST(Windows, ATableAnotherProgramHoldsIsRefused) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", Table());
    {
        const HANDLE alone = ::CreateFileW(platform::Wide(t).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(alone, INVALID_HANDLE_VALUE);
        for (const char* mode : {"--read-only", "--exclusive", "--fix-header"}) {
            const test::CliResult r = test::RunDbf2xml({mode, "-q", t});
            EXPECT_EQ(r.status, 1) << mode;
            EXPECT_NE(r.err.find(kLocked), std::string::npos) << mode << ": " << r.err;
        }
        ::CloseHandle(alone);
    }
    {
        platform::File exclusive;
        platform::OsError error;
        ASSERT_TRUE(exclusive.Open(t, platform::FileAccess::ReadWriteExclusive, error));
        for (const char* mode : {"--read-only", "--exclusive"}) {
            const test::CliResult r = test::RunDbf2xml({mode, "-q", t});
            EXPECT_NE(r.err.find(kLocked), std::string::npos) << mode << ": " << r.err;
        }
    }
    {
        // A reader beside it is no obstacle to another reader, only to --exclusive.
        platform::File reader;
        platform::OsError error;
        ASSERT_TRUE(reader.Open(t, platform::FileAccess::ReadOnly, error));
        ASSERT_EQ(reader.LockShared(), 0);
        EXPECT_EQ(test::RunDbf2xml({"-q", t}).status, 0);
        EXPECT_NE(test::RunDbf2xml({"--exclusive", "-q", t}).err.find(kLocked), std::string::npos);
    }
    EXPECT_EQ(test::RunDbf2xml({"--exclusive", "-q", t}).status, 0);
    // A target another program holds (a document open in an editor) is refused and kept.
    const std::string before = dir.Read("t.xml");
    const HANDLE held =
        ::CreateFileW(platform::Wide(dir.Path("t.xml")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const test::CliResult r = test::RunDbf2xml({"-q", t});
    ::CloseHandle(held);
    EXPECT_EQ(r.err, "dbf2xml: " + dir.Path("t.xml") + ": Locked by another program\n");
    EXPECT_EQ(dir.Read("t.xml"), before);
}

// A read-only or hidden target is replaced and keeps its attributes; a target with another
// name (a hard link) is written over in place, so that both names show the new document.
TEST(Windows, TargetsKeepTheirAttributesAndTheirLinks) {
    TempDir dir;
    const std::string t = dir.Write("t.dbf", Table());
    for (const DWORD attributes :
         {DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}}) {
        const std::wstring target = platform::Wide(dir.Path("t.xml"));
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        dir.Write("t.xml", "old");
        ASSERT_TRUE(::SetFileAttributesW(target.c_str(), attributes));
        const test::CliResult r = test::RunDbf2xml({"-q", t});
        EXPECT_EQ(r.status, 0) << attributes << ": " << r.err;
        EXPECT_NE(dir.Read("t.xml").find("<row X=\"a\" />"), std::string::npos) << attributes;
        EXPECT_EQ(::GetFileAttributesW(target.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), attributes);
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    dir.Write("t.xml", "old");
    ASSERT_TRUE(
        ::CreateHardLinkW(platform::Wide(dir.Path("other.xml")).c_str(), platform::Wide(dir.Path("t.xml")).c_str(), nullptr));
    EXPECT_EQ(test::RunDbf2xml({"-q", t}).status, 0);
    EXPECT_EQ(dir.Read("other.xml"), dir.Read("t.xml"));
    EXPECT_NE(dir.Read("other.xml").find("<row X=\"b\" />"), std::string::npos);
    EXPECT_EQ(platform::StatPath(dir.Path("t.xml")).links, 2u);
    for (const auto& entry : std::filesystem::directory_iterator(test::FsPath(dir.Path(""))))
        EXPECT_FALSE(entry.path().extension() == ".tmp") << entry.path();
}

// Czech names reach the program whole through the UTF-16 command line, and its messages reach
// a pipe as UTF-8.
TEST(Windows, CzechNamesOnTheCommandLineAndInMessages) {
    TempDir dir;
    std::filesystem::create_directory(test::FsPath(dir.Path("Účetnictví")));
    const std::string t = dir.Write("Účetnictví\\žluťoučký kůň.dbf", Table());
    const test::ProgramResult r = test::RunProgram({t});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(test::FsPath(dir.Path("Účetnictví\\žluťoučký kůň.xml"))));
    EXPECT_NE(r.err.find("\\Účetnictví\\žluťoučký kůň.xml: 2 rows"), std::string::npos) << r.err;
    const test::ProgramResult out = test::RunProgram({"-q", "-o", "-", t});
    EXPECT_EQ(out.err, "");
    EXPECT_NE(out.out.find("<row X=\"a\" />\r\n"), std::string::npos) << out.out;  // the document's own line ends
    EXPECT_EQ(out.out.find("\r\r"), std::string::npos);
}

// Ctrl-C and Ctrl-Break end a run with 130, a closing console with 129, and the document
// being written is removed first; the system's call of the handler is made by the test.
TEST(Windows, ConsoleEventsRemoveTheUnfinishedDocument) {
    struct Case {
        DWORD event;
        int status;
    };
    for (const Case& c : {Case{CTRL_C_EVENT, 130}, Case{CTRL_BREAK_EVENT, 130}, Case{CTRL_CLOSE_EVENT, 129}}) {
        // One name for the test and the process that runs the death (it starts the test anew).
        const std::string unfinished = platform::IncludeTrailingPathDelimiter(platform::TemporaryFolder()) + "korvane-event-" +
                                       std::to_string(c.event) + ".tmp";
        test::WriteFile(unfinished, "half a document");
        EXPECT_EXIT(
            {
                platform::CleanupSlot slot;
                if (slot.BeginCreating()) slot.EndCreating(unfinished);
                platform::TakeConsoleEvent(c.event);
            },
            ::testing::ExitedWithCode(c.status), "")
            << c.event;
        EXPECT_FALSE(std::filesystem::exists(test::FsPath(unfinished))) << c.event;
    }
}

}  // namespace
}  // namespace korvane
