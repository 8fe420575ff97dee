// The text output file: bytes, buffering at its boundaries, line ends and pending I/O codes.
#include <gtest/gtest.h>

#include "conversion/TextFile.h"
#include "platform/Exception.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::TempDir;

// Expects the pending code and its raised message.
void ExpectRaised(int code, const std::string& message) {
    EXPECT_EQ(InOutRes(), code);
    try {
        IOTest();
        ADD_FAILURE() << "nothing raised";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, code);
        EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(InOutRes(), 0);
}

TEST(TextFile, WritesUtf8WithoutByteOrderMarkAndCrLf) {
    TempDir dir;
    TTextRec t;
    AssignText(t, dir.Path("a.xml"), 65001, test::DefaultTestSettings());
    RewritText(t);
    Write0UString(t, u"<?xml");
    WriteLn(t);
    Write0LString(t, {"\x8A", 1250});
    Close(t);
    IOTest();
    EXPECT_EQ(dir.Read("a.xml"), "<?xml\r\n\xC5\xA0");
}

TEST(TextFile, BufferGoesOutWhenFull) {
    struct Case {
        std::size_t bytes;
        std::size_t onDisk;
    };
    for (const Case& c : {Case{127, 0}, Case{128, 128}, Case{129, 128}, Case{256, 256}}) {
        TempDir dir;
        TTextRec t;
        AssignText(t, dir.Path("b"), 65001, test::DefaultTestSettings());
        RewritText(t);
        Write0UString(t, std::u16string(c.bytes, u'x'));
        _Flush(t);
        EXPECT_EQ(dir.Read("b").size(), c.onDisk) << c.bytes;
        EXPECT_EQ(t.BufPos, c.bytes - c.onDisk);
        Close(t);
        EXPECT_EQ(dir.Read("b"), std::string(c.bytes, 'x'));
    }
}

TEST(TextFile, CallersBufferWorksTheSameWay) {
    TempDir dir;
    TTextRec t;
    char buffer[1000];
    AssignText(t, dir.Path("c"), 65001, test::DefaultTestSettings());
    SetTextBuf(t, buffer, sizeof buffer);
    RewritText(t);
    Write0UString(t, std::u16string(999, u'y'));
    EXPECT_EQ(dir.Read("c").size(), 0u);
    Write0UString(t, u"yy");
    EXPECT_EQ(dir.Read("c").size(), 1000u);
    Close(t);
    EXPECT_EQ(dir.Read("c"), std::string(1001, 'y'));
}

TEST(TextFile, ReplacesALongerFile) {
    TempDir dir;
    dir.Write("d", std::string(500, 'z'));
    TTextRec t;
    AssignText(t, dir.Path("d"), 65001, test::DefaultTestSettings());
    RewritText(t);
    Write0UString(t, u"short");
    Close(t);
    EXPECT_EQ(dir.Read("d"), "short");
}

TEST(TextFile, PendingCodesAndTheirMessages) {
    TempDir dir;
    TTextRec t;
    AssignText(t, dir.Path("never"), 65001, test::DefaultTestSettings());
    Close(t);
    ExpectRaised(103, "I/O error 103");
    Write0UString(t, u"x");
    ExpectRaised(105, "I/O error 105");
    AssignText(t, dir.Path("missing/x.xml"), 65001, test::DefaultTestSettings());
    RewritText(t);
    ExpectRaised(3, "Invalid file name - " + dir.Path("missing/x.xml"));
    std::filesystem::create_directory(dir.Path("folder"));
    AssignText(t, dir.Path("folder"), 65001, test::DefaultTestSettings());
    RewritText(t);
    ExpectRaised(5, "File access denied");
    // Longer than the system takes a path.
    const std::string tooLong = dir.Path("") + std::string(platform::kMaxPath, 'n');
    AssignText(t, tooLong, 65001, test::DefaultTestSettings());
    ExpectRaised(3, "Invalid file name - " + tooLong);
}

TEST(TextFile, FullDiskIsReportedByTheStatementThatWroteTheBuffer) {
    KORVANE_LINUX_ONLY("/dev/full");
    TTextRec t;
    AssignText(t, "/dev/full", 65001, test::DefaultTestSettings());
    RewritText(t);
    IOTest();
    Write0UString(t, u"small");
    IOTest();  // a character device writes at each statement end
    _Flush(t);
    ExpectRaised(101, "Disk full");
    Close(t);
    IOTest();
}

TEST(TextFile, SingleCharactersAreCollectedInTheSystemCodePage) {
    platform::PlatformSettings utf8System = test::DefaultTestSettings();
    utf8System.ansiCodePage = 65001;
    TempDir dir;
    TTextRec t;
    AssignText(t, dir.Path("e"), 1250, utf8System);
    RewritText(t);
    // Š as two UTF-8 bytes of the system code page, written one by one into a Windows-1250 file.
    Write0Char(t, 0xC5);
    Write0Char(t, 0xA0);
    WriteLn(t);
    Close(t);
    IOTest();
    EXPECT_EQ(dir.Read("e"), "\x8A\r\n");
}

TEST(TextFile, MessagesForKnownCodes) {
    EXPECT_EQ(InOutErrorMessage(2), "The specified file was not found");
    EXPECT_EQ(InOutErrorMessage(4), "Too many open files");
    EXPECT_EQ(InOutErrorMessage(100), "Read beyond end of file");
    EXPECT_EQ(InOutErrorMessage(106), "Invalid numeric input");
    EXPECT_EQ(InOutErrorMessage(999), "I/O error 999");
}

}  // namespace
}  // namespace korvane
