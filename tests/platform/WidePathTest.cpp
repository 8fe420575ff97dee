// The door to the Windows API: UTF-16, and the long form where a path needs it.
#include <gtest/gtest.h>

#include "platform/windows/WidePath.h"

namespace korvane::platform {
namespace {

TEST(WidePath, LongPathsTakeTheLongFormShortOnesStayAsTheyAre) {
    EXPECT_EQ(WidePath("C:\\data\\žluťoučký.dbf"), L"C:\\data\\\u017Elu\u0165ou\u010Dk\u00FD.dbf");
    const std::string folder = "C:\\data\\" + std::string(300, 'a');
    EXPECT_EQ(WidePath(folder + "/./t.dbf"), L"\\\\?\\" + Wide(folder) + L"\\t.dbf");
    EXPECT_EQ(WidePath("\\\\server\\share\\" + std::string(300, 'b')), L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'b'));
    EXPECT_EQ(WidePath("\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
    EXPECT_EQ(AbsoluteWidePath("C:\\x\\..\\y"), L"C:\\y");
    EXPECT_EQ(Narrow(Wide("Příliš žluťoučký kůň")), "Příliš žluťoučký kůň");
}

TEST(WidePath, SystemErrorsAsErrno) {
    EXPECT_EQ(ErrnoFromSystemError(ERROR_FILE_NOT_FOUND), ENOENT);
    EXPECT_EQ(ErrnoFromSystemError(ERROR_SHARING_VIOLATION), EWOULDBLOCK);
    EXPECT_EQ(ErrnoFromSystemError(ERROR_LOCK_VIOLATION), EWOULDBLOCK);
    EXPECT_EQ(ErrnoFromSystemError(ERROR_DISK_FULL), ENOSPC);
    EXPECT_EQ(ErrnoFromSystemError(ERROR_FILENAME_EXCED_RANGE), ENAMETOOLONG);
}

}  // namespace
}  // namespace korvane::platform
