// Test entry. No test reads the machine's locale: each gives the settings it needs to what it
// converts (the defaults are Windows-1250, 852, Czech and C-locale formats).
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
