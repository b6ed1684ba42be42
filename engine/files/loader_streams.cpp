// Loader streams: the file interface over the file-access table and the
// memory-image interface over a MemoryImageStream.
#include "files/loader_streams.h"
#include "files/seek_target.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

#include "core/tracked_memory.h"

namespace DuRud {
namespace {

// --- over the file-access table ----------------------------------------------
int32_t fileTell(StreamHandle stream) {
    return TellStream(stream);
}
int fileSeek(StreamHandle stream, int32_t offset, int origin) {
    return SeekStream(stream, offset, origin);
}
size_t fileRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream) {
    return ReadStream(buffer, elementSize, count, stream);
}
int fileEof(StreamHandle stream) {
    return CheckStreamEof(stream);
}
int fileIdleCheck(StreamHandle stream) {
    return CheckStreamIdle(stream);
}
int fileClose(StreamHandle stream) {
    return CloseStream(stream);
}

const StreamInterface kFileInterface = {fileTell, fileSeek,      fileRead,
                                        fileEof,  fileIdleCheck, fileClose};

// --- over memory -----------------------------------------------------------------
// Live memory streams, so that a stale or made-up handle is refused.
struct LiveStreams {
    std::mutex lock;
    std::unordered_set<MemoryImageStream*> streams;
};

LiveStreams& liveStreams() {
    static LiveStreams* live = new LiveStreams;
    return *live;
}

MemoryImageStream* memoryOf(StreamHandle stream) {
    auto* memory = reinterpret_cast<MemoryImageStream*>(stream);
    if (memory == nullptr) return nullptr;
    LiveStreams& live = liveStreams();
    std::lock_guard<std::mutex> guard(live.lock);
    return live.streams.count(memory) != 0 ? memory : nullptr;
}

int32_t memoryTell(StreamHandle stream) {
    MemoryImageStream* memory = memoryOf(stream);
    return memory != nullptr ? static_cast<int32_t>(memory->position) : -1;
}

int memorySeek(StreamHandle stream, int32_t offset, int origin) {
    MemoryImageStream* memory = memoryOf(stream);
    if (memory == nullptr) return -1;
    int64_t target = SeekTarget(origin, offset, memory->position, memory->size);
    if (target < 0) target = 0;
    if (target > memory->size) target = memory->size;
    memory->position = static_cast<uint32_t>(target);
    memory->eof = 0;
    return 0;
}

size_t memoryRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream) {
    MemoryImageStream* memory = memoryOf(stream);
    if (memory == nullptr) return 0;
    if (memory->position >= memory->size) {
        memory->eof = 1;
        return 0;
    }
    // Nothing asked: nothing copied (a zero-size request has no room for a byte).
    if (elementSize == 0 || count == 0 || buffer == nullptr) return 0;
    const auto* from = static_cast<const unsigned char*>(memory->data) + memory->position;
    uint32_t left = memory->size - memory->position;
    size_t n = count;
    if (elementSize > left || count > left / elementSize) n = left / elementSize;
    memory->eof = 0;
    if (n != 0) {
        std::memcpy(buffer, from, n * elementSize);
        memory->position += static_cast<uint32_t>(n * elementSize);
        return n;
    }
    // Less than one element left: the remaining bytes count as one.
    std::memcpy(buffer, from, left);
    memory->position = memory->size;
    return 1;
}

int memoryEof(StreamHandle stream) {
    MemoryImageStream* memory = memoryOf(stream);
    return memory != nullptr ? memory->eof : -1;
}

int memoryIdleCheck(StreamHandle stream) {
    return memoryOf(stream) != nullptr ? 1 : -1;
}

const StreamInterface kMemoryInterface = {memoryTell, memorySeek,      memoryRead,
                                          memoryEof,  memoryIdleCheck, CloseMemoryImageStream};

}  // namespace

StreamHandle OpenMemoryImageStream(const void* data, uint32_t size) {
    if (data == nullptr && size != 0) return 0;
    auto* memory = static_cast<MemoryImageStream*>(
        TrackedCalloc(sizeof(MemoryImageStream), __FILE__, __LINE__));
    if (memory == nullptr) return 0;
    memory->data = data;
    memory->size = size;
    LiveStreams& live = liveStreams();
    std::lock_guard<std::mutex> guard(live.lock);
    live.streams.insert(memory);
    return reinterpret_cast<StreamHandle>(memory);
}

int CloseMemoryImageStream(StreamHandle stream) {
    auto* memory = reinterpret_cast<MemoryImageStream*>(stream);
    {
        LiveStreams& live = liveStreams();
        std::lock_guard<std::mutex> guard(live.lock);
        if (memory == nullptr || live.streams.erase(memory) == 0) return -1;
    }
    TrackedFree(memory);
    return 0;
}

const StreamInterface* GetFileStreamInterface() {
    return &kFileInterface;
}

const StreamInterface* GetMemoryImageStreamInterface() {
    return &kMemoryInterface;
}

}  // namespace DuRud
