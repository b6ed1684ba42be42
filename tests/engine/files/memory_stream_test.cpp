// The memory-image stream: the worked examples, clamped seeks, requests of
// nothing and stale handles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/tracked_memory.h"
#include "files/loader_streams.h"

namespace DuRud {
namespace {

TEST(MemoryImageStream, ShortLastElementThenEnd) {
    const char data[] = "0123456789ABCDEFGHIJ";  // 20 bytes used
    const StreamInterface* memory = GetMemoryImageStreamInterface();
    StreamHandle stream = OpenMemoryImageStream(data, 20);
    ASSERT_NE(stream, 0);
    ASSERT_EQ(memory->Seek(stream, 11, 0), 0);  // 9 bytes left
    char buffer[40];
    std::memset(buffer, '.', sizeof buffer);
    EXPECT_EQ(memory->Read(buffer, 4, 10, stream), 2u);
    EXPECT_EQ(std::string(buffer, 9), "BCDEFGHI.");
    EXPECT_EQ(memory->Eof(stream), 0);
    std::memset(buffer, '.', sizeof buffer);
    EXPECT_EQ(memory->Read(buffer, 4, 10, stream), 1u);  // the last byte, as one element
    EXPECT_EQ(std::string(buffer, 2), "J.");
    EXPECT_EQ(memory->Tell(stream), 20);
    EXPECT_EQ(memory->Eof(stream), 0);
    EXPECT_EQ(memory->Read(buffer, 4, 10, stream), 0u);
    EXPECT_EQ(memory->Eof(stream), 1);
    EXPECT_EQ(memory->IdleCheck(stream), 1);
    EXPECT_EQ(memory->Close(stream), 0);
}

TEST(MemoryImageStream, SeeksClampAndClearTheEnd) {
    const char data[] = "abcdefghij";
    const StreamInterface* memory = GetMemoryImageStreamInterface();
    StreamHandle stream = OpenMemoryImageStream(data, 10);
    ASSERT_NE(stream, 0);
    char buffer[16];
    EXPECT_EQ(memory->Read(buffer, 1, 16, stream), 10u);
    EXPECT_EQ(memory->Read(buffer, 1, 1, stream), 0u);
    EXPECT_EQ(memory->Eof(stream), 1);
    EXPECT_EQ(memory->Seek(stream, -3, 1), 0);
    EXPECT_EQ(memory->Eof(stream), 0);
    EXPECT_EQ(memory->Tell(stream), 7);
    EXPECT_EQ(memory->Seek(stream, 100, 0), 0);
    EXPECT_EQ(memory->Tell(stream), 10);
    EXPECT_EQ(memory->Seek(stream, -100, 2), 0);
    EXPECT_EQ(memory->Tell(stream), 0);
    EXPECT_EQ(memory->Seek(stream, INT32_MIN, 1), 0);
    EXPECT_EQ(memory->Tell(stream), 0);
    EXPECT_EQ(memory->Seek(stream, 4, 1), 0);
    EXPECT_EQ(memory->Seek(stream, 4, 7), 0);  // unknown origin: the start
    EXPECT_EQ(memory->Tell(stream), 0);
    EXPECT_EQ(CloseMemoryImageStream(stream), 0);
}

TEST(MemoryImageStream, RequestsOfNothingCopyNothing) {
    const char data[] = "abc";
    const StreamInterface* memory = GetMemoryImageStreamInterface();
    StreamHandle stream = OpenMemoryImageStream(data, 3);
    ASSERT_NE(stream, 0);
    char guard = '#';
    EXPECT_EQ(memory->Read(&guard, 1, 0, stream), 0u);
    EXPECT_EQ(memory->Read(&guard, 0, 5, stream), 0u);
    EXPECT_EQ(guard, '#');
    EXPECT_EQ(memory->Tell(stream), 0);
    EXPECT_EQ(memory->Eof(stream), 0);
    // Huge counts do not wrap.
    char buffer[3];
    EXPECT_EQ(memory->Read(buffer, SIZE_MAX / 2, 3, stream), 1u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(memory->Close(stream), 0);

    // An empty image is at its end at once.
    stream = OpenMemoryImageStream(nullptr, 0);
    ASSERT_NE(stream, 0);
    EXPECT_EQ(memory->Read(buffer, 1, 1, stream), 0u);
    EXPECT_EQ(memory->Eof(stream), 1);
    EXPECT_EQ(memory->Close(stream), 0);
    EXPECT_EQ(OpenMemoryImageStream(nullptr, 5), 0);
}

TEST(MemoryImageStream, StaleAndMadeUpHandlesAreRefused) {
    int blocks = MemGetCount();
    const char data[] = "abc";
    const StreamInterface* memory = GetMemoryImageStreamInterface();
    StreamHandle stream = OpenMemoryImageStream(data, 3);
    ASSERT_NE(stream, 0);
    EXPECT_EQ(MemGetCount(), blocks + 1);
    EXPECT_EQ(CloseMemoryImageStream(stream), 0);
    EXPECT_EQ(MemGetCount(), blocks);
    int local = 0;
    char buffer[4];
    for (StreamHandle bad : {stream, StreamHandle{0}, reinterpret_cast<StreamHandle>(&local)}) {
        EXPECT_EQ(memory->Tell(bad), -1);
        EXPECT_EQ(memory->Seek(bad, 0, 0), -1);
        EXPECT_EQ(memory->Read(buffer, 1, 1, bad), 0u);
        EXPECT_EQ(memory->Eof(bad), -1);
        EXPECT_EQ(memory->IdleCheck(bad), -1);
        EXPECT_EQ(memory->Close(bad), -1);
    }
}

}  // namespace
}  // namespace DuRud
