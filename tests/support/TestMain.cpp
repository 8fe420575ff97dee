// Test entry: fixed platform settings, so no test depends on the machine's locale.
#include <gtest/gtest.h>

#include "dbf/DbfGlobals.h"
#include "platform/Settings.h"
#include "tests/support/TestSupport.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    korvane::platform::SetSettings(korvane::test::DefaultTestSettings());
    korvane::dbf::ResetDbfGlobals();
    return RUN_ALL_TESTS();
}
