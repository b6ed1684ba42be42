// Handle manager: encoding, index policy, check numbers, stale handles,
// vetoes, resizing and deletion against running loads.
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/log.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "support/test_support.h"

using namespace DuRud;

namespace {

struct TestRecord {
    HandleHeader header;
    int32_t value;
    int32_t initCalls;
};

int g_initCalls = 0;
std::atomic<int> g_deleteCalls{0};
int g_vetoValue = -1;  // records with this value refuse deletion

void CountInit(HandleHeader* record) {
    ++g_initCalls;
    reinterpret_cast<TestRecord*>(record)->initCalls += 1;
}

int VetoByValue(HandleHeader* record) {
    g_deleteCalls.fetch_add(1);
    return reinterpret_cast<TestRecord*>(record)->value == g_vetoValue ? 1 : 0;
}

int KeepOdd(HandleHeader* record) {
    return reinterpret_cast<TestRecord*>(record)->value % 2;
}

constexpr int kType = 5;

class HandleManagerTest : public testing::Test {
  protected:
    void SetUp() override {
        g_initCalls = 0;
        g_deleteCalls = 0;
        g_vetoValue = -1;
        ResetHandleCheckCounterForTest(kType);
    }
    void TearDown() override {
        EndHandleType(kType);
        EndHandleType(1);
        if (AsyncLoadIsInitialised()) AsyncLoadTerm();
    }
    void Register(int maximum) {
        ASSERT_EQ(0, RegisterHandleType(kType, sizeof(TestRecord), maximum, CountInit, VetoByValue,
                                        "test"));
    }
    static TestRecord* Record(Handle h) {
        return reinterpret_cast<TestRecord*>(GetHandleRecord(h));
    }
    static int Index(Handle h) { return h & 0xFFFF; }
};

TEST_F(HandleManagerTest, FirstGraphicHandleAndCheckNumberWrap) {
    ResetHandleCheckCounterForTest(1);
    ASSERT_EQ(0, RegisterHandleType(1, sizeof(TestRecord), 32768, nullptr, nullptr, "g"));
    const Handle first = AddHandle(1, -1);
    EXPECT_EQ(0x04010000, first);
    ASSERT_EQ(0, DeleteHandle(first));
    Handle h = -1;
    for (int i = 2; i <= 1023; ++i) {
        h = AddHandle(1, -1);
        ASSERT_NE(-1, h);
        if (i < 1023) {
            ASSERT_EQ(0, DeleteHandle(h));
        }
    }
    EXPECT_EQ(0, (h >> 16) & 0x3FF) << "the 1023rd handle wraps the check number to 0";
    EXPECT_EQ(1, (AddHandle(1, -1) >> 16) & 0x3FF);
}

TEST_F(HandleManagerTest, CheckCounterSurvivesEndOfType) {
    Register(16);
    const Handle a = AddHandle(kType, -1);
    AddHandle(kType, -1);
    ASSERT_EQ(0, EndHandleType(kType));
    EXPECT_EQ(nullptr, GetHandleRecord(a));
    Register(16);
    const Handle b = AddHandle(kType, -1);
    EXPECT_EQ(0, Index(b));
    EXPECT_EQ(3, (b >> 16) & 0x3FF);
    EXPECT_NE(a, b);
    EXPECT_EQ(nullptr, GetHandleRecord(a));
}

TEST_F(HandleManagerTest, RecordsAreZeroedLinkedAndInitialised) {
    Register(8);
    const Handle h = AddHandle(kType, -1);
    TestRecord* r = Record(h);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(h, r->header.handle);
    EXPECT_EQ(static_cast<int>(sizeof(TestRecord)), r->header.recordSize);
    EXPECT_EQ(1, r->initCalls);
    EXPECT_EQ(0, r->value + r->header.asyncPendingCount);
    HandleTypeRecord* t = GetHandleTypeRecord(kType);
    EXPECT_EQ(&r->header.node, t->head.next);
    EXPECT_EQ(&t->tail, r->header.node.next);
}

TEST_F(HandleManagerTest, IndexPolicy) {
    Register(4);
    const Handle h0 = AddHandle(kType, -1), h1 = AddHandle(kType, -1), h2 = AddHandle(kType, -1);
    EXPECT_EQ(0, Index(h0));
    EXPECT_EQ(1, Index(h1));
    EXPECT_EQ(2, Index(h2));
    ASSERT_EQ(0, DeleteHandle(h1));
    const Handle h3 = AddHandle(kType, -1);
    EXPECT_EQ(3, Index(h3)) << "highest + 1, not the freed slot";
    const Handle again1 = AddHandle(kType, -1);
    EXPECT_EQ(1, Index(again1)) << "full to the top: first free slot";
    EXPECT_EQ(-1, AddHandle(kType, -1)) << "limit reached";
    ASSERT_EQ(0, DeleteHandle(h0));
    ASSERT_EQ(0, DeleteHandle(again1));
    // Left: 2 and 3; highest + 1 is the maximum, so below the lowest.
    EXPECT_EQ(1, Index(AddHandle(kType, -1)));
    EXPECT_EQ(0, Index(AddHandle(kType, -1)));
    EXPECT_EQ(4, GetHandleTypeRecord(kType)->count);
}

TEST_F(HandleManagerTest, FullTableIsReportedInTheLog) {
    LoadWinApis();
    SetLogFolder(testsupport::TestDirectory().c_str());
    LogStart();
    Register(1);
    EXPECT_NE(-1, AddHandle(kType, -1));
    EXPECT_EQ(-1, AddHandle(kType, -1));
    const std::string log = testsupport::ReadFile("Log.txt");
    EXPECT_NE(std::string::npos,
              log.find(Cp932Text(
                  "testハンドルの数が限界数( 1 )に達していて新たなハンドルを作成できません")))
        << log;
    ResetLogForTest();
    UnloadWinApis();
}

TEST_F(HandleManagerTest, StaleAndMadeUpHandlesFailEveryCheck) {
    Register(8);
    const Handle h = AddHandle(kType, -1);
    ASSERT_EQ(0, DeleteHandle(h));
    const Handle reused = AddHandle(kType, -1);
    ASSERT_EQ(Index(h), Index(reused));
    for (Handle bad :
         {h, -1, reused ^ 0x04000000, reused | 0x7FFF, static_cast<Handle>(0x80000000u),
          0x28010000 /* type 10, never registered */}) {
        EXPECT_EQ(nullptr, GetHandleRecord(bad)) << std::hex << bad;
        EXPECT_EQ(-1, DeleteHandle(bad));
        EXPECT_EQ(-1, IsHandleAsyncPending(bad));
        EXPECT_EQ(-1, BeginHandleAsyncLoad(bad, 0));
        EXPECT_EQ(-1, EndHandleAsyncLoad(bad));
        EXPECT_EQ(-1, SetHandleDeletedFlagPointer(bad, nullptr));
        EXPECT_EQ(-1, ResizeHandleRecord(bad, 256));
    }
    EXPECT_NE(nullptr, GetHandleRecord(reused));
}

TEST_F(HandleManagerTest, BadTypesAndRegistrationsAreRefused) {
    for (int type : {-1, 32, 1000}) {
        EXPECT_EQ(-1, RegisterHandleType(type, sizeof(TestRecord), 8, nullptr, nullptr, "x"));
        EXPECT_EQ(-1, AddHandle(type, -1));
        EXPECT_EQ(-1, DeleteAllHandles(type, nullptr));
        EXPECT_EQ(-1, EndHandleType(type));
    }
    EXPECT_EQ(-1, AddHandle(kType, -1)) << "not registered";
    EXPECT_EQ(-1, EndHandleType(kType));
    EXPECT_EQ(-1, RegisterHandleType(kType, 4, 8, nullptr, nullptr, "small"));
    EXPECT_EQ(-1, RegisterHandleType(kType, sizeof(TestRecord), 0, nullptr, nullptr, "none"));
    EXPECT_EQ(-1, RegisterHandleType(kType, sizeof(TestRecord), 65537, nullptr, nullptr, "many"));
    Register(8);
    EXPECT_EQ(-1, RegisterHandleType(kType, sizeof(TestRecord), 8, nullptr, nullptr, "twice"));
}

TEST_F(HandleManagerTest, WishedHandles) {
    Register(8);
    const Handle a = AddHandle(kType, -1);  // check 1, slot 0
    ASSERT_EQ(0, DeleteHandle(a));
    EXPECT_EQ(a, AddHandle(kType, a)) << "a free wished slot gives the very handle";
    const Handle clash = AddHandle(kType, (0x155 << 16) | (kType << 26) | 0);
    EXPECT_NE(0, Index(clash));
    EXPECT_EQ(0x155, (clash >> 16) & 0x3FF) << "occupied slot: other index, wished check number";
    EXPECT_EQ(1, GetHandleTypeRecord(kType)->checkCounter) << "a wish leaves the counter alone";
    const Handle beyond = AddHandle(kType, (0x77 << 16) | (kType << 26) | 500);
    ASSERT_NE(-1, beyond);
    EXPECT_LT(Index(beyond), 8);
    EXPECT_EQ(2, (beyond >> 16) & 0x3FF) << "an index beyond the maximum is no wish";
}

TEST_F(HandleManagerTest, VetoSurvivesDeleteAllAndTheTypeEndFreesIt) {
    Register(8);
    const Handle keep = AddHandle(kType, -1);
    const Handle gone = AddHandle(kType, -1);
    Record(keep)->value = 7;
    g_vetoValue = 7;
    int32_t flag = 0;
    ASSERT_EQ(0, SetHandleDeletedFlagPointer(keep, &flag));
    EXPECT_EQ(0, DeleteHandle(keep));
    EXPECT_EQ(-1, flag);
    EXPECT_NE(nullptr, GetHandleRecord(keep));
    EXPECT_EQ(0, DeleteAllHandles(kType, nullptr));
    EXPECT_NE(nullptr, GetHandleRecord(keep));
    EXPECT_EQ(nullptr, GetHandleRecord(gone));
    EXPECT_EQ(1, GetHandleTypeRecord(kType)->count);
    EXPECT_EQ(0, EndHandleType(kType));  // frees the refused record (LeakSanitizer checks)
    EXPECT_EQ(nullptr, GetHandleRecord(keep));
}

TEST_F(HandleManagerTest, DeleteAllKeepsWhatTheFilterKeeps) {
    Register(64);
    std::vector<Handle> handles;
    for (int i = 0; i < 20; ++i) {
        handles.push_back(AddHandle(kType, -1));
        Record(handles.back())->value = i;
    }
    EXPECT_EQ(0, DeleteAllHandles(kType, KeepOdd));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(i % 2 == 1, GetHandleRecord(handles[i]) != nullptr) << i;
    EXPECT_EQ(10, GetHandleTypeRecord(kType)->count);
    EXPECT_EQ(1, GetHandleTypeRecord(kType)->lowestIndex);
    EXPECT_EQ(19, GetHandleTypeRecord(kType)->highestIndex);
}

TEST_F(HandleManagerTest, MovingResizeKeepsSlotListAndLookupConsistent) {
    Register(8);
    const Handle a = AddHandle(kType, -1), b = AddHandle(kType, -1), c = AddHandle(kType, -1);
    Record(b)->value = 4242;
    HandleHeader* before = GetHandleRecord(b);
    ASSERT_EQ(0, ResizeHandleRecord(b, 1 << 20));
    HandleHeader* after = GetHandleRecord(b);
    ASSERT_NE(nullptr, after);
    EXPECT_NE(before, after) << "a megabyte cannot grow in place";
    EXPECT_EQ(4242, reinterpret_cast<TestRecord*>(after)->value);
    EXPECT_EQ(1 << 20, after->recordSize);
    EXPECT_EQ(0, ResizeHandleRecord(b, 1 << 20)) << "same size";
    EXPECT_EQ(-1, ResizeHandleRecord(b, 3)) << "smaller than the header";
    // Walk the list both ways: every node is the record in its slot.
    HandleTypeRecord* t = GetHandleTypeRecord(kType);
    std::set<Handle> seen;
    for (HandleListNode* n = t->head.next; n != &t->tail; n = n->next) {
        ASSERT_EQ(n, n->next->prev);
        ASSERT_EQ(t->slots[n->value & 0xFFFF], n->data);
        ASSERT_EQ(&static_cast<HandleHeader*>(n->data)->node, n);
        seen.insert(n->value);
    }
    EXPECT_EQ((std::set<Handle>{a, b, c}), seen);
    EXPECT_EQ(0, DeleteHandle(b));
    EXPECT_EQ(t->head.next->next, &GetHandleRecord(a)->node);
}

// --- handles with asynchronous loads ---------------------------------------

HANDLE g_begun = nullptr;
HANDLE g_started = nullptr;
HANDLE g_go = nullptr;
std::atomic<int> g_workerDone{0};

Handle TakeHandle(AsyncRequest* request) {
    int offset = 0;
    return AsyncParamGetInt(AsyncRequestParams(request), &offset);
}

void SlowLoad(AsyncRequest* request) {
    const Handle h = TakeHandle(request);
    WaitForSingleObject(g_begun, INFINITE);
    SetEvent(g_started);
    WaitForSingleObject(g_go, INFINITE);
    g_workerDone = 1;
    EndHandleAsyncLoad(h);
}

void SelfDeletingLoad(AsyncRequest* request) {
    const Handle h = TakeHandle(request);
    WaitForSingleObject(g_begun, INFINITE);
    EndHandleAsyncLoad(h);
    DeleteHandle(h);
}

Handle QueueLoad(Handle h, AsyncWorkerFunction worker) {
    int size = 0;
    AsyncParamPutInt(nullptr, &size, h);
    AsyncRequest* request = AsyncRequestAlloc(size);
    int offset = 0;
    AsyncParamPutInt(AsyncRequestParams(request), &offset, h);
    request->worker = worker;
    EXPECT_EQ(0, AsyncRequestEnqueue(request));
    EXPECT_EQ(0, BeginHandleAsyncLoad(h, request->queueSlot));
    return h;
}

class HandleLoadTest : public HandleManagerTest {
  protected:
    void SetUp() override {
        HandleManagerTest::SetUp();
        g_begun = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_workerDone = 0;
        ASSERT_EQ(0, AsyncLoadInit(GetCurrentThreadId()));
    }
    void TearDown() override {
        SetEvent(g_begun);
        SetEvent(g_go);
        HandleManagerTest::TearDown();
        CloseHandle(g_begun);
        CloseHandle(g_started);
        CloseHandle(g_go);
    }
};

TEST_F(HandleLoadTest, DeletingAQueuedLoadDropsTheRequest) {
    Register(8);
    const Handle h = QueueLoad(AddHandle(kType, -1), SlowLoad);  // no workers: stays queued
    EXPECT_EQ(1, IsHandleAsyncPending(h));
    EXPECT_EQ(1, AsyncRequestCount());
    EXPECT_EQ(0, DeleteHandle(h));
    EXPECT_EQ(0, AsyncRequestCount());
    EXPECT_EQ(nullptr, GetHandleRecord(h));
    EXPECT_EQ(1, g_deleteCalls.load());
}

TEST_F(HandleLoadTest, LoadEndedBeforeItWasRecordedLeavesOtherRequestsAlone) {
    Register(8);
    const Handle other = QueueLoad(AddHandle(kType, -1), SlowLoad);  // queue slot 0
    const Handle early = AddHandle(kType, -1);
    EXPECT_EQ(0, EndHandleAsyncLoad(early));  // its loader finished first
    EXPECT_EQ(0, DeleteHandle(early));
    EXPECT_EQ(1, AsyncRequestCount()) << "the other handle's request was taken";
    EXPECT_EQ(1, IsHandleAsyncPending(other));
}

TEST_F(HandleLoadTest, DeleteAllDropsQueuedLoads) {
    Register(8);
    QueueLoad(AddHandle(kType, -1), SlowLoad);
    QueueLoad(AddHandle(kType, -1), SlowLoad);
    EXPECT_EQ(2, AsyncRequestCount());
    EXPECT_EQ(0, DeleteAllHandles(kType, nullptr));
    EXPECT_EQ(0, AsyncRequestCount());
    EXPECT_EQ(0, GetHandleTypeRecord(kType)->count);
}

using HandleLoadThreads = HandleLoadTest;

TEST_F(HandleLoadThreads, DeletingARunningLoadWaitsForIt) {
    Register(8);
    ASSERT_EQ(0, AsyncLoadStartThreads(2));
    int32_t deletedFlag = 0;
    const Handle h = AddHandle(kType, -1);
    SetHandleDeletedFlagPointer(h, &deletedFlag);
    QueueLoad(h, SlowLoad);
    SetEvent(g_begun);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(g_started, INFINITE));
    // Releases the load once DeleteHandle has begun (it marks the flag first).
    std::thread releaser([&] {
        testsupport::WaitUntil([&] { return std::atomic_ref<int32_t>(deletedFlag).load() == -1; },
                               testsupport::kWaitLimit, "the deletion begun");
        SetEvent(g_go);
    });
    EXPECT_EQ(0, DeleteHandle(h));
    EXPECT_EQ(1, g_workerDone.load()) << "deletion returned before the load ended";
    EXPECT_EQ(nullptr, GetHandleRecord(h));
    releaser.join();
    EXPECT_EQ(0, AsyncLoadStopThreads());
}

TEST_F(HandleLoadThreads, WorkerAndMainDeletingTogetherDeleteOnce) {
    Register(64);
    ASSERT_EQ(0, AsyncLoadStartThreads(4));
    for (int run = 0; run < 1000; ++run) {
        g_deleteCalls = 0;
        ResetEvent(g_begun);
        const Handle h = QueueLoad(AddHandle(kType, -1), SelfDeletingLoad);
        SetEvent(g_begun);
        const int result = DeleteHandle(h);
        EXPECT_TRUE(result == 0 || result == -1);
        // The worker may still be finishing its own delete: wait for the slot.
        testsupport::WaitUntil(
            [h] { return GetHandleRecord(h) == nullptr && AsyncRequestCount() == 0; },
            testsupport::kWaitLimit, "the slot freed and the queue empty",
            testsupport::PollStep::kYield);
        ASSERT_EQ(1, g_deleteCalls.load()) << "run " << run;
    }
    EXPECT_EQ(0, AsyncLoadStopThreads());
    EXPECT_EQ(0, AsyncLiveWorkerThreads());
}

}  // namespace
