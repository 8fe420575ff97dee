// Paths, error codes, text conversion and the regional format patterns.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/Unicode.h"
#include "tests/support/TestSupport.h"

namespace korvane::platform {
namespace {

TEST(Paths, ChangeFileExtReplacesOrAppends) {
    struct Case {
        std::string path, expected;
    };
    for (const Case& c : {Case{"/data/ADRESY.DBF", "/data/ADRESY.xml"}, Case{"/data.old/ADRESY", "/data.old/ADRESY.xml"},
                          Case{"t", "t.xml"}, Case{"/a/b.c.dbf", "/a/b.c.xml"}, Case{"/a/.dbf", "/a/.xml"}})
        EXPECT_EQ(ChangeFileExt(c.path, ".xml"), c.expected) << c.path;
}

TEST(Paths, SplittingAndCompleting) {
    if (test::kOnWindows) {
        for (const char* full : {"C:\\x", "c:/x", "\\\\server\\share", "\\x", "/x"}) EXPECT_TRUE(IsFullFilePath(full)) << full;
        for (const char* relative : {"C:x", "x\\y", "", "C"}) EXPECT_FALSE(IsFullFilePath(relative)) << relative;
        EXPECT_EQ(ExtractFilePath("C:\\data/t.dbf"), "C:\\data/");
        EXPECT_EQ(ExtractFileName("C:\\data\\t.dbf"), "t.dbf");
        EXPECT_EQ(GetCompletePath("C:\\base", "sub\\"), "C:\\base\\sub\\");
        EXPECT_EQ(GetCompletePath("C:\\base\\", "D:\\abs"), "D:\\abs\\");
        EXPECT_EQ(LexicallyNormal("C:/a/./b/../c"), "C:\\a\\c");
        EXPECT_EQ(DbfBasePath().back(), '\\');
        return;
    }
    EXPECT_TRUE(IsFullFilePath("/x"));
    EXPECT_FALSE(IsFullFilePath("x/y"));
    EXPECT_FALSE(IsFullFilePath(""));
    EXPECT_EQ(ExtractFilePath("/data/t.dbf"), "/data/");
    EXPECT_EQ(ExtractFileName("/data/t.dbf"), "t.dbf");
    EXPECT_EQ(ExtractFilePath("t.dbf"), "");
    EXPECT_EQ(GetCompletePath("/base", "sub/"), "/base/sub/");
    EXPECT_EQ(GetCompletePath("/base/", "/abs"), "/abs/");
    // Nothing is folded as text: through a link ".." is the link target's parent.
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/./b/../c");
    EXPECT_EQ(DbfBasePath().back(), '/');
}

TEST(Paths, CompanionFilesIgnoreLetterCase) {
    test::TempDir dir;
    dir.Write("CARS.DBT", "x");
    dir.Write("Cars.dbt", "y");
    EXPECT_EQ(FindCompanionFile(dir.Path("cars.dbt")), dir.Path("CARS.DBT"));
    dir.Write("cars.dbt", "z");
    // Where names ignore letter case, the three are one file, which keeps its first name.
    EXPECT_EQ(FindCompanionFile(dir.Path("cars.dbt")), dir.Path(test::kOnWindows ? "CARS.DBT" : "cars.dbt"));
    EXPECT_EQ(FindCompanionFile(dir.Path("none.fpt")), dir.Path("none.fpt"));
}

// Windows' regional patterns as the renderer's: every part, quoted text, and the era left out.
TEST(Settings, WindowsPatternsBecomeStrftimePatterns) {
    struct Case {
        const char* windows;
        const char* strftime;
    };
    for (const Case& c :
         {Case{"d. M. yyyy", "%-d. %-m. %Y"}, Case{"dd.MM.yy", "%d.%m.%Y"}, Case{"MM/dd/yyyy", "%m/%d/%Y"},
          Case{"H:mm:ss", "%-H:%M:%S"}, Case{"hh:mm:ss tt", "%I:%M:%S %p"}, Case{"h:m:s t", "%-I:%-M:%-S %p"},
          Case{"dddd d MMMM yyyy", "%A %-d %B %Y"}, Case{"ddd MMM", "%a %b"}, Case{"yyyy'年'M'月'd'日'", "%Y年%-m月%-d日"},
          Case{"'o''clock' H", "o'clock %-H"}, Case{"g yyyy", "%Y"}, Case{"100%", "100%%"}})
        EXPECT_EQ(PatternFromWindows(c.windows), c.strftime) << c.windows;
}

TEST(OsErrors, ErrnoMapsToWindowsCodes) {
    test::TempDir dir;
    EXPECT_EQ(CodeFromErrno(ENOENT, dir.Path("missing")), 2);
    EXPECT_EQ(CodeFromErrno(ENOENT, dir.Path("nodir/missing")), 3);
    for (int e : {EACCES, EPERM, EROFS, EISDIR}) EXPECT_EQ(CodeFromErrno(e), 5);
    EXPECT_EQ(CodeFromErrno(EMFILE), 4);
    EXPECT_EQ(CodeFromErrno(ENOSPC), 101);
    EXPECT_EQ(CodeFromErrno(ENAMETOOLONG), 3);
    EXPECT_EQ(CodeFromErrno(EIO), EIO);
    EXPECT_EQ(SystemErrorText(ENXIO), "No such device or address");
}

TEST(Unicode, ConversionsReplaceWhatIsBroken) {
    EXPECT_EQ(Utf16ToUtf8(u"\u0160a\U0001F600"),
              "\xC5\xA0"
              "a\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC5\xA0\xFF"), u"\u0160\uFFFD");
}

TEST(RegionalSettings, TwoDigitYearsAreWidened) {
    EXPECT_EQ(WidenYear("%m/%d/%y"), "%m/%d/%Y");
    EXPECT_EQ(WidenYear("%d.%m.%-y"), "%d.%m.%-Y");
    EXPECT_EQ(WidenYear("%%y %Ey"), "%%y %EY");
    EXPECT_EQ(WidenYear("%H:%M:%S"), "%H:%M:%S");
}

}  // namespace
}  // namespace korvane::platform
