// main() of every test program: death tests in the thread-safe style (the
// platform runs threads), a temporary folder of the program's own as its
// working folder (nothing it writes lands where it was started, in a checkout
// say), and per-test isolation. The sanitizer options, the fonts and
// the headless drivers are the program's own, so a test runs the same from
// ctest, by hand or as a child copy of itself.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace testsupport {
void InstallIsolation();
}

extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1";
}
extern "C" const char* __lsan_default_options() {
    return "suppressions=" VESSAMIRE_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
extern "C" const char* __tsan_default_options() {
    return "suppressions=" VESSAMIRE_SOURCE_DIR "/tests/tsan.supp:second_deadlock_stack=1";
}

// The X server ctest handed this test (scripts/test-display): "id:<display number>,slots:1".
static void UseHandedXServer() {
    const char* group = std::getenv("CTEST_RESOURCE_GROUP_0_X11");
    if (!group || std::strncmp(group, "id:", 3) != 0) return;
    std::string display = ":" + std::string(group + 3, std::strcspn(group + 3, ","));
    setenv("DISPLAY", display.c_str(), 1);
}

int main(int argc, char** argv) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer starts a thread of its own at a program's first thread
    // start: have it now, so that tests counting threads count it throughout.
    std::thread([] {}).join();
#endif
    UseHandedXServer();
    // Headless unless the caller chose a driver (the X11 runs do).
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("VESSAMIRE_SOURCE_DIR", VESSAMIRE_SOURCE_DIR, 0);
    // Fonts from the packages scripts/setup installs only: one more face on
    // the machine must not change what a font test sees. A caller may name
    // another configuration (the test that proves this does).
    setenv("FONTCONFIG_FILE", VESSAMIRE_TEST_FONTS, 0);
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string folder =
        std::filesystem::temp_directory_path().string() + "/vessamire-program-XXXXXX";
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0) {
        std::perror("test program: no temporary working folder");
        return 1;
    }
    testsupport::InstallIsolation();
    const int result = RUN_ALL_TESTS();
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return result;
}
