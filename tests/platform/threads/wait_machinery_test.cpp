// The layer-internal wait machinery other areas build on: waiting for
// objects or a condition of their own (a message wait), and plain
// condition waits on the layer's clock.
#include <atomic>

#include <gtest/gtest.h>

#include "../../../platform/win32/waitable.h"
#include "test_knobs.h"
#include "windows.h"

namespace {

struct Queue {
    bool hasInput = false;  // guarded by WaitLock()
};

TEST(WaitMachinery, AnExtraConditionEndsAWaitAnyAfterTheObjects) {
    HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Queue q;
    auto input = [&] { return q.hasInput; };
    EXPECT_EQ(platform::WaitForObjects(1, &e, false, 0, input), WAIT_TIMEOUT);
    {
        std::lock_guard<std::mutex> g(platform::WaitLock());
        q.hasInput = true;
    }
    EXPECT_EQ(platform::WaitForObjects(1, &e, false, 0, input), WAIT_OBJECT_0 + 1);
    SetEvent(e);
    EXPECT_EQ(platform::WaitForObjects(1, &e, false, 0, input), WAIT_OBJECT_0);  // objects first
    // No objects at all: a pure message wait.
    EXPECT_EQ(platform::WaitForObjects(0, nullptr, false, 0, input), WAIT_OBJECT_0);
    // Wait-all needs the objects and the condition together.
    ResetEvent(e);
    EXPECT_EQ(platform::WaitForObjects(1, &e, true, 0, input), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(platform::WaitForObjects(1, &e, true, 0, input), WAIT_OBJECT_0);
    CloseHandle(e);
}

struct Poster {
    Queue* queue;
};

TEST(WaitMachineryThreads, AnotherThreadsPostWakesAnInfiniteMessageWait) {
    Queue q;
    Poster p{&q};
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID a) -> DWORD {
            auto* po = static_cast<Poster*>(a);
            std::lock_guard<std::mutex> g(platform::WaitLock());
            po->queue->hasInput = true;
            platform::WaitWakeAll(true);
            return 0;
        },
        &p, 0, nullptr);
    EXPECT_EQ(platform::WaitForObjects(0, nullptr, false, INFINITE, [&] { return q.hasInput; }),
              WAIT_OBJECT_0);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}

TEST(WaitMachinery, ConditionWaitsTimeOutOnTheVirtualClock) {
    KnobSetVirtualClock(true);
    DWORD t0 = timeGetTime();
    EXPECT_FALSE(platform::WaitForCondition([] { return false; }, 250));
    EXPECT_EQ(timeGetTime() - t0, 250u);
    EXPECT_TRUE(platform::WaitForCondition([] { return true; }, 250));
    EXPECT_EQ(timeGetTime() - t0, 250u);
}

}  // namespace
