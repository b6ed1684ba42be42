// The pump dispatches SDL-made messages with its budget, ends for good on
// close or WM_QUIT, applies activation after dispatch, parks while minimised
// and throttles partial repaints on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "window_fakes.h"

using namespace DuRud;
using windowtest::RecordingWindowCalls;
using windowtest::StartWindowedEngine;

namespace {

using Trace = std::vector<std::string>;

HWND MainWindow() {
    return static_cast<HWND>(GetMainWindowHandle());
}

TEST(MessagePumpTest, ScriptedCloseOrQuitEndsThePumpForGood) {
    ASSERT_EQ(0, StartWindowedEngine());
    ASSERT_TRUE(KnobWindowEvent(MainWindow(), KnobWindowEventKind::Close));
    int result = 0;
    for (int turn = 0; turn < 20 && result == 0; ++turn) result = PumpWindowMessages();
    EXPECT_EQ(-1, result);
    EXPECT_EQ(-1, PumpWindowMessages());
    EXPECT_EQ(1, GetWindowDestroyedFlag());
    EXPECT_EQ(1, GetEndRequestFlag());
    const std::string log = testsupport::ReadFile("Log.txt");
    const size_t a = log.find(Cp932Text("ウインドウを閉じようとしています"));
    const size_t b = log.find(Cp932Text("ウインドウが破棄されようとしています"));
    const size_t c = log.find(Cp932Text("ソフトを終了する準備が整いました"));
    ASSERT_NE(std::string::npos, a);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_NE(std::string::npos, c);
    EXPECT_EQ(0, ShutdownEngineLocked());
    EXPECT_EQ(0, AsyncLiveWorkerThreads());

    // WM_QUIT ends it for good as well.
    ASSERT_EQ(0, StartWindowedEngine());
    PostQuitMessage(0);
    result = 0;
    for (int turn = 0; turn < 5 && result == 0; ++turn) result = PumpWindowMessages();
    EXPECT_EQ(-1, result);
    EXPECT_EQ(-1, PumpWindowMessages());
    EXPECT_EQ(1, GetEndRequestFlag());
    ShutdownEngineLocked();
    EXPECT_EQ(nullptr, FindWindowA("Z123987O", nullptr));
    // Nothing of it is left to stop the next start in this process.
    EXPECT_EQ(0, StartWindowedEngine());
    EXPECT_EQ(0, PumpWindowMessages());
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, TenMessagesTakeTwoPumps) {
    ASSERT_EQ(0, StartWindowedEngine());
    MSG pending{};
    for (int i = 0; i < 20 && PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE); ++i) {
        PumpWindowMessages();  // whatever start-up left queued
    }
    int vertical = 0, horizontal = 0;
    GetMouseWheel(&vertical, &horizontal);
    const int before = vertical;
    for (int i = 0; i < 10; ++i) PostMessageA(MainWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(0, PumpWindowMessages());
    GetMouseWheel(&vertical, &horizontal);
    EXPECT_EQ(before + 5 * 120, vertical);
    EXPECT_EQ(0, PumpWindowMessages());
    GetMouseWheel(&vertical, &horizontal);
    EXPECT_EQ(before + 10 * 120, vertical);
    PostMessageA(MainWindow(), WM_MOUSEHWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
    PumpWindowMessages();
    GetMouseWheel(&vertical, &horizontal);
    EXPECT_EQ(-240, horizontal);
    ShutdownEngineLocked();
}

Trace PumpFocusLostAndRegained(RecordingWindowCalls& calls) {
    calls.Take();
    EXPECT_TRUE(KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusLost));
    EXPECT_TRUE(KnobWindowEvent(MainWindow(), KnobWindowEventKind::FocusGained));
    EXPECT_EQ(0, PumpWindowMessages());
    return calls.Take();
}

TEST(MessagePumpTest, FocusLostAndRegainedInOnePumpPausesThenResumes) {
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    const Trace trace = PumpFocusLostAndRegained(calls);
    EXPECT_EQ((Trace{"PauseAllMovies", "PauseAllSounds(1)", "PauseSoftSoundPlayers(1)",
                     "ReacquireInputDevices", "ResumeAllMovies", "PauseAllSounds(0)",
                     "PauseSoftSoundPlayers(0)", "ReacquireInputDevices"}),
              trace);
    EXPECT_EQ(1, GetWindowActiveFlag());
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, AlwaysRunPausesNothing) {
    RecordingWindowCalls calls;
    SetAlwaysRunFlag(1);
    ASSERT_EQ(0, StartWindowedEngine());
    EXPECT_EQ((Trace{"ReacquireInputDevices", "ReacquireInputDevices"}),
              PumpFocusLostAndRegained(calls));
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, ActivationOutsideThePumpIsAppliedAtOnce) {
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    calls.Take();
    // The second message of a pair finds the state already applied.
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(MainWindow(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(0, GetWindowActiveFlag());
    EXPECT_EQ((Trace{"PauseAllMovies", "PauseAllSounds(1)", "PauseSoftSoundPlayers(1)",
                     "ReacquireInputDevices"}),
              calls.Take());
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(1, GetWindowActiveFlag());
    ShutdownEngineLocked();
}

TEST(MessagePumpThreads, PumpOffTheMainThreadMakesOnePass) {
    ASSERT_EQ(0, StartWindowedEngine());
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_EQ(1, IsWaitWhileInactiveNeeded());
    // Inactive, the main thread would park; another thread returns at once.
    int result = -2;
    std::thread([&] { result = PumpWindowMessages(); }).join();
    EXPECT_EQ(0, result);
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(0, IsWaitWhileInactiveNeeded());
    ShutdownEngineLocked();
}

// A worker's call to the main thread while the window is minimised; once it
// has run, another thread restores the window.
HANDLE g_served = nullptr;
HANDLE g_workerDone = nullptr;
HWND g_window = nullptr;
std::atomic<DWORD> g_servedOn{0};
std::atomic<int32_t> g_postResult{0};

int32_t MarkServed(MainThreadRequest*) {
    g_servedOn = GetCurrentThreadId();
    SetEvent(g_served);
    return 42;
}

void PostFromWorker(AsyncRequest*) {
    MainThreadRequest call{};
    call.function = MarkServed;
    g_postResult = PostToMainThread(&call);
    SetEvent(g_workerDone);
}

DWORD WINAPI RestoreOnceServed(LPVOID) {
    WaitForSingleObject(g_served, INFINITE);
    KnobWindowEvent(g_window, KnobWindowEventKind::Restore);
    return 0;
}

TEST(MessagePumpThreads, MinimisedPumpParksUntilRestoredAndServesWorkers) {
    KnobSetVirtualClock(true);
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    g_window = MainWindow();
    for (int i = 0; i < 20; ++i) PumpWindowMessages();
    // The minimise itself: its deactivation is applied after dispatch.
    ASSERT_TRUE(KnobWindowEvent(g_window, KnobWindowEventKind::Minimise));
    EXPECT_EQ(0, PumpWindowMessages());
    ASSERT_EQ(1, GetWindowMinimisedFlag());
    ASSERT_EQ(0, GetWindowActiveFlag());

    g_served = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_workerDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    AsyncRequest* request = AsyncRequestAlloc(0);
    ASSERT_NE(nullptr, request);
    request->worker = PostFromWorker;
    ASSERT_EQ(0, AsyncRequestEnqueue(request));
    HANDLE restorer = CreateThread(nullptr, 0, RestoreOnceServed, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, restorer);

    calls.networkPasses = 0;
    const DWORD before = timeGetTime();
    EXPECT_EQ(0, PumpWindowMessages());
    const DWORD elapsed = timeGetTime() - before;
    EXPECT_EQ(0, GetWindowMinimisedFlag()) << "returned before the restore";
    EXPECT_EQ(1, GetWindowActiveFlag());
    EXPECT_EQ(GetCurrentThreadId(), g_servedOn.load());
    // No time-out here: on a loaded machine the virtual clock may pass any
    // deadline before the worker is scheduled again (ctest bounds the test).
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_workerDone, INFINITE));
    EXPECT_EQ(42, g_postResult.load());
    // Each parked pass sleeps 1 + 24 ms; the last call is the per-frame one.
    const int parkedPasses = calls.networkPasses - 1;
    EXPECT_GE(parkedPasses, 1);
    EXPECT_GE(elapsed, 25u * static_cast<DWORD>(parkedPasses));

    WaitForSingleObject(restorer, INFINITE);
    CloseHandle(restorer);
    CloseHandle(g_served);
    CloseHandle(g_workerDone);
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, WhileEndingAnInactivePumpStopsAfterTenPasses) {
    KnobSetVirtualClock(true);
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_EQ(1, IsWaitWhileInactiveNeeded());
    SetWindowEndingFlag(1);
    calls.networkPasses = 0;
    EXPECT_EQ(0, PumpWindowMessages());
    EXPECT_EQ(10 + 1, calls.networkPasses) << "ten parked passes and the per-frame one";
    SetWindowEndingFlag(0);
    SendMessageA(MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, PartialPaintsAreThrottledOnTheVirtualClock) {
    KnobSetVirtualClock(true);
    RecordingWindowCalls calls;
    calls.drawTarget = -2;
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = MainWindow();
    for (int i = 0; i < 20; ++i) PumpWindowMessages();
    calls.repaints = 0;
    const RECT part = {0, 0, 10, 10};
    auto paintPart = [&] {
        InvalidateRect(window, &part, FALSE);
        UpdateWindow(window);
    };
    paintPart();  // 0 ms: marks a repaint pending
    Sleep(30);
    paintPart();  // 30 ms: too soon
    EXPECT_EQ(0, calls.repaints);
    Sleep(40);
    paintPart();  // 70 ms: re-presents once
    EXPECT_EQ(1, calls.repaints);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(2, calls.repaints) << "a whole-client paint re-presents at once";
    ShutdownEngineLocked();
}

TEST(MessagePumpTest, DroppedFilesClickLogAndClipboard) {
    ASSERT_EQ(0, StartWindowedEngine());
    HWND window = MainWindow();
    std::vector<std::string> names;
    for (int i = 0; i < 1001; ++i) names.push_back("/tmp/f" + std::to_string(i) + ".txt");
    std::vector<const char*> pointers;
    for (auto& n : names) pointers.push_back(n.c_str());
    RefreshDragAcceptFiles();
    ASSERT_TRUE(KnobWindowDrop(window, pointers.data(), static_cast<int>(pointers.size())));
    for (int turn = 0; turn < 400 && GetDroppedFileCount() == 0; ++turn) PumpWindowMessages();
    EXPECT_EQ(1000, GetDroppedFileCount());
    EXPECT_NE(nullptr, GetDroppedFileName(999));
    EXPECT_EQ(nullptr, GetDroppedFileName(1000));
    FreeDroppedFiles();
    EXPECT_EQ(0, GetDroppedFileCount());

    for (int i = 0; i < 40; ++i) SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_EQ(32, GetMouseClickCount());
    int button = 0;
    EXPECT_EQ(0, GetMouseClick(31, &button, nullptr, nullptr));
    EXPECT_EQ(1, button);
    EXPECT_EQ(-1, GetMouseClick(32, &button, nullptr, nullptr));

    // Code page 932 text round-trips; a short buffer never splits a character.
    const char* text = "\x82\xA0\x82\xA2\x82\xA4";  // three double-byte characters
    ASSERT_EQ(0, SetClipboardText(text));
    EXPECT_EQ(7, GetClipboardText(nullptr, 0));
    char full[16] = {};
    EXPECT_EQ(0, GetClipboardText(full, sizeof(full)));
    EXPECT_STREQ(text, full);
    char shortBuffer[4];
    std::memset(shortBuffer, 'x', sizeof(shortBuffer));
    EXPECT_EQ(0, GetClipboardText(shortBuffer, sizeof(shortBuffer)));
    EXPECT_STREQ("\x82\xA0", shortBuffer);
    ShutdownEngineLocked();
}

// The wait ends on its target to the microsecond (the counter read that
// starts it may just tip into the next one): pumped, asleep or spun alike,
// so frames on the virtual clock fall on the same instants every run.
TEST(WaitHelpersTest, WaitMillisecondsAdvancesTheVirtualClockExactly) {
    KnobSetVirtualClock(true);
    ASSERT_EQ(0, StartWindowedEngine());
    for (uint32_t ms : {1u, 2u, 4u, 5u, 16u, 33u}) {
        const int64_t before = GetMicrosecondCounter();
        EXPECT_EQ(0, WaitMilliseconds(ms));
        const int64_t waited = GetMicrosecondCounter() - before;
        EXPECT_GE(waited, int64_t{ms} * 1000) << ms << " ms";
        EXPECT_LE(waited, int64_t{ms} * 1000 + 1) << ms << " ms";
    }
    ShutdownEngineLocked();
}

TEST(WaitHelpersTest, WaitMillisecondsWithoutAClockReturnsAtOnce) {
    KnobSetVirtualClock(true);
    // No performance counter, and the timer library is missing.
    KnobHideModule("winmm.dll", true);
    LoadWinApis();
    MutableSystemState().highResolutionTimer = 0;
    ASSERT_EQ(-1, GetMicrosecondCounter());
    const DWORD before = timeGetTime();
    EXPECT_EQ(0, WaitMilliseconds(1000));
    EXPECT_LT(timeGetTime() - before, 5u);
    UnloadWinApis();
}

TEST(WaitHelpersTest, WaitForAnyInputWaitsForAReleaseThenAPress) {
    RecordingWindowCalls calls;
    ASSERT_EQ(0, StartWindowedEngine());
    calls.anyInputBits = {1, 1, 0, 0, 0, 4};
    EXPECT_EQ(4, WaitForAnyInput());
    calls.anyInputBits = {0};
    PostQuitMessage(0);
    EXPECT_EQ(0, WaitForAnyInput()) << "the end of the program stops the wait";
    ShutdownEngineLocked();
}

}  // namespace
