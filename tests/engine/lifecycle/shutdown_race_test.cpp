// Shutdown while another thread waits for the engine API lock: the woken
// waiter must find a live lock, and the lock is gone once it has left.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "DuRud.h"
#include "core/api_lock.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "recording_calls.h"
#include "support/test_support.h"

namespace platform {
size_t KernelHandleCount();  // the kernel stand-in's live handles
}

using namespace DuRud;

namespace {

TEST(ApiLockShutdownThreads, PumpingThreadOutlivesFiftyShutdowns) {
    ResetLogForTest();
    lifecycletest::RecordingCalls calls;
    SetEngineSkipFlags(0, 0, 0, 0);
    ChangeWindowMode(TRUE);
    const size_t handlesBefore = platform::KernelHandleCount();
    for (int round = 0; round < 50; ++round) {
        ASSERT_EQ(0, InitializeEngineLocked());
        std::atomic<bool> stop{false};
        std::thread pumper([&] {
            while (!stop.load()) PumpWindowMessagesLocked();
        });
        LockEngineApi();  // the pumper queues behind this hold
        testsupport::WaitUntil([] { return EngineApiLockWaiterCount() >= 1; },
                               testsupport::kWaitLimit, "the pumper waiting for the lock",
                               testsupport::PollStep::kYield);
        UnlockEngineApi();
        ASSERT_EQ(0, ShutdownEngineLocked());
        stop.store(true);
        pumper.join();
        calls.Take();
    }
    DestroyEngineApiLock();  // the pumper's last calls made it again
    EXPECT_EQ(0, IsEngineApiLockCreated());
    EXPECT_EQ(handlesBefore, platform::KernelHandleCount());
    SetEngineSkipFlags(0, 0, 0, 0);
    ResetLogForTest();
}

}  // namespace
