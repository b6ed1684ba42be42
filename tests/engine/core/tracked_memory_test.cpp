// Tracked allocations: header fields, reallocation rules, the dump as it
// appears in "Log.txt", corruption caught on release, and many threads.
#include "core/tracked_memory.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "log_test_support.h"

namespace DuRud {
namespace {

class TrackedMemory : public StartedLog {
  protected:
    void TearDown() override {
        MemSetTraceSize(0);  // the switches are the module's: back to their start
        MemSetPrintTotals(0);
        StartedLog::TearDown();
    }
};

std::string Address(const void* user) {
    char text[32];
    std::snprintf(text, sizeof(text), "%08" PRIxPTR, reinterpret_cast<uintptr_t>(user));
    return text;
}

TEST_F(TrackedMemory, HeaderRecordsSourceSizeAndNumber) {
    const uint16_t id = MemGetNextId();
    void* p = TrackedAlloc(24, "engine/graphics/vertex_batch.cpp", 120);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    const TrackedBlockHeader* h = TrackedHeaderOf(p);
    EXPECT_STREQ(h->file, "vertex_batch.cpp" + 1);  // the last 15 characters
    EXPECT_EQ(h->line, 120);
    EXPECT_EQ(h->size, 24u);
    EXPECT_EQ(h->id, id);
    EXPECT_EQ(h->prev, nullptr);
    EXPECT_EQ(MemGetCount(), 1);
    EXPECT_EQ(MemGetTotalSize(), 24);
    TrackedFree(p);
    EXPECT_EQ(MemGetCount(), 0);
    EXPECT_EQ(MemGetTotalSize(), 0);
    TrackedFree(nullptr);  // ignored
    // The number wraps after 65535.
    MemSetNextId(65535);
    void* a = TrackedAlloc(4, "wrap.cpp", 1);
    void* b = TrackedAlloc(4, "wrap.cpp", 2);
    EXPECT_EQ((std::vector<int>{TrackedHeaderOf(a)->id, TrackedHeaderOf(b)->id}),
              (std::vector<int>{65535, 0}));
    TrackedFree(b);
    TrackedFree(a);
}

TEST_F(TrackedMemory, PathTailsAndMissingSource) {
    const char* exact = "abcdefghijklmno";  // 15 characters: kept whole
    const std::string forty = "0123456789012345678901234567890123456789";
    void* a = TrackedAlloc(1, exact, 1);
    void* b = TrackedAlloc(1, forty.c_str(), 2);
    void* c = TrackedAlloc(1, nullptr, -1);
    void* d = TrackedAlloc(1, "short.cpp", 3);
    EXPECT_STREQ(TrackedHeaderOf(a)->file, exact);
    EXPECT_STREQ(TrackedHeaderOf(b)->file, "567890123456789");
    EXPECT_STREQ(TrackedHeaderOf(c)->file, "");
    EXPECT_EQ(TrackedHeaderOf(c)->line, 65535);
    // The unused rest of the field keeps the 0xA5 filler.
    const auto* field = reinterpret_cast<const unsigned char*>(TrackedHeaderOf(d)->file);
    EXPECT_EQ(field[9], 0);
    for (int i = 10; i < 16; ++i) EXPECT_EQ(field[i], 0xA5) << i;
    TrackedFree(a);
    TrackedFree(b);
    TrackedFree(c);
    TrackedFree(d);
}

TEST_F(TrackedMemory, ReallocRules) {
    // A null block: an allocation with the same size, file and line.
    char* p = static_cast<char*>(TrackedRealloc(nullptr, 8, "first.cpp", 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(TrackedHeaderOf(p)->size, 8u);
    EXPECT_STREQ(TrackedHeaderOf(p)->file, "first.cpp");
    EXPECT_EQ(MemGetCount(), 1);
    std::memcpy(p, "ABCDEFGH", 8);

    // Same size: same address, new number, new source.
    const uint16_t oldId = TrackedHeaderOf(p)->id;
    char* same = static_cast<char*>(TrackedRealloc(p, 8, "second.cpp", 20));
    EXPECT_EQ(same, p);
    EXPECT_EQ(TrackedHeaderOf(same)->id, static_cast<uint16_t>(oldId + 1));
    EXPECT_STREQ(TrackedHeaderOf(same)->file, "second.cpp");
    EXPECT_EQ(TrackedHeaderOf(same)->line, 20);

    // Growing keeps the bytes and zeroes the added ones (also where the old
    // trailer was).
    void* other = TrackedAlloc(3, "other.cpp", 1);  // so the block is not the newest
    char* grown = static_cast<char*>(TrackedRealloc(same, 200, "third.cpp", 30));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "ABCDEFGH", 8), 0);
    for (int i = 8; i < 200; ++i) ASSERT_EQ(grown[i], 0) << i;
    EXPECT_EQ(MemGetTotalSize(), 203);
    EXPECT_EQ(MemGetCount(), 2);

    char* shrunk = static_cast<char*>(TrackedRealloc(grown, 4, "fourth.cpp", 40));
    EXPECT_EQ(std::memcmp(shrunk, "ABCD", 4), 0);
    EXPECT_EQ(MemGetTotalSize(), 7);
    MemCheckAll();  // every copy still agrees after the moves
    TrackedFree(other);
    TrackedFree(shrunk);
    EXPECT_EQ(MemGetCount(), 0);
}

TEST_F(TrackedMemory, CallocZeroes) {
    // Small blocks reuse freed heap memory; large ones are fresh mappings.
    for (uint32_t size : {64u, 3u << 20}) {
        SCOPED_TRACE(size);
        void* p = TrackedAlloc(size, "fill.cpp", 1);
        std::memset(p, 0x5A, size);
        TrackedFree(p);
        auto* q = static_cast<unsigned char*>(TrackedCalloc(size, "calloc.cpp", 2));
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(std::vector<unsigned char>(q, q + size), std::vector<unsigned char>(size, 0));
        EXPECT_EQ(MemCheckBlock(TrackedHeaderOf(q)), 0);
        TrackedFree(q);
    }
}

TEST_F(TrackedMemory, DumpMatchesTheExpectedTextByteForByte) {
    MemSetNextId(7);
    auto* a = static_cast<char*>(TrackedAlloc(5, "engine/src/dump_test.cpp", 12));
    std::memcpy(a, "hello", 5);
    auto* b = static_cast<unsigned char*>(TrackedAlloc(20, "b.cpp", 3456));
    for (int i = 0; i < 20; ++i) b[i] = static_cast<unsigned char>(0x1E + i);
    Sleep(5);
    MemDumpAll();
    const std::string expected =
        "5:\r\n"
        "5:Alloc memory dump\r\n"
        "5:\tsize:        20(     0.020kb)  file:b.cpp                       line:3456   ID:8      "
        "addr:" +
        Address(b) +
        "  data:<.. !\"#$%&'()*+,-> [1e 1f 20 21 22 23 24 25 26 27 28 29 2a 2b 2c 2d]\r\n"
        "5:\tsize:         5(     0.005kb)  file:c/dump_test.cpp             line:12     ID:7      "
        "addr:" +
        Address(a) +
        "  data:<hello> [68 65 6c 6c 6f]\r\n"
        "5:\tTotal size:25(0.024kb)  Alloc num:2\r\n"
        "5:\r\n";
    EXPECT_EQ(LogBytes(), expected);
    TrackedFree(a);
    TrackedFree(b);
}

TEST_F(TrackedMemory, EmptyDumpShowsZeroTotals) {
    void* only = TrackedAlloc(10, "only.cpp", 1);
    TrackedFree(only);  // the list is back to the sentinel alone
    MemDumpAll();
    EXPECT_EQ(LogBytes(),
              "0:\r\n"
              "0:Alloc memory dump\r\n"
              "0:\tTotal size:0(0.000kb)  Alloc num:0\r\n"
              "0:\r\n");
}

TEST_F(TrackedMemory, ZeroSizeBlocksAreTraced) {
    MemSetNextId(0);
    void* p = TrackedAlloc(0, "zero.cpp", 3);
    ASSERT_NE(p, nullptr);
    TrackedFree(p);
    const std::string addr = Address(p);
    EXPECT_EQ(LogBytes(),
              "0:mem alloc  \tsize:         0(     0.000kb)  file:zero.cpp                    "
              "line:3      ID:0      addr:" +
                  addr +
                  "  data:<> []\r\n"
                  "0:mem free  \tsize:         0(     0.000kb)  file:zero.cpp                    "
                  "line:3      ID:0      addr:" +
                  addr + "  data:<> []\r\n");
}

TEST_F(TrackedMemory, TraceSwitches) {
    MemSetTraceSize(-1);
    MemSetPrintTotals(1);
    void* p = TrackedAlloc(2, "t.cpp", 1);
    p = TrackedRealloc(p, 3, "t.cpp", 2);
    TrackedFree(p);
    const auto lines = LinesWithoutStamps(LogBytes());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("mem alloc  \tsize:         2(", 0), 0u);
    EXPECT_EQ(lines[1], "\tTotal size:2(0.002kb)  Alloc num:1");
    EXPECT_EQ(lines[2].rfind("mem realloc  \tsize:         3(", 0), 0u);
    EXPECT_EQ(lines[3], "\tTotal size:3(0.003kb)  Alloc num:1");
    EXPECT_EQ(lines[4].rfind("mem free  \tsize:         3(", 0), 0u);
    EXPECT_EQ(lines[5], "\tTotal size:0(0.000kb)  Alloc num:0");
}

// Writes one byte past the user bytes of an 8-byte block in a child
// process and frees it there; the child's log goes to this test's folder.
void OverrunAndFree(const char* variable, bool smashCopySize) {
    StartLogInFolderFrom(variable);
    auto* p = static_cast<unsigned char*>(TrackedAlloc(8, "overrun.cpp", 77));
    std::memcpy(p, "12345678", 8);
    if (smashCopySize) {
        // A wild size in the check copy must not send the trailer read astray.
        TrackedBlockHeader* h = TrackedHeaderOf(p);
        const uint32_t wild = 0x7FFFFF00u;
        std::memcpy(h->check + offsetof(TrackedBlockHeader, size), &wild, sizeof(wild));
    } else {
        p[8] ^= 0xFF;
    }
    TrackedFree(p);
}

std::string ReadLog() {
    return testsupport::ReadFile("Log.txt");
}

TEST(TrackedMemoryDeathTest, OneByteOverrunEndsTheProcess) {
    setenv("FOUNDATION_OVERRUN_DIR", testsupport::TestDirectory().c_str(), 0);
    EXPECT_EXIT(OverrunAndFree("FOUNDATION_OVERRUN_DIR", false), testing::ExitedWithCode(255), "");
    const auto lines = LinesWithoutStamps(ReadLog());
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], Cp932Text("以下のメモリ確保情報が破損しました、強制終了します"));
    ASSERT_EQ(lines[1].rfind("HEAD  BASE:", 0), 0u);
    ASSERT_EQ(lines[2].rfind("HEAD TEMP1:", 0), 0u);
    ASSERT_EQ(lines[3].rfind("HEAD TEMP2:", 0), 0u);
    const std::string base = lines[1].substr(11), copy = lines[2].substr(11),
                      trailer = lines[3].substr(11);
    EXPECT_EQ(base, copy);
    EXPECT_NE(base, trailer);
    // 40 compared bytes: "31 38 ..." — the file field starts with "overrun.cpp".
    EXPECT_EQ(base.rfind("6f 76 65 72  72 75 6e 2e", 0), 0u) << base;
    EXPECT_EQ(base.size(), 40u * 2 + 39 + 7 + 2 * 3);  // digits, blanks, wider gaps
    // The trailer's first byte is the flipped one.
    EXPECT_EQ(trailer.substr(0, 2), "90");
    EXPECT_EQ(lines[4].rfind("\tsize:         8(", 0), 0u);
    EXPECT_NE(lines[4].find("data:<12345678> [31 32 33 34 35 36 37 38]"), std::string::npos);
    EXPECT_EQ(lines[5].rfind("\tsize:         8(", 0), 0u);
    EXPECT_EQ(lines[5].find("data:"), std::string::npos);
    EXPECT_NE(lines[6].find("file:"), std::string::npos);
}

TEST(TrackedMemoryDeathTest, WildCopySizeIsReportedWithoutReadingATrailer) {
    setenv("FOUNDATION_WILD_DIR", testsupport::TestDirectory().c_str(), 0);
    EXPECT_EXIT(OverrunAndFree("FOUNDATION_WILD_DIR", true), testing::ExitedWithCode(255), "");
    const auto lines = LinesWithoutStamps(ReadLog());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], Cp932Text("以下のメモリ確保情報が破損しました、強制終了します"));
    EXPECT_EQ(lines[3].rfind("HEAD TEMP2:(size 2147483392 lies outside the block)", 0), 0u);
    EXPECT_EQ(lines[5].rfind("\tsize:2147483392(", 0), 0u);  // the copy as a header
}

void FreeUntracked(const char* variable, bool twice) {
    StartLogInFolderFrom(variable);
    if (twice) {
        void* p = TrackedAlloc(16, "twice.cpp", 1);
        TrackedFree(p);
        TrackedFree(p);  // already returned to the heap
    } else {
        auto* raw = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, 256));
        TrackedFree(raw + 128);  // no tracked block starts here
    }
}

TEST(TrackedMemoryDeathTest, FreeingAnUntrackedPointerEndsCleanly) {
    setenv("FOUNDATION_UNTRACKED_DIR", testsupport::TestDirectory().c_str(), 0);
    EXPECT_EXIT(FreeUntracked("FOUNDATION_UNTRACKED_DIR", false), testing::ExitedWithCode(255), "");
    const auto lines = LinesWithoutStamps(ReadLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Cp932Text("以下のメモリ確保情報が破損しました、強制終了します"));
    EXPECT_NE(lines[1].find("is not a tracked block"), std::string::npos);
}

TEST(TrackedMemoryDeathTest, DoubleFreeEndsCleanly) {
    setenv("FOUNDATION_TWICE_DIR", testsupport::TestDirectory().c_str(), 0);
    EXPECT_EXIT(FreeUntracked("FOUNDATION_TWICE_DIR", true), testing::ExitedWithCode(255), "");
    const auto lines = LinesWithoutStamps(ReadLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("is not a tracked block"), std::string::npos);
}

struct Worker {
    ThreadContext context{};
    uint32_t seed = 0;
};

void AllocReallocFree(ThreadContext* context, uintptr_t argument) {
    auto* worker = reinterpret_cast<Worker*>(argument);
    std::mt19937 gen(worker->seed);
    std::vector<unsigned char*> live;
    for (int i = 0; i < 600; ++i) {
        const int op = static_cast<int>(gen() % 3);
        if (op == 0 || live.empty()) {
            const uint32_t size = gen() % 100;
            auto* p = static_cast<unsigned char*>(TrackedAlloc(size, __FILE__, __LINE__));
            std::memset(p, static_cast<int>(worker->seed), size);
            live.push_back(p);
        } else {
            const size_t at = gen() % live.size();
            if (op == 1) {
                const uint32_t size = gen() % 100;
                auto* p =
                    static_cast<unsigned char*>(TrackedRealloc(live[at], size, __FILE__, __LINE__));
                std::memset(p, static_cast<int>(worker->seed), size);
                live[at] = p;
            } else {
                TrackedFree(live[at]);
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        if (live.size() > 20) {
            TrackedFree(live.front());
            live.erase(live.begin());
        }
    }
    for (unsigned char* p : live) TrackedFree(p);
}

using TrackedMemoryThreads = TrackedMemory;

TEST_F(TrackedMemoryThreads, EightThreadsWithCheckAll) {
    MemSetCheckAll(1);
    MemSetTraceSize(100000);  // no zero-size trace lines: the log stays small
    Worker workers[8];
    for (int i = 0; i < 8; ++i) {
        workers[i].seed = static_cast<uint32_t>(i + 1);
        ASSERT_EQ(CreateEngineThread(&workers[i].context, AllocReallocFree,
                                     reinterpret_cast<uintptr_t>(&workers[i])),
                  0);
    }
    for (Worker& w : workers) ResumeEngineThread(&w.context);
    for (Worker& w : workers) {
        WaitForSingleObject(w.context.handle, INFINITE);
        CloseThreadHandle(&w.context);
    }
    EXPECT_EQ(MemGetCount(), 0);
    EXPECT_EQ(MemGetTotalSize(), 0);
    EXPECT_EQ(LogBytes(), "");  // no corruption report, nothing traced
}

}  // namespace
}  // namespace DuRud
