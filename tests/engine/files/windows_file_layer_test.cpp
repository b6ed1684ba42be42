// The Windows file layer: the same bytes, results, Tell and Eof in every
// mode; the edge cases of short reads and seeks; asynchronous reads that
// really return at once; the read-ahead cache; nothing left behind.
#include "files/windows_file_layer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/tracked_memory.h"
#include "file_test_support.h"
#include "test_knobs.h"
#include "support/test_support.h"

namespace DuRud {
namespace {

struct Step {
    int32_t tell;
    int eof;
    long long result;
    std::string bytes;
    bool operator==(const Step&) const = default;
};

// A fixed random script of seeks (every origin, past the end, before the
// start) and reads (element sizes 1, 3, 4, 4096) run against one stream.
std::vector<Step> RunScript(StreamHandle stream, const OpenMode& mode, uint32_t seed,
                            size_t fileSize) {
    std::mt19937 random(seed);
    std::vector<Step> steps;
    static const size_t kSizes[] = {1, 3, 4, 4096};
    for (int op = 0; op < 160; ++op) {
        Step step{};
        if (random() % 3 == 0) {
            int origin = static_cast<int>(random() % 3);
            auto span = static_cast<int64_t>(fileSize) + 200;
            int32_t offset =
                static_cast<int32_t>(static_cast<int64_t>(random() % (2 * span)) - span);
            step.result = FileWinSeek(stream, offset, origin);
        } else {
            size_t element = kSizes[random() % 4];
            size_t count = random() % 70;
            std::string buffer(element * count, '\xEE');
            size_t n = FileWinRead(buffer.data(), element, count, stream);
            step.result = static_cast<long long>(n);
            if (mode.async) {
                EXPECT_EQ(WaitIdle(stream), 1);
            }
            step.bytes = buffer.substr(0, n * element);
        }
        if (mode.cache && op % 40 == 39) {
            // Let the reading thread fill its cache between bursts.
            Sleep(120);
        }
        step.tell = FileWinTell(stream);
        step.eof = FileWinEof(stream);
        steps.push_back(step);
    }
    return steps;
}

TEST(WindowsFileLayerThreads, EveryModeReadsTheSame) {
    const size_t kFileSizes[] = {0, 1, 131071, 131072, 131073, 1 << 20};
    for (size_t size : kFileSizes) {
        std::string bytes = PatternBytes(size, static_cast<uint32_t>(size));
        std::string name = "f" + std::to_string(size) + ".bin";
        testsupport::WriteFile(name, bytes);
        std::vector<Step> reference;
        for (const OpenMode& mode : kOpenModes) {
            SCOPED_TRACE(std::string(mode.name) + " size " + std::to_string(size));
            StreamHandle stream = OpenInMode(name.c_str(), mode);
            ASSERT_NE(stream, 0);
            std::vector<Step> steps =
                RunScript(stream, mode, 7 + static_cast<uint32_t>(size), size);
            EXPECT_EQ(FileWinClose(stream), 0);
            if (reference.empty()) {
                reference = steps;
                // The direct mode against the file itself.
                for (const Step& step : steps) {
                    if (step.bytes.empty()) continue;
                    ASSERT_LE(static_cast<size_t>(step.tell), size);
                    size_t start = static_cast<size_t>(step.tell) - step.bytes.size();
                    EXPECT_EQ(step.bytes, bytes.substr(start, step.bytes.size()));
                }
            } else {
                ASSERT_EQ(steps.size(), reference.size());
                for (size_t i = 0; i < steps.size(); ++i) {
                    ASSERT_EQ(steps[i], reference[i]) << "step " << i;
                }
            }
        }
    }
}

// The other modes follow the direct one step by step (EveryModeReadsTheSame).
TEST(WindowsFileLayer, ShortLastElementThenEnd) {
    testsupport::WriteFile("ten.bin", PatternBytes(14));
    StreamHandle stream = FileWinOpen("ten.bin", 0, 1, 0);
    ASSERT_NE(stream, 0);
    ASSERT_EQ(FileWinSeek(stream, 4, 0), 0);  // 10 bytes left
    std::string buffer(12, '\xEE');
    EXPECT_EQ(FileWinRead(buffer.data(), 4, 3, stream), 2u);
    EXPECT_EQ(buffer,
              PatternBytes(14).substr(4, 8) + "\xEE\xEE\xEE\xEE");  // partial element untouched
    EXPECT_EQ(FileWinTell(stream) * 10 + FileWinEof(stream), 120);
    EXPECT_EQ(FileWinRead(buffer.data(), 4, 3, stream), 0u);
    EXPECT_EQ(FileWinTell(stream) * 10 + FileWinEof(stream), 119);  // at 12, end flag -1
    EXPECT_EQ(FileWinSeek(stream, 0, 1), 0);                        // a seek clears it
    EXPECT_EQ(FileWinEof(stream), 0);
    FileWinClose(stream);
}

TEST(WindowsFileLayerThreads, SeeksBeyondEndAndBeforeStart) {
    testsupport::WriteFile("s.bin", PatternBytes(100));
    for (const OpenMode& mode : kOpenModes) {
        SCOPED_TRACE(mode.name);
        StreamHandle stream = OpenInMode("s.bin", mode);
        ASSERT_NE(stream, 0);
        ASSERT_EQ(FileWinSeek(stream, 50, 0), 0);
        // Before the start: refused, nothing changes.
        EXPECT_EQ(FileWinSeek(stream, -51, 1), -1);
        EXPECT_EQ(FileWinSeek(stream, -101, 2), -1);
        EXPECT_EQ(FileWinSeek(stream, -1, 0), -1);
        EXPECT_EQ(FileWinTell(stream), 50);
        // Past the end: allowed, a read there gives 0 and the end flag.
        EXPECT_EQ(FileWinSeek(stream, 1000, 2), 0);
        EXPECT_EQ(FileWinTell(stream), 1100);
        char byte = 0;
        EXPECT_EQ(FileWinRead(&byte, 1, 1, stream), 0u);
        EXPECT_EQ(FileWinEof(stream), -1);
        EXPECT_EQ(FileWinTell(stream), 1100);
        // An unknown origin means the start.
        EXPECT_EQ(FileWinSeek(stream, 5, 9), 0);
        EXPECT_EQ(FileWinTell(stream), 0);
        // Huge element counts do not wrap around.
        std::vector<char> buffer(100);
        EXPECT_EQ(FileWinRead(buffer.data(), SIZE_MAX / 2, 4, stream), 0u);
        EXPECT_EQ(FileWinRead(buffer.data(), 1, SIZE_MAX, stream), 100u);
        WaitIdle(stream);
        EXPECT_EQ(std::string(buffer.data(), 100), PatternBytes(100));
        FileWinClose(stream);
    }
}

TEST(WindowsFileLayerThreads, ThreadSeekIsOrderedBeforeTheNextCommand) {
    std::string bytes = PatternBytes(5000);
    testsupport::WriteFile("o.bin", bytes);
    StreamHandle stream = FileWinOpen("o.bin", 0, 0, 1);
    ASSERT_NE(stream, 0);
    KnobHoldReadFile(true);
    std::vector<char> first(100);
    EXPECT_EQ(FileWinRead(first.data(), 1, 100, stream), 100u);
    ASSERT_TRUE(KnobWaitForHeldReadFile(1));
    // The seek waits for the held read, then is handed over; it returns
    // before the thread has run it.
    std::thread seeker([&] { EXPECT_EQ(FileWinSeek(stream, 4000, 0), 0); });
    KnobHoldReadFile(false);
    seeker.join();
    EXPECT_EQ(FileWinTell(stream), 4000);
    std::vector<char> second(100);
    EXPECT_EQ(FileWinRead(second.data(), 1, 100, stream), 100u);
    EXPECT_EQ(WaitIdle(stream), 1);
    EXPECT_EQ(std::string(first.data(), 100), bytes.substr(0, 100));
    EXPECT_EQ(std::string(second.data(), 100), bytes.substr(4000, 100));
    FileWinClose(stream);
}

TEST(WindowsFileLayerThreads, AsynchronousReadReturnsAtOnce) {
    std::string bytes = PatternBytes(3000);
    testsupport::WriteFile("a.bin", bytes);
    StreamHandle stream = FileWinOpen("a.bin", 0, 0, 1);
    ASSERT_NE(stream, 0);
    EXPECT_EQ(FileWinIdleCheck(stream), 1);
    KnobHoldReadFile(true);
    std::vector<char> buffer(1000, '\x55');
    EXPECT_EQ(FileWinRead(buffer.data(), 10, 100, stream), 100u);
    EXPECT_EQ(FileWinIdleCheck(stream), 0);
    ASSERT_TRUE(KnobWaitForHeldReadFile(1));
    EXPECT_EQ(FileWinIdleCheck(stream), 0);
    EXPECT_EQ(FileWinTell(stream), 1000);  // the caller's position is ahead of the thread
    EXPECT_EQ(buffer[0], '\x55');
    KnobHoldReadFile(false);
    EXPECT_EQ(WaitIdle(stream), 1);
    EXPECT_EQ(std::string(buffer.data(), 1000), bytes.substr(0, 1000));
    FileWinClose(stream);
}

TEST(WindowsFileLayerThreads, AsynchronousShortReadZeroFillsAndEnds) {
    // The file shrinks after the open: the promised bytes past the new end
    // read as zero and the stream reports its end.
    testsupport::WriteFile("shrink.bin", PatternBytes(1000));
    StreamHandle stream = FileWinOpen("shrink.bin", 0, 0, 1);
    ASSERT_NE(stream, 0);
    testsupport::WriteFile("shrink.bin", PatternBytes(10));
    std::vector<char> buffer(100, '\x55');
    EXPECT_EQ(FileWinRead(buffer.data(), 1, 100, stream), 100u);
    EXPECT_EQ(WaitIdle(stream), 1);
    EXPECT_EQ(std::string(buffer.data(), 10), PatternBytes(10));
    EXPECT_EQ(std::string(buffer.data() + 10, 90), std::string(90, '\0'));
    EXPECT_EQ(FileWinEof(stream), -1);
    FileWinClose(stream);

    // The synchronous modes report what they really read.
    testsupport::WriteFile("shrink.bin", PatternBytes(1000));
    for (int cache = 0; cache < 2; ++cache) {
        stream = FileWinOpen("shrink.bin", cache, 0, 0);
        ASSERT_NE(stream, 0);
        testsupport::WriteFile("shrink.bin", PatternBytes(10));
        EXPECT_EQ(FileWinRead(buffer.data(), 4, 25, stream), 2u);
        EXPECT_EQ(FileWinTell(stream), 10);
        EXPECT_EQ(FileWinEof(stream), -1);
        FileWinClose(stream);
        testsupport::WriteFile("shrink.bin", PatternBytes(1000));
    }
}

TEST(WindowsFileLayerThreads, CacheReadsAheadWhileIdle) {
    std::string bytes = PatternBytes(100000);
    testsupport::WriteFile("c.bin", bytes);
    KnobResetReadFileCallCount();
    StreamHandle stream = FileWinOpen("c.bin", 1, 0, 0);
    ASSERT_NE(stream, 0);
    // The reading thread fills its cache after 100 ms without a command.
    ASSERT_TRUE(testsupport::WaitUntil([] { return KnobReadFileCallCount() != 0; },
                                       testsupport::kWaitLimit, "the cache's read ahead"));
    EXPECT_EQ(KnobReadFileCallCount(), 1);
    std::string read;
    std::vector<char> chunk(4096);
    size_t n;
    while ((n = FileWinRead(chunk.data(), 1, chunk.size(), stream)) > 0) {
        read.append(chunk.data(), n);
    }
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(FileWinEof(stream), -1);
    EXPECT_EQ(KnobReadFileCallCount(), 1);  // every byte came from the cache
    FileWinClose(stream);
}

TEST(WindowsFileLayerThreads, CacheHoldsAtMostOneBlock) {
    testsupport::WriteFile("big.bin", PatternBytes(1 << 20));
    KnobResetReadFileCallCount();
    StreamHandle stream = FileWinOpen("big.bin", 1, 0, 0);
    ASSERT_NE(stream, 0);
    ASSERT_TRUE(testsupport::WaitUntil([] { return KnobReadFileCallCount() != 0; },
                                       testsupport::kWaitLimit, "the cache's read ahead"));
    // A full cache is not topped up again; one more idle period proves it.
    Sleep(250);
    EXPECT_EQ(KnobReadFileCallCount(), 1);
    std::vector<char> chunk(kFileWinCacheSize);
    EXPECT_EQ(FileWinRead(chunk.data(), 1, chunk.size(), stream), chunk.size());
    EXPECT_EQ(std::string(chunk.data(), chunk.size()),
              PatternBytes(1 << 20).substr(0, chunk.size()));
    FileWinClose(stream);
}

TEST(WindowsFileLayerThreads, ThreadModeLeavesNothingBehind) {
    testsupport::WriteFile("t.bin", PatternBytes(300));
    int threads = CountThreads();
    int blocks = MemGetCount();
    for (int i = 0; i < 1000; ++i) {
        StreamHandle stream = FileWinOpen("t.bin", i & 1, 0, (i & 2) != 0 || !(i & 1));
        ASSERT_NE(stream, 0);
        char buffer[64];
        if (i % 7 == 0) FileWinRead(buffer, 1, sizeof buffer, stream);
        FileWinClose(stream);
    }
    EXPECT_EQ(MemGetCount(), blocks);
    EXPECT_EQ(FileWinOpenCount(), 0);
    // A detached thread is gone from the task list shortly after it ends.
    testsupport::WaitUntil([&] { return CountThreads() <= threads; }, testsupport::kWaitLimit,
                           "the detached threads gone", testsupport::PollStep::kYield);
    EXPECT_EQ(CountThreads(), threads);
}

TEST(WindowsFileLayer, MissingFilesAndBadHandles) {
    int blocks = MemGetCount();
    for (const OpenMode& mode : kOpenModes) {
        EXPECT_EQ(OpenInMode("missing.bin", mode), 0) << mode.name;
        EXPECT_EQ(OpenInMode("", mode), 0) << mode.name;
    }
    EXPECT_EQ(FileWinOpen(nullptr, 0, 0, 0), 0);
    // A path that does not fit the record's 260 bytes is refused, not cut.
    std::string longName(300, 'a');
    EXPECT_EQ(FileWinOpen(longName.c_str(), 0, 0, 0), 0);
    EXPECT_EQ(MemGetCount(), blocks);

    char buffer[8];
    int local = 0;
    for (StreamHandle bad : {StreamHandle{0}, reinterpret_cast<StreamHandle>(&local)}) {
        EXPECT_EQ(FileWinClose(bad), -1);
        EXPECT_EQ(FileWinTell(bad), -1);
        EXPECT_EQ(FileWinSeek(bad, 0, 0), -1);
        EXPECT_EQ(FileWinRead(buffer, 1, 8, bad), 0u);
        EXPECT_EQ(FileWinEof(bad), -1);
        EXPECT_EQ(FileWinIdleCheck(bad), -1);
    }
    // A closed stream is stale.
    testsupport::WriteFile("x.bin", "x");
    StreamHandle stream = FileWinOpen("x.bin", 0, 0, 0);
    ASSERT_NE(stream, 0);
    EXPECT_EQ(FileWinClose(stream), 0);
    EXPECT_EQ(FileWinClose(stream), -1);
    EXPECT_EQ(FileWinRead(buffer, 1, 1, stream), 0u);
}

TEST(WindowsFileLayer, DirectoriesAreNotReadAsFiles) {
    mkdir("dir", 0755);
    for (const OpenMode& mode : kOpenModes) {
        StreamHandle stream = OpenInMode("dir", mode);
        if (stream != 0) {
            char buffer[4];
            EXPECT_EQ(FileWinRead(buffer, 1, 4, stream), 0u) << mode.name;
            FileWinClose(stream);
        }
    }
}

TEST(WindowsFileLayer, CurrentDirectory) {
    char start[MAX_PATH];
    ASSERT_EQ(FileWinGetDir(start), 0);
    EXPECT_EQ(start[1], ':');
    mkdir("sub", 0755);
    EXPECT_EQ(FileWinChDir("sub"), 0);
    char now[MAX_PATH];
    ASSERT_EQ(FileWinGetDir(now), 0);
    EXPECT_EQ(std::string(now), std::string(start) + "\\sub");
    EXPECT_EQ(FileWinChDir("no-such-directory"), -1);
    EXPECT_EQ(FileWinChDir(nullptr), -1);
    EXPECT_EQ(FileWinGetDir(nullptr), -1);
    EXPECT_EQ(FileWinChDir(start), 0);
}

}  // namespace
}  // namespace DuRud
