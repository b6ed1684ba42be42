// A second copy of the program: this test binary, re-executed as a child
// process that runs the engine and keeps its window, makes start-up refuse to
// run, or go on when double start is allowed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <windows.h>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/text_literals.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window_fakes.h"

using namespace DuRud;
using windowtest::StartWindowedEngine;

namespace {

// Set in the child: it reports "ready" on its output and runs until its input ends.
constexpr const char* kHolderVariable = "WINDOW_TEST_HOLDER";
constexpr const char* kHolderTest = "DoubleStartChildProcess.RunsTheEngineUntilReleased";

using Holder = testsupport::Child;

// Starts the child and waits until its engine holds the window; pid -1 when
// it could not start or ended first.
Holder StartHolder(const std::string& windowNamespace) {
    setenv(kHolderVariable, "1", 1);
    setenv("VESSAMIRE_WINDOW_NAMESPACE", windowNamespace.c_str(), 1);
    Holder holder = testsupport::SpawnWithPipes(
        {testsupport::OwnProgram(), std::string("--gtest_filter=") + kHolderTest});
    unsetenv(kHolderVariable);
    unsetenv("VESSAMIRE_WINDOW_NAMESPACE");
    if (holder.pid > 0 && !testsupport::WaitForLine(holder, "ready")) testsupport::EndChild(holder);
    return holder;
}

std::string NamespaceForThisTest() {
    return "double-start-" + std::to_string(getpid());
}

}  // namespace

// The child's part; ctest never runs it on its own.
TEST(DoubleStartChildProcess, RunsTheEngineUntilReleased) {
    if (!std::getenv(kHolderVariable))
        GTEST_SKIP() << "runs only as the double-start tests' child process";
    KnobWindowNamespace(std::getenv("VESSAMIRE_WINDOW_NAMESPACE"));
    ASSERT_EQ(0, StartWindowedEngine());
    ASSERT_EQ(6, write(1, "ready\n", 6));
    char c;
    while (read(0, &c, 1) > 0) {
    }
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(DoubleStartTest, RunningCopyMakesStartUpRefuse) {
    const std::string ns = NamespaceForThisTest();
    KnobWindowNamespace(ns.c_str());
    Holder holder = StartHolder(ns);
    ASSERT_GT(holder.pid, 0) << "the child engine did not start";
    ASSERT_NE(nullptr, FindWindowA("Z123987O", nullptr));

    EXPECT_EQ(-1, StartWindowedEngine());
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_NE(std::string::npos, log.find(Cp932Text("二重起動されています、ソフトを終了します")));
    EXPECT_EQ(std::string::npos, log.find(Cp932Text("ウインドウクラスを登録します")));
    EXPECT_EQ(1, GetWindowQuitFlag());
    EXPECT_EQ(1, GetEndRequestFlag());
    EXPECT_EQ(nullptr, GetMainWindowHandle());
    EXPECT_EQ(0, testsupport::EndChild(holder));

    // With the other copy gone the program starts.
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_NE(std::string::npos,
              testsupport::ReadFile("Log.txt").find(Cp932Text("二重起動はされていませんでした")));
    EXPECT_EQ(0, ShutdownEngineLocked());
}

TEST(DoubleStartTest, AllowedDoubleStartGoesOn) {
    const std::string ns = NamespaceForThisTest();
    KnobWindowNamespace(ns.c_str());
    Holder holder = StartHolder(ns);
    ASSERT_GT(holder.pid, 0) << "the child engine did not start";
    SetDoubleStartAllowed(1);
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_NE(std::string::npos,
              testsupport::ReadFile("Log.txt").find(Cp932Text("二重起動されていますが続行します")));
    HWND own = static_cast<HWND>(GetMainWindowHandle());
    EXPECT_TRUE(IsWindowVisible(own));
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_FALSE(IsWindow(own));
    EXPECT_EQ(0, testsupport::EndChild(holder));
}
