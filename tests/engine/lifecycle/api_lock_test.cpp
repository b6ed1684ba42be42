// The engine API lock: first come first served, recursion, exclusion.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/api_lock.h"
#include "windows.h"
#include "support/test_support.h"

using namespace DuRud;

namespace {

class ApiLockTest : public testing::Test {
  protected:
    void TearDown() override { DestroyEngineApiLock(); }
    static void WaitForWaiters(int n) {
        testsupport::WaitUntil([n] { return EngineApiLockWaiterCount() >= n; },
                               testsupport::kWaitLimit, "threads waiting for the API lock");
    }
};

using ApiLockThreads = ApiLockTest;

TEST_F(ApiLockThreads, WaitersAcquireInArrivalOrder) {
    std::mutex orderLock;
    std::vector<std::string> order;
    auto contender = [&](const char* name) {
        return std::thread([&, name] {
            LockEngineApi();
            {
                std::lock_guard<std::mutex> guard(orderLock);
                order.push_back(name);
            }
            UnlockEngineApi();
        });
    };
    LockEngineApi();  // A
    std::thread b = contender("B");
    WaitForWaiters(1);
    std::thread c = contender("C");
    WaitForWaiters(2);
    std::thread d = contender("D");
    WaitForWaiters(3);
    std::thread e = contender("E");  // arrives as A lets go
    UnlockEngineApi();
    b.join();
    c.join();
    d.join();
    e.join();
    EXPECT_EQ((std::vector<std::string>{"B", "C", "D", "E"}), order);
    EXPECT_EQ(0, EngineApiLockWaiterCount());
}

TEST_F(ApiLockThreads, HolderLocksAgainAndMustUnlockAsOften) {
    LockEngineApi();
    LockEngineApi();
    LockEngineApi();
    std::atomic<int> acquired{0};
    std::thread other([&] {
        LockEngineApi();
        acquired = 1;
        UnlockEngineApi();
    });
    WaitForWaiters(1);
    UnlockEngineApi();
    UnlockEngineApi();
    EXPECT_EQ(0, acquired.load()) << "still held at depth 1";
    EXPECT_EQ(1, EngineApiLockWaiterCount());
    UnlockEngineApi();
    other.join();
    EXPECT_EQ(1, acquired.load());
}

TEST_F(ApiLockThreads, SixteenThreadsCountExactly) {
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                LockEngineApi();
                counter = counter + 1;
                UnlockEngineApi();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(160000, counter);
}

TEST_F(ApiLockTest, DestroyedLockIsMadeAgainOnNextUse) {
    EXPECT_EQ(-1, UnlockEngineApi()) << "never created";
    LockEngineApi();
    UnlockEngineApi();
    EXPECT_EQ(1, IsEngineApiLockCreated());
    EXPECT_EQ(0, DestroyEngineApiLock());
    EXPECT_EQ(0, IsEngineApiLockCreated());
    LockEngineApi();
    EXPECT_EQ(1, IsEngineApiLockCreated());
    UnlockEngineApi();
}

TEST_F(ApiLockTest, DestroyingALockNeverMadeLeavesTheNextOneStanding) {
    ASSERT_EQ(0, IsEngineApiLockCreated());
    EXPECT_EQ(0, DestroyEngineApiLock());
    LockEngineApi();
    UnlockEngineApi();
    EXPECT_EQ(1, IsEngineApiLockCreated());
}

}  // namespace
