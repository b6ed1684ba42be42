// main() of every test program: death tests in the thread-safe style (the
// platform runs threads), and per-test isolation.
#include <gtest/gtest.h>

namespace testsupport {
void InstallIsolation();
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::InstallIsolation();
    return RUN_ALL_TESTS();
}
