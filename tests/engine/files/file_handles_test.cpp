// File handles: synchronous and queued opens, the line reader over every
// awkward line ending, and deletions while a queued open waits or runs.
#include "files/file_handles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "file_test_support.h"
#include "files/loader_streams.h"
#include "support/test_support.h"

namespace DuRud {
namespace {

class FileHandles : public testing::Test {
  protected:
    void SetUp() override {
        blocks_ = MemGetCount();
        SetStreamFunctionTable(nullptr);
    }
    void TearDown() override {
        if (loaderStarted_) {
            AsyncLoadStopThreads();
            AsyncLoadTerm();
        }
        EndFileHandles();
        SetStreamFunctionTable(nullptr);
        EXPECT_EQ(MemGetCount(), blocks_);
    }
    void StartLoader(int workers) {
        ASSERT_EQ(AsyncLoadInit(GetCurrentThreadId()), 0);
        loaderStarted_ = true;
        if (workers > 0) {
            ASSERT_EQ(AsyncLoadStartThreads(workers + 1), 0);
        }
    }
    // Serves the loader until the handle's open is no longer pending.
    static int Settle(Handle handle) {
        int pending = 1;
        testsupport::WaitUntil(
            [&] {
                if ((pending = IsHandleAsyncPending(handle)) != 1) return true;
                ServeMainThreadRequests();
                return false;
            },
            testsupport::kWaitLimit, "the handle's load settled", testsupport::PollStep::kYield);
        return pending;
    }
    static std::vector<std::string> ReadAll(Handle handle, int size) {
        std::vector<std::string> lines;
        std::vector<char> buffer(static_cast<size_t>(size) + 8, '\x7F');
        for (int calls = 0; calls < 10000; ++calls) {
            int n = ReadFileHandleLine(buffer.data(), size, handle);
            if (n == -1) return lines;
            EXPECT_GE(n, 0);
            EXPECT_LT(n, size);
            EXPECT_EQ(buffer[static_cast<size_t>(n)], '\0');
            lines.emplace_back(buffer.data(), static_cast<size_t>(n));
        }
        ADD_FAILURE() << "the line reader never reached the end";
        return lines;
    }

    int blocks_ = 0;
    bool loaderStarted_ = false;
};

struct LineCase {
    const char* name;
    std::string content;
    int size;
    std::vector<std::string> lines;
};

const std::vector<LineCase>& LineCases() {
    static const std::vector<LineCase> cases = {
        {"crlf", "ab\r\ncd\r\n", 16, {"ab", "cd"}},
        {"lone lf stays", "ab\ncd\r\n", 16, {"ab\ncd"}},
        {"last line without crlf", "ab\r\ncd", 16, {"ab", "cd"}},
        {"empty lines", "\r\n\r\nx", 16, {"", "", "x"}},
        {"cr last byte read", "ab\r\ncd", 4, {"ab\r", "\ncd"}},
        {"long line continues", "abcdefg\r\nh", 4, {"abc", "def", "g", "h"}},
        {"lead byte last in buffer",
         "ab\x88\x9F"
         "c",
         4,
         {"ab",
          "\x88\x9F"
          "c"}},
        {"trail byte 0x5c", "\x95\x5C\r\nx\x95\x5C", 16, {"\x95\x5C", "x\x95\x5C"}},
        {"lead byte swallows the cr", "\x88\r\n", 16, {"\x88\r\n"}},
        {"nul ends the line, rest skipped", std::string("ab\0cd\r\nef", 9), 16, {"ab"}},
        {"nul at the start", std::string("\0ab", 3), 16, {""}},
        {"file ends in a lone lead byte", "ab\r\n\x88", 16, {"ab", "\x88"}},
        {"lone lead byte, buffer of 2", "a\x88", 2, {"a", "\x88"}},
        {"pairs, buffer of 2", "\x88\x9F\r\n", 2, {"\x88", "\x9F", "\r", "\n"}},
        {"pair, buffer of 3", "\x88\x9Fz", 3, {"\x88\x9F", "z"}},
        {"empty file", "", 16, {}},
    };
    return cases;
}

TEST_F(FileHandles, LinesByTable) {
    for (const LineCase& c : LineCases()) {
        SCOPED_TRACE(c.name);
        testsupport::WriteFile("lines.txt", c.content);
        Handle handle = OpenFileHandleEx("lines.txt", 0, 0);
        ASSERT_GT(handle, 0);
        EXPECT_EQ(ReadAll(handle, c.size), c.lines);
        char buffer[4];
        EXPECT_EQ(ReadFileHandleLine(buffer, 4, handle), -1);  // and stays at the end
        EXPECT_EQ(DeleteTypedHandle(handle), 0);
    }
}

using FileHandlesThreads = FileHandles;

TEST_F(FileHandlesThreads, EveryBufferSizeReachesTheEnd) {
    // Whatever the bytes and the buffer, every call moves on and the end is -1.
    // Each content once: the table's, a hostile mix and 3000 patterned bytes.
    std::vector<std::string> contents;
    for (const LineCase& c : LineCases()) contents.push_back(c.content);
    contents.push_back(std::string("a\r\n\x88\x9F\r\r\n\x95\x5C\n\0\x88", 13) + "\xFF\x88");
    contents.push_back(PatternBytes(3000));
    for (const std::string& content : contents) {
        testsupport::WriteFile("any.txt", content);
        for (int size : {2, 3, 4, 16}) {
            std::vector<std::string> lines[2];  // read directly, then asynchronously
            for (int asyncRead = 0; asyncRead < 2; ++asyncRead) {
                Handle handle = OpenFileHandleEx("any.txt", asyncRead, 0);
                ASSERT_GT(handle, 0);
                lines[asyncRead] = ReadAll(handle, size);
                DeleteTypedHandle(handle);
            }
            EXPECT_LE(lines[0].size(), content.size());
            EXPECT_EQ(lines[1], lines[0]) << size;
        }
    }
}

TEST_F(FileHandles, RefusalsAndBadHandles) {
    EXPECT_EQ(OpenFileHandleEx("missing.txt", 0, 0), 0);
    EXPECT_EQ(OpenFileHandle(nullptr, 0), 0);
    EXPECT_EQ(InitFileHandles(), -1);  // the first open registered the type
    testsupport::WriteFile("x.txt", "x\r\n");
    Handle handle = OpenFileHandle("x.txt", 0);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(HandleTypeOf(handle), HandleTypeFile);
    char buffer[8];
    EXPECT_EQ(ReadFileHandleLine(nullptr, 8, handle), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, 1, handle), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, 0, handle), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, -5, handle), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, -1), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, 12345), -1);
    // A handle of another type with a live slot of the same number is refused.
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, (handle & 0x03FFFFFF) | (HandleTypeGraphic << 26)), -1);
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, handle), 1);
    EXPECT_EQ(DeleteTypedHandle(handle), 0);
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, handle), -1);
    EXPECT_EQ(DeleteTypedHandle(handle), -1);
    EXPECT_EQ(FileWinOpenCount(), 0);
}

TEST_F(FileHandlesThreads, EndingTheTypeClosesOpenStreams) {
    testsupport::WriteFile("x.txt", "x");
    for (int i = 0; i < 5; ++i) ASSERT_GT(OpenFileHandleEx("x.txt", i & 1, 0), 0);
    EXPECT_EQ(FileWinOpenCount(), 5);
    EXPECT_EQ(EndFileHandles(), 0);
    EXPECT_EQ(FileWinOpenCount(), 0);
    EXPECT_EQ(EndFileHandles(), -1);
}

TEST_F(FileHandlesThreads, QueuedOpensReadLines) {
    StartLoader(2);
    testsupport::WriteFile("q.txt", "one\r\ntwo");
    std::vector<Handle> handles;
    for (int i = 0; i < 20; ++i) {
        Handle handle = OpenFileHandleEx("q.txt", i & 1, 1);
        ASSERT_GT(handle, 0);
        handles.push_back(handle);
    }
    // While pending the handle is refused.
    for (Handle handle : handles) {
        ASSERT_EQ(Settle(handle), 0);
        EXPECT_EQ(ReadAll(handle, 16), (std::vector<std::string>{"one", "two"}));
        DeleteTypedHandle(handle);
    }
    // The queued open resolved the path against the directory of the call.
    mkdir("elsewhere", 0755);
    Handle handle = OpenFileHandleEx("q.txt", 0, 1);
    ASSERT_GT(handle, 0);
    SetCurrentDirectoryA("elsewhere");
    ASSERT_EQ(Settle(handle), 0);
    SetCurrentDirectoryA("..");
    EXPECT_EQ(ReadAll(handle, 16).size(), 2u);
    DeleteTypedHandle(handle);
}

TEST_F(FileHandlesThreads, QueuedOpenOfAMissingFileLeavesAnInvalidHandle) {
    StartLoader(1);
    Handle handle = OpenFileHandleEx("missing.txt", 0, 1);
    ASSERT_GT(handle, 0);
    // The worker ends the load, then deletes the handle.
    testsupport::WaitUntil([&] { return Settle(handle) == -1; }, testsupport::kWaitLimit,
                           "the failed load's handle deleted", testsupport::PollStep::kYield);
    char buffer[8];
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, handle), -1);
    EXPECT_EQ(DeleteTypedHandle(handle), -1);
}

TEST_F(FileHandles, QueueingWithoutALoaderFailsCleanly) {
    testsupport::WriteFile("x.txt", "x");
    EXPECT_EQ(OpenFileHandleEx("x.txt", 0, 1), 0);
    // A path too long to resolve is refused before anything is queued.
    StartLoader(0);
    std::string longName(300, 'n');
    EXPECT_EQ(OpenFileHandleEx(longName.c_str(), 0, 1), 0);
}

TEST_F(FileHandles, DeletingAWaitingOpenDropsIt) {
    StartLoader(0);  // no workers: the request stays queued
    testsupport::WriteFile("x.txt", "x");
    SetUseAsyncLoad(1);  // the public open follows the engine's setting
    Handle handle = OpenFileHandle("x.txt", 0);
    SetUseAsyncLoad(0);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(IsHandleAsyncPending(handle), 1);
    char buffer[8];
    EXPECT_EQ(ReadFileHandleLine(buffer, 8, handle), -1);  // still pending
    EXPECT_EQ(AsyncRequestCount(), 1);
    EXPECT_EQ(DeleteTypedHandle(handle), 0);
    EXPECT_EQ(AsyncRequestCount(), 0);
    EXPECT_EQ(IsHandleAsyncPending(handle), -1);
}

// An open that blocks until the test lets it go, so a deletion meets it running.
HANDLE g_entered = nullptr;
HANDLE g_release = nullptr;
StreamHandle GatedOpen(const char* path, int cache, int blockRead, int asyncRead) {
    SetEvent(g_entered);
    WaitForSingleObject(g_release, INFINITE);
    return FileWinOpen(path, cache, blockRead, asyncRead);
}

TEST_F(FileHandlesThreads, DeletingARunningOpenWaitsForIt) {
    g_entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    StreamFunctionTable gated = PlainStreamFunctionSet();
    gated.Open = GatedOpen;
    SetStreamFunctionTable(&gated);
    StartLoader(1);
    testsupport::WriteFile("x.txt", "x");
    for (int missing = 0; missing < 2; ++missing) {
        ResetEvent(g_entered);
        ResetEvent(g_release);
        Handle handle = OpenFileHandleEx(missing ? "missing.txt" : "x.txt", missing, 1);
        ASSERT_GT(handle, 0);
        ASSERT_EQ(WaitForSingleObject(g_entered, INFINITE), WAIT_OBJECT_0);
        // A failed open deletes its handle in the worker, which may come first.
        std::thread deleter([&] {
            int result = DeleteTypedHandle(handle);
            EXPECT_TRUE(result == 0 || (missing && result == -1)) << result;
        });
        SetEvent(g_release);
        deleter.join();
        EXPECT_EQ(IsHandleAsyncPending(handle), -1);
    }
    EXPECT_EQ(FileWinOpenCount(), 0);
    SetStreamFunctionTable(nullptr);
    CloseHandle(g_entered);
    CloseHandle(g_release);
}

}  // namespace
}  // namespace DuRud
