// Engine start-up and shutdown: the order of every module's start and end,
// the skip flags, the full-screen mode check, the 24-bit refusal, failed
// start-ups and what they leave behind, and FatalExit.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DuRud.h"
#include "core/api_lock.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "core/text_literals.h"
#include "core/tracked_memory.h"
#include "recording_calls.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"

namespace platform {
size_t KernelHandleCount();  // the kernel stand-in's live handles
}

using namespace DuRud;
using lifecycletest::FullShutdown;
using lifecycletest::RecordingCalls;
using lifecycletest::WindowModeStartUp;
using lifecycletest::Without;
using Trace = std::vector<std::string>;

namespace {

int Occurrences(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

Trace Concat(Trace a, const Trace& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class EngineLifecycleTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetLogForTest();
        SetEngineSkipFlags(0, 0, 0, 0);
        ChangeWindowMode(TRUE);
    }
    void TearDown() override {
        if (GetEngineFlags().initialised) {
            RecordingCalls quiet;
            ShutdownEngineLocked();
        }
        DestroyEngineApiLock();
        SetEngineSkipFlags(0, 0, 0, 0);
        ChangeWindowMode(TRUE);
        ResetLogForTest();
    }
    // The start-up up to and including `last`.
    static Trace StartUpThrough(const std::string& last) {
        Trace all = WindowModeStartUp();
        Trace prefix;
        for (const auto& s : all) {
            prefix.push_back(s);
            if (s == last) break;
        }
        return prefix;
    }
};

TEST_F(EngineLifecycleTest, WindowModeStartUpAndShutdownOrder) {
    RecordingCalls calls;
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(WindowModeStartUp(), calls.Take());
    EXPECT_EQ(1, GetEngineFlags().initialised);
    EXPECT_EQ(0, GetEngineFlags().initialising);
    EXPECT_EQ(0, InitializeEngineLocked()) << "second start-up";
    EXPECT_TRUE(calls.Take().empty());
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(FullShutdown(), calls.Take());
    EXPECT_EQ(0, GetEngineFlags().initialised);
    EXPECT_EQ(0, IsEngineApiLockCreated()) << "shutdown destroys the API lock";
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_TRUE(calls.Take().empty());
    // Started again after the end: the lock is made again.
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(WindowModeStartUp(), calls.Take());
}

struct SkipCase {
    const char* name;
    int noWindow, noGraphics, noSound, noInput;
    Trace startUpGone;
    Trace shutdownGone;
};

void PrintTo(const SkipCase& c, std::ostream* os) {
    *os << c.name;
}

class SkipFlagTest : public EngineLifecycleTest, public testing::WithParamInterface<SkipCase> {};

TEST_P(SkipFlagTest, RemovesExactlyItsSteps) {
    const SkipCase& c = GetParam();
    SetEngineSkipFlags(c.noWindow, c.noGraphics, c.noSound, c.noInput);
    RecordingCalls calls;
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(Without(WindowModeStartUp(), c.startUpGone), calls.Take());
    ASSERT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(Without(FullShutdown(), c.shutdownGone), calls.Take());
}

using lifecycletest::Steps;
INSTANTIATE_TEST_SUITE_P(
    Flags, SkipFlagTest,
    testing::Values(
        SkipCase{"NoInput", 0, 0, 0, 1, Steps("InitializeInput"), {}},
        SkipCase{"NoSound", 0, 0, 1, 0, Steps("InitSoundConvert InitSoundSystem"), {}},
        SkipCase{"NoGraphics",
                 0,
                 1,
                 0,
                 0,
                 Steps("InitializeBaseImage InitializeSoftImages InitMovieModule StartGraphics "
                       "StartModels"),
                 {}},
        SkipCase{"NoWindow", 1, 0, 0, 0, {}, Steps("PumpWindowMessages")}),
    [](const testing::TestParamInfo<SkipCase>& info) { return std::string(info.param.name); });

// --- full screen -------------------------------------------------------------

Trace FullScreenStartUp(const Trace& modeCheck) {
    Trace t;
    for (const auto& s : WindowModeStartUp()) {
        t.push_back(s);
        if (s == "LogStart") t.insert(t.end(), modeCheck.begin(), modeCheck.end());
        if (s == "InitCharBuffer") t.push_back("ForceForegroundWindow(1)");
    }
    return t;
}

TEST_F(EngineLifecycleTest, FullScreenModeCheck) {
    Trace windowed = WindowModeStartUp();
    windowed.insert(windowed.begin() + 7,
                    {"SetScreenMode(640,480,32,60)", "ChangeWindowMode(TRUE)"});
    struct Row {
        const char* name;
        std::vector<DisplayModeInfo> modes;
        int drawWidth, refreshRate;
        Trace expected;
        int windowMode;
    } rows[] = {
        {"listed mode needs no change",
         {{800, 600, 32, 60}, {640, 480, 16, 60}},
         640,
         60,
         FullScreenStartUp({}),
         0},
        {"16 bits fall back to 32 once",
         {{640, 480, 32, 60}},
         640,
         75,
         FullScreenStartUp({"SetScreenMode(640,480,32,75)"}),
         0},
        {"neither mode: windowed", {{800, 600, 32, 60}}, 640, 60, windowed, 1},
    };
    for (const Row& r : rows) {
        ChangeWindowMode(FALSE);
        RecordingCalls calls;
        calls.displayModes = r.modes;
        calls.drawWidth = r.drawWidth;
        calls.refreshRate = r.refreshRate;
        ASSERT_EQ(0, InitializeEngineLocked()) << r.name;
        EXPECT_EQ(r.expected, calls.Take()) << r.name;
        EXPECT_EQ(r.windowMode, GetWindowModeFlag()) << r.name;
        ShutdownEngineLocked();
    }
}

TEST_F(EngineLifecycleTest, ModeChangeThatStoresNothingIsTriedOnce) {
    ChangeWindowMode(FALSE);
    RecordingCalls calls;
    calls.setScreenModeStores = false;
    calls.displayModes = {{640, 480, 32, 60}};
    ASSERT_EQ(0, InitializeEngineLocked());
    const Trace trace = calls.Take();
    EXPECT_EQ(1, std::count(trace.begin(), trace.end(), "SetScreenMode(640,480,32,60)"));
    EXPECT_EQ(1, std::count(trace.begin(), trace.end(), "ChangeWindowMode(TRUE)"));
}

TEST_F(EngineLifecycleTest, FullScreen320x240RunsAsEmulated640x480) {
    ChangeWindowMode(FALSE);
    RecordingCalls calls;
    calls.drawWidth = 320;
    calls.drawHeight = 240;
    calls.colorBits = 32;
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(FullScreenStartUp({"SetAutoEmulate320x240(1)", "StoreScreenSize(640,480)"}),
              calls.Take());
}

// --- 24-bit refusal ----------------------------------------------------------

const Trace kEarlyTeardown = {"ChangeStreamDir", "EndArchives", "MemDumpAll", "UnloadWinApis"};

void ExpectRefusalLine() {
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_EQ(1, Occurrences(log, Cp932Text("ROderazは２４ビットカラーモードに対応していません")))
        << log;
}

TEST_F(EngineLifecycleTest, TwentyFourBitsAreRefusedOnlyWhereTheyWouldBeDrawn) {
    struct Row {
        const char* name;
        int desktopBits;
        BOOL windowed;
        int colorBits;
        int result;
    } rows[] = {
        {"24-bit desktop in window mode", 24, TRUE, 16, -1},
        {"24-bit request in full screen", 0, FALSE, 24, -1},
        {"24-bit desktop under a full screen", 24, FALSE, 16, 0},
    };
    for (const Row& r : rows) {
        KnobDesktopBits(r.desktopBits);
        ChangeWindowMode(r.windowed);
        ResetLogForTest();
        RecordingCalls calls;
        calls.colorBits = r.colorBits;
        calls.displayModes = {{640, 480, r.colorBits, 60}};
        EXPECT_EQ(r.result, InitializeEngineLocked()) << r.name;
        if (r.result == 0) {
            ShutdownEngineLocked();
            continue;
        }
        EXPECT_EQ(Concat(StartUpThrough("LogStart"), kEarlyTeardown), calls.Take()) << r.name;
        EXPECT_EQ(0, GetEngineFlags().initialising + GetEngineFlags().initialised) << r.name;
        ExpectRefusalLine();
    }
    KnobDesktopBits(0);
}

// --- failed start-ups --------------------------------------------------------

struct FailureCase {
    const char* step;
    Trace teardown;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.step;
}

class FailedStartUpTest : public EngineLifecycleTest,
                          public testing::WithParamInterface<FailureCase> {};

TEST_P(FailedStartUpTest, EndsWhatRanAndAllowsAnotherStart) {
    const FailureCase& c = GetParam();
    RecordingCalls calls;
    calls.Script(c.step, -1);
    EXPECT_EQ(-1, InitializeEngineLocked());
    EXPECT_EQ(Concat(StartUpThrough(c.step), c.teardown), calls.Take());
    EXPECT_EQ(0, GetEngineFlags().initialising);
    EXPECT_EQ(0, GetEngineFlags().initialised);
    calls.ClearScripts();
    calls.Script("PumpWindowMessages", -1);
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(WindowModeStartUp(), calls.Take());
    ASSERT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(FullShutdown(), calls.Take());
}

const Trace kWindowTeardown = Steps(
    "TerminateWindow TerminateCom PumpWindowMessages ChangeStreamDir EndArchives MemDumpAll "
    "UnloadWinApis");

INSTANTIATE_TEST_SUITE_P(
    Steps, FailedStartUpTest,
    testing::Values(FailureCase{"CreateMainWindow", kWindowTeardown},
                    FailureCase{"InitializeInput", Concat({"ShutdownInput"}, kWindowTeardown)},
                    FailureCase{"StartGraphics",
                                Concat(Steps("EndGraphics TerminateBaseImage TerminateSoftImages "
                                             "TerminateMovieModule ShutdownInput "
                                             "TerminateSoundSystem TerminateSoundConvert"),
                                       kWindowTeardown)}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.step); });

using EngineLifecycleThreads = EngineLifecycleTest;

TEST_F(EngineLifecycleThreads, RealTableStartsAndEndsLeavingNothing) {
    const int blocks = MemGetCount();
    const int threads = testsupport::QuietThreadCount();
    const int winsock = KnobModuleLoadCount("ws2_32.dll");
    const int winmm = KnobModuleLoadCount("winmm.dll");
    ASSERT_EQ(0, InitializeEngineLocked());
    EXPECT_EQ(0, GetEngineFlags().initialising);
    EXPECT_EQ(-4, QueryDrawTarget()) << "graphics started and the front screen selected";
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(blocks, MemGetCount());
    EXPECT_EQ(threads, testsupport::SettledThreadCount(threads));
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
    EXPECT_EQ(winsock, KnobModuleLoadCount("ws2_32.dll"));
    EXPECT_EQ(winmm, KnobModuleLoadCount("winmm.dll"));
    EXPECT_EQ(nullptr, FindWindowA("Z123987O", nullptr));
}

TEST_F(EngineLifecycleThreads, LockedPumpForwardsThePumpResult) {
    RecordingCalls calls;
    calls.Script("PumpWindowMessages", 0);
    EXPECT_EQ(0, PumpWindowMessagesLocked());
    calls.Script("PumpWindowMessages", -1);
    EXPECT_EQ(-1, PumpWindowMessagesLocked());
    EXPECT_EQ((Trace{"PumpWindowMessages", "PumpWindowMessages"}), calls.Take());
    // The lock was released each time: another thread gets it.
    std::thread([] {
        LockEngineApi();
        UnlockEngineApi();
    }).join();
}

TEST_F(EngineLifecycleTest, ShutdownBeforeStartUpCreatesNothing) {
    const size_t handles = platform::KernelHandleCount();
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(0, IsEngineApiLockCreated());
    EXPECT_EQ(handles, platform::KernelHandleCount());
}

// --- FatalExit -----------------------------------------------------------------

class FatalExitDeathTest : public EngineLifecycleTest {
  protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EngineLifecycleTest::SetUp();
    }
};

// In the child: the log also goes to stderr, where the death test reads it.
void StartLoggingEngine(RecordingCalls& calls) {
    KnobDebugOutputToStderr(true);
    calls.logNames = true;
    if (InitializeEngineLocked() != 0) std::abort();
}

TEST_F(FatalExitDeathTest, FromAWorkerExitsAtOnce) {
    EXPECT_EXIT(
        {
            RecordingCalls calls;
            StartLoggingEngine(calls);
            std::thread([] { FatalExit("worker gave up"); }).join();
        },
        testing::ExitedWithCode(255), "step StartModels\r?\n[^\n]*worker gave up\r?\n$");
}

TEST_F(FatalExitDeathTest, OnTheMainThreadShutsDownFirst) {
    EXPECT_EXIT(
        {
            RecordingCalls calls;
            StartLoggingEngine(calls);
            FatalExitFormat("main gave up %d", 42);
        },
        testing::ExitedWithCode(255),
        "main gave up 42\r?\n.*step DeleteAllSoftImages.*step TerminateCom.*step UnloadWinApis");
}

TEST_F(FatalExitDeathTest, RaisedInsideShutdownExitsOnce) {
    EXPECT_EXIT(
        {
            RecordingCalls calls;
            StartLoggingEngine(calls);
            calls.onRecord = [](const std::string& name) {
                if (name == "EndGraphics") FatalExit("end failed");
            };
            ShutdownEngineLocked();
        },
        testing::ExitedWithCode(255), "step EndGraphics\r?\n[^\n]*end failed\r?\n$");
}

TEST_F(FatalExitDeathTest, DuringStartUpEndsTheStartedSteps) {
    EXPECT_EXIT(
        {
            RecordingCalls calls;
            KnobDebugOutputToStderr(true);
            calls.logNames = true;
            calls.onRecord = [](const std::string& name) {
                if (name == "InitializeInput") FatalExit("no input");
            };
            InitializeEngineLocked();
        },
        testing::ExitedWithCode(255),
        "no input\r?\n.*step ShutdownInput.*step TerminateWindow.*step UnloadWinApis");
}

void QueueNothing(AsyncRequest*) {}

TEST_F(FatalExitDeathTest, LoaderQueueOverflowShutsDownThenExits) {
    EXPECT_EXIT(
        {
            RecordingCalls calls;
            StartLoggingEngine(calls);
            AsyncLoadInit(GetCurrentThreadId());
            for (int i = 0; i <= kAsyncQueueSize; ++i) {
                AsyncRequest* request = AsyncRequestAlloc(0);
                request->worker = QueueNothing;
                AsyncRequestEnqueue(request);
            }
        },
        testing::ExitedWithCode(255),
        "step StartModels.*非同期読み込みデータの数が許容量を越えました終了します.*"
        "step DeleteAllSoftImages.*step UnloadWinApis");
}

}  // namespace
