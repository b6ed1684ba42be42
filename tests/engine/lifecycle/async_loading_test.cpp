// Asynchronous loader: parameter packing, request order, the number of
// workers running at once, main-thread calls and their time budget, stopping,
// and the fatal overflows.
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/system_services.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;

namespace {

class AsyncLoadingTest : public testing::Test {
  protected:
    // The loader's clocks read the run-time loaded timer entry points.
    void SetUp() override {
        LoadWinApis();
        ASSERT_EQ(0, AsyncLoadInit(GetCurrentThreadId()));
    }
    void TearDown() override {
        AsyncLoadTerm();
        UnloadWinApis();
    }

    // Serves the main thread until no request is left.
    static void DrainQueue() {
        testsupport::ServeUntil([] { return AsyncRequestCount() == 0; }, "every request served");
    }
};

// --- packing -----------------------------------------------------------------

TEST(AsyncParamTest, PackingRoundTrips) {
    const char block[5] = {1, 2, 0, 4, 5};
    int marker = 0;
    auto pack = [&](uint8_t* buffer, int* offset) {
        EXPECT_EQ(0, AsyncParamPutString(buffer, offset, nullptr));
        EXPECT_EQ(0, AsyncParamPutString(buffer, offset, ""));
        EXPECT_EQ(0, AsyncParamPutBlock(buffer, offset, block, sizeof(block)));
        EXPECT_EQ(0, AsyncParamPutInt(buffer, offset, -123456));
        EXPECT_EQ(0, AsyncParamPutPointer(buffer, offset, &marker));
        EXPECT_EQ(0, AsyncParamPutString(buffer, offset, "abc"));
    };
    int size = 0;
    pack(nullptr, &size);
    EXPECT_EQ(2 + 3 + 7 + 4 + static_cast<int>(sizeof(void*)) + 6, size);
    std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0xEE);
    int filled = 0;
    pack(buffer.data(), &filled);
    EXPECT_EQ(size, filled);
    EXPECT_EQ(0xEE, buffer[static_cast<size_t>(size)]) << "wrote past the sized bytes";
    EXPECT_EQ(2, buffer[0]) << "a null string is the length 2 alone";
    EXPECT_EQ(0, buffer[1]);

    int at = 0;
    EXPECT_EQ(nullptr, AsyncParamGetString(buffer.data(), &at));
    const char* empty = AsyncParamGetString(buffer.data(), &at);
    ASSERT_NE(nullptr, empty);
    EXPECT_STREQ("", empty);
    int blockSize = -1;
    const void* got = AsyncParamGetBlock(buffer.data(), &at, &blockSize);
    EXPECT_EQ(5, blockSize);
    EXPECT_EQ(0, std::memcmp(block, got, sizeof(block)));
    EXPECT_EQ(-123456, AsyncParamGetInt(buffer.data(), &at));
    EXPECT_EQ(&marker, AsyncParamGetPointer(buffer.data(), &at));
    EXPECT_STREQ("abc", AsyncParamGetString(buffer.data(), &at));
    EXPECT_EQ(size, at);
}

TEST(AsyncParamTest, OversizedBlocksAndStringsAreRefusedNotWrapped) {
    std::vector<char> big(70000, 'x');
    int offset = 10;
    EXPECT_EQ(0, AsyncParamPutBlock(nullptr, &offset, big.data(), 65533));
    EXPECT_EQ(10 + 65535, offset);
    offset = 10;
    EXPECT_EQ(-1, AsyncParamPutBlock(nullptr, &offset, big.data(), 65534));
    EXPECT_EQ(-1, AsyncParamPutBlock(nullptr, &offset, big.data(), -1));
    EXPECT_EQ(-1, AsyncParamPutBlock(nullptr, &offset, nullptr, 4));
    EXPECT_EQ(10, offset);
    big[65533] = 0;  // 65533 characters and the NUL: one too many
    EXPECT_EQ(-1, AsyncParamPutString(nullptr, &offset, big.data()));
    big[65532] = 0;
    EXPECT_EQ(0, AsyncParamPutString(nullptr, &offset, big.data()));
    EXPECT_EQ(10 + 65535, offset);
}

// --- queue -------------------------------------------------------------------

std::mutex g_orderLock;
std::vector<int> g_order;

void RecordOrder(AsyncRequest* request) {
    int at = 0;
    const int id = AsyncParamGetInt(AsyncRequestParams(request), &at);
    std::lock_guard<std::mutex> guard(g_orderLock);
    g_order.push_back(id);
}

AsyncRequest* Queue(int id, AsyncWorkerFunction worker) {
    AsyncRequest* request = AsyncRequestAlloc(4);
    EXPECT_NE(nullptr, request);
    int at = 0;
    AsyncParamPutInt(AsyncRequestParams(request), &at, id);
    request->worker = worker;
    EXPECT_EQ(0, AsyncRequestEnqueue(request));
    return request;
}

using AsyncLoadingThreads = AsyncLoadingTest;

TEST_F(AsyncLoadingThreads, OldestFirstAndHigherSlotOnEqualTimes) {
    g_order.clear();
    // No workers yet: the requests wait, and their times can be set.
    Queue(1, RecordOrder)->timeQueued = 100;
    Queue(2, RecordOrder)->timeQueued = 200;
    Queue(3, RecordOrder)->timeQueued = 200;
    Queue(4, RecordOrder)->timeQueued = 50;
    EXPECT_EQ(4, AsyncRequestCount());
    ASSERT_EQ(0, AsyncLoadStartThreads(1));
    DrainQueue();
    EXPECT_EQ((std::vector<int>{4, 1, 3, 2}), g_order);
}

TEST_F(AsyncLoadingThreads, BadSlotsAndCallsAreRefused) {
    EXPECT_EQ(-1, AsyncRequestDelete(-1, 0));
    EXPECT_EQ(-1, AsyncRequestDelete(kAsyncQueueSize, 0));
    EXPECT_EQ(-1, AsyncRequestDelete(0, 0)) << "empty slot";
    EXPECT_EQ(-1, AsyncRequestEnqueue(nullptr));
    EXPECT_EQ(nullptr, AsyncRequestAlloc(-5));
    EXPECT_EQ(-1, AsyncLoadInit(GetCurrentThreadId())) << "already initialised";
    int fromOther = 0;
    std::thread([&] { fromOther = ServeMainThreadRequests(); }).join();
    EXPECT_EQ(-1, fromOther);
    EXPECT_EQ(0, ServeMainThreadRequests());
}

TEST(AsyncLoadingUninitialisedTest, CallsBeforeInitFailCleanly) {
    EXPECT_EQ(-1, ServeMainThreadRequests());
    EXPECT_EQ(-1, AsyncRequestDelete(0, 1));
    EXPECT_EQ(0, AsyncRequestCount());
    EXPECT_EQ(-1, AsyncLoadStartThreads(4));
    EXPECT_EQ(-1, AsyncLoadTerm());
    AsyncRequest* request = AsyncRequestAlloc(0);
    EXPECT_EQ(-1, AsyncRequestEnqueue(request));
    TrackedFree(request);
}

HANDLE g_gate = nullptr;
std::atomic<int> g_active{0};
std::atomic<int> g_maxActive{0};

void HeldLoad(AsyncRequest*) {
    const int now = g_active.fetch_add(1) + 1;
    int seen = g_maxActive.load();
    while (now > seen && !g_maxActive.compare_exchange_weak(seen, now)) {
    }
    WaitForSingleObject(g_gate, INFINITE);
    g_active.fetch_sub(1);
}

class AsyncConcurrencyTest : public AsyncLoadingTest, public testing::WithParamInterface<int> {};

using AsyncConcurrencyThreads = AsyncConcurrencyTest;

TEST_P(AsyncConcurrencyThreads, RunsAtMostProcessorsMinusOne) {
    const int processors = GetParam();
    const int expected = processors <= 2 ? 1 : processors - 1;
    g_gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_active = 0;
    g_maxActive = 0;
    ASSERT_EQ(0, AsyncLoadStartThreads(processors));
    EXPECT_EQ(expected, AsyncAllowedWorkers());
    for (int i = 0; i < 12; ++i) Queue(i, HeldLoad);
    testsupport::ServeUntil([&] { return g_active.load() >= expected; },
                            "the allowed workers all loading");
    // More chances for a worker too many to show up.
    for (int i = 0; i < 20; ++i) {
        ServeMainThreadRequests();
        Sleep(1);
    }
    EXPECT_EQ(expected, g_maxActive.load());
    SetEvent(g_gate);
    DrainQueue();
    EXPECT_EQ(expected, g_maxActive.load());
    EXPECT_EQ(0, AsyncLoadStopThreads());
    CloseHandle(g_gate);
}

TEST_F(AsyncLoadingThreads, IdleWorkersStayParkedWhileALoadRuns) {
    g_gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_active = 0;
    ASSERT_EQ(0, AsyncLoadStartThreads(8));
    Queue(1, HeldLoad);
    Queue(2, RecordOrder);
    testsupport::WaitUntil([] { return g_active.load() >= 1 && AsyncRequestCount() <= 1; },
                           testsupport::kWaitLimit, "one load running and nothing waiting");
    // One load runs; nothing waits. Workers that wake now have nothing to do.
    const int64_t resumes = AsyncWorkerResumeCount();
    for (int i = 0; i < 20; ++i) {
        ServeMainThreadRequests();
        Sleep(1);
    }
    EXPECT_EQ(resumes, AsyncWorkerResumeCount()) << "parked workers were woken for nothing";
    SetEvent(g_gate);
    DrainQueue();
    EXPECT_EQ(0, AsyncLoadStopThreads());
    CloseHandle(g_gate);
}

INSTANTIATE_TEST_SUITE_P(Processors, AsyncConcurrencyThreads, testing::Values(1, 2, 8));

// --- main-thread calls ---------------------------------------------------------

struct AddRequest : MainThreadRequest {
    int32_t value;
    DWORD ranOn;
};

int32_t AddOnMain(MainThreadRequest* base) {
    auto* request = static_cast<AddRequest*>(base);
    request->ranOn = GetCurrentThreadId();
    return request->value + 1000;
}

std::atomic<int> g_postResult{0};
std::atomic<DWORD> g_postRanOn{0};

void PostingLoad(AsyncRequest* request) {
    int at = 0;
    AddRequest call{};
    call.function = AddOnMain;
    call.value = AsyncParamGetInt(AsyncRequestParams(request), &at);
    g_postResult = PostToMainThread(&call);
    g_postRanOn = call.ranOn;
}

TEST_F(AsyncLoadingThreads, PostedCallRunsOnTheMainThread) {
    ASSERT_EQ(0, AsyncLoadStartThreads(4));
    Queue(7, PostingLoad);
    DrainQueue();
    EXPECT_EQ(1007, g_postResult.load());
    EXPECT_EQ(GetCurrentThreadId(), g_postRanOn.load());
    EXPECT_EQ(0, AsyncMainQueueCount());
}

std::vector<int> g_served;

int32_t SlowOnMain(MainThreadRequest* base) {
    g_served.push_back(static_cast<AddRequest*>(base)->value);
    Sleep(3);  // longer than the 2 ms budget (virtual clock)
    return 0;
}

void SlowPostingLoad(AsyncRequest* request) {
    int at = 0;
    AddRequest call{};
    call.function = SlowOnMain;
    call.value = AsyncParamGetInt(AsyncRequestParams(request), &at);
    PostToMainThread(&call);
}

TEST_F(AsyncLoadingThreads, ServiceBudgetServesOneAndKeepsTheRestInOrder) {
    KnobSetVirtualClock(true);
    g_served.clear();
    ASSERT_EQ(0, AsyncLoadStartThreads(2));
    for (int id = 1; id <= 3; ++id) {
        Queue(id, SlowPostingLoad);
        testsupport::WaitUntil([id] { return AsyncMainQueueCount() >= id; },
                               testsupport::kWaitLimit, "the load's request posted");
    }
    EXPECT_EQ(0, ServeMainThreadRequests());
    EXPECT_EQ((std::vector<int>{1}), g_served);
    EXPECT_EQ(2, AsyncMainQueueCount());
    ServeMainThreadRequests();
    EXPECT_EQ((std::vector<int>{1, 2}), g_served);
    ServeMainThreadRequests();
    EXPECT_EQ((std::vector<int>{1, 2, 3}), g_served);
    DrainQueue();
}

TEST_F(AsyncLoadingThreads, StopLeavesNoThreadAndTermFreesUnrunRequests) {
    // The last test's workers may still be leaving the kernel's list.
    const int before = testsupport::QuietThreadCount();
    ASSERT_EQ(0, AsyncLoadStartThreads(8));
    EXPECT_EQ(kAsyncWorkerCount, AsyncLiveWorkerThreads());
    EXPECT_EQ(before + kAsyncWorkerCount,
              testsupport::SettledThreadCount(before + kAsyncWorkerCount));
    g_order.clear();
    for (int i = 0; i < 40; ++i) Queue(i, RecordOrder);
    DrainQueue();
    EXPECT_EQ(40u, g_order.size());
    EXPECT_EQ(0, AsyncLoadStopThreads());
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(before, testsupport::SettledThreadCount(before));
    // No worker is left to run these: ending the loader frees them.
    Queue(1, RecordOrder);
    Queue(2, RecordOrder);
    EXPECT_EQ(0, AsyncLoadTerm());  // LeakSanitizer sees the two requests freed
    EXPECT_EQ(0, AsyncLoadInit(GetCurrentThreadId()));
}

// --- loads in flight ------------------------------------------------------------

std::atomic<int> g_inFlight{0};
std::atomic<int> g_mostInFlight{0};
std::atomic<int> g_loadsDone{0};

// A load that waits for the main thread three times, as a picture load does
// for its texture, the lock and the copy.
void ThreePostLoad(AsyncRequest*) {
    const int now = g_inFlight.fetch_add(1) + 1;
    int seen = g_mostInFlight.load();
    while (now > seen && !g_mostInFlight.compare_exchange_weak(seen, now)) {
    }
    for (int i = 0; i < 3; ++i) {
        AddRequest call{};
        call.function = AddOnMain;
        PostToMainThread(&call);
    }
    g_inFlight.fetch_sub(1);
    g_loadsDone.fetch_add(1);
}

// Queues 60 such loads and, serving nothing, waits until the workers have
// taken every load they may: each posting worker hands its run on, so
// without a bound every worker would hold a half-done load.
void PileUpLoads() {
    g_inFlight = 0;
    g_mostInFlight = 0;
    g_loadsDone = 0;
    for (int i = 0; i < 60; ++i) Queue(i, ThreePostLoad);
    const int limit = AsyncLoadsInFlightLimit();
    ASSERT_LT(limit, kAsyncWorkerCount) << "the bound must be below the workers to be seen";
    testsupport::WaitUntil([&] { return AsyncMainQueueCount() >= limit; }, testsupport::kWaitLimit,
                           "the loads in flight all waiting");
    Sleep(20);  // time for a load too many to start
    EXPECT_EQ(limit, g_mostInFlight.load());
    EXPECT_EQ(limit, AsyncMainQueueCount());
}

TEST_P(AsyncConcurrencyThreads, LoadsWaitingForTheMainThreadStayWithinTheirBound) {
    ASSERT_EQ(0, AsyncLoadStartThreads(GetParam()));
    EXPECT_EQ(AsyncAllowedWorkers() + kAsyncExtraLoadsInFlight, AsyncLoadsInFlightLimit());
    PileUpLoads();
    // Bounded: a load held back by the bound that never started again hangs.
    DrainQueue();
    EXPECT_EQ(60, g_loadsDone.load());
    EXPECT_EQ(AsyncLoadsInFlightLimit(), g_mostInFlight.load());
    testsupport::WaitUntil([] { return AsyncLoadsInFlight() == 0; }, testsupport::kWaitLimit,
                           "no load counted in flight once all are done");
    EXPECT_EQ(0, AsyncLoadStopThreads());
}

TEST_F(AsyncLoadingThreads, StopEndsLoadsInFlightAndLeavesTheRestQueued) {
    ASSERT_EQ(0, AsyncLoadStartThreads(1));
    PileUpLoads();
    // Stopping serves the loads in flight to their end; idle workers held
    // back by the bound must still wake to see the end.
    EXPECT_EQ(0, AsyncLoadStopThreads());
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
    EXPECT_EQ(AsyncLoadsInFlightLimit(), g_loadsDone.load());
    EXPECT_EQ(60 - AsyncLoadsInFlightLimit(), AsyncRequestCount());  // Term frees them
}

std::atomic<int> g_drainedCalls{0};
std::atomic<DWORD> g_drainedOn{0};

TEST_F(AsyncLoadingThreads, DrainedHookRunsOnTheMainThreadOnceTheQueueEmpties) {
    g_drainedCalls = 0;
    AsyncSetDrainedHook([] {
        g_drainedCalls.fetch_add(1);
        g_drainedOn = GetCurrentThreadId();
    });
    g_order.clear();
    for (int i = 0; i < 5; ++i) Queue(i, RecordOrder);
    ServeMainThreadRequests();
    EXPECT_EQ(0, g_drainedCalls.load()) << "no load has run yet";
    ASSERT_EQ(0, AsyncLoadStartThreads(2));
    testsupport::ServeUntil([] { return g_drainedCalls.load() > 0; }, "the hook run");
    EXPECT_EQ(5u, g_order.size());
    EXPECT_EQ(GetCurrentThreadId(), g_drainedOn.load());
    for (int i = 0; i < 5; ++i) ServeMainThreadRequests();
    EXPECT_EQ(1, g_drainedCalls.load()) << "once per emptying";
    Queue(9, RecordOrder);
    testsupport::ServeUntil([] { return g_drainedCalls.load() > 1; }, "the hook run again");
    AsyncSetDrainedHook(nullptr);
    EXPECT_EQ(0, AsyncLoadStopThreads());
}

// --- fatal cases ---------------------------------------------------------------

using AsyncLoadingDeathTest = AsyncLoadingTest;

TEST_F(AsyncLoadingDeathTest, QueueOverflowOnTheMainThreadExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (int i = 0; i <= kAsyncQueueSize; ++i) Queue(i, RecordOrder);
        },
        testing::ExitedWithCode(255), "");
}

TEST_F(AsyncLoadingDeathTest, PostFromANonWorkerExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    AddRequest call{};
    call.function = AddOnMain;
    EXPECT_EXIT(PostToMainThread(&call), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(std::thread([&] { PostToMainThread(&call); }).join(), testing::ExitedWithCode(255),
                "");
}

}  // namespace
