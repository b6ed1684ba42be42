// main() of every test program: death tests in the thread-safe style (the
// platform runs threads), and per-test isolation.
#include <gtest/gtest.h>

#include <thread>

namespace testsupport {
void InstallIsolation();
}

int main(int argc, char** argv) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer starts a thread of its own at a program's first thread
    // start: have it now, so that tests counting threads count it throughout.
    std::thread([] {}).join();
#endif
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::InstallIsolation();
    return RUN_ALL_TESTS();
}
