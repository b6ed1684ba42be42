// Critical sections: recursion for the owner, exclusion for the others.
#include <atomic>
#include <cstring>

#include <gtest/gtest.h>

#include "windows.h"

namespace {

struct Probe {
    CRITICAL_SECTION* section;
    std::atomic<int> result{-1};
};

// TryEnter from another thread; leaves again when it got the section.
int tryFromOtherThread(CRITICAL_SECTION* cs) {
    Probe p{cs};
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID a) -> DWORD {
            auto* pr = static_cast<Probe*>(a);
            BOOL got = TryEnterCriticalSection(pr->section);
            if (got) LeaveCriticalSection(pr->section);
            pr->result = got;
            return 0;
        },
        &p, 0, nullptr);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
    return p.result.load();
}

TEST(CriticalSectionThreads, OwnerMayEnterAgainOthersWaitUntilTheLastLeave) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // recursion
    EXPECT_EQ(cs.RecursionCount, 2);
    EXPECT_EQ(tryFromOtherThread(&cs), FALSE);
    LeaveCriticalSection(&cs);
    EXPECT_EQ(tryFromOtherThread(&cs), FALSE);
    LeaveCriticalSection(&cs);
    EXPECT_EQ(tryFromOtherThread(&cs), TRUE);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSectionThreads, LeaveByAThreadThatDoesNotOwnItIsIgnored) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    HANDLE h = CreateThread(
        nullptr, 0,
        [](LPVOID a) -> DWORD {
            LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(a));
            return 0;
        },
        &cs, 0, nullptr);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
    EXPECT_EQ(tryFromOtherThread(&cs), FALSE);  // still ours
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

struct Counter {
    CRITICAL_SECTION cs;
    long value = 0;  // not atomic: only the section protects it
};
constexpr int kIncrements = 20000;

TEST(CriticalSectionThreads, EightThreadsCountExactly) {
    Counter c;
    InitializeCriticalSectionAndSpinCount(&c.cs, 4000);
    HANDLE threads[8];
    for (auto& h : threads)
        h = CreateThread(
            nullptr, 0,
            [](LPVOID a) -> DWORD {
                auto* cnt = static_cast<Counter*>(a);
                for (int i = 0; i < kIncrements; ++i) {
                    EnterCriticalSection(&cnt->cs);
                    EnterCriticalSection(&cnt->cs);
                    ++cnt->value;
                    LeaveCriticalSection(&cnt->cs);
                    LeaveCriticalSection(&cnt->cs);
                }
                return 0;
            },
            &c, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(8, threads, TRUE, INFINITE), WAIT_OBJECT_0);
    for (auto h : threads) CloseHandle(h);
    EXPECT_EQ(c.value, 8L * kIncrements);
    DeleteCriticalSection(&c.cs);
}

TEST(CriticalSectionDeathTest, EnteringAnUninitialisedSectionStopsWithAMessage) {
    CRITICAL_SECTION cs;
    std::memset(&cs, 0, sizeof cs);
    EXPECT_DEATH(EnterCriticalSection(&cs), "not initialised");
    CRITICAL_SECTION deleted;
    InitializeCriticalSection(&deleted);
    DeleteCriticalSection(&deleted);
    EXPECT_DEATH(EnterCriticalSection(&deleted), "not initialised");
}

}  // namespace
