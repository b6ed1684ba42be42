// Tracked allocations on the process heap: a doubly linked live list ending
// in a sentinel, header check copies refreshed on every link change, optional
// tracing and checking, and the dump of live blocks. One recursive lock
// serialises everything (failure paths log while holding it, and the log may
// allocate through here).
#include "core/tracked_memory.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <windows.h>

#include "core/log.h"
#include "core/text_literals.h"
#include "core/threads_and_locks.h"

namespace DuRud {
namespace {

struct MemoryState {
    std::once_flag lockOnce;
    TracedLock lock;
    TrackedBlockHeader* head = nullptr;
    // The sentinel: a zero-size block (header and trailer) that ends the list.
    alignas(16) unsigned char sentinel[kTrackedOverhead] = {};
    uint16_t counter = 0;
    uint32_t totalSize = 0;
    int32_t count = 0;
    int traceAll = 0;
    int traceSize = 0;
    int printTotals = 0;
    int checkAll = 0;
};

MemoryState& Memory() {
    static MemoryState state;
    return state;
}

TrackedBlockHeader* Sentinel() {
    return reinterpret_cast<TrackedBlockHeader*>(Memory().sentinel);
}

// Takes the module lock, creating it on first use.
class MemoryLock {
  public:
    MemoryLock() {
        MemoryState& m = Memory();
        std::call_once(m.lockOnce, [&m] { InitLock(&m.lock); });
        LockWithSource(&m.lock, __FILE__, __LINE__);
    }
    ~MemoryLock() { LeaveLock(&Memory().lock); }
    MemoryLock(const MemoryLock&) = delete;
    MemoryLock& operator=(const MemoryLock&) = delete;
};

unsigned char* TrailerOf(TrackedBlockHeader* h) {
    return reinterpret_cast<unsigned char*>(h) + kTrackedHeaderSize + h->size;
}

void* UserOf(TrackedBlockHeader* h) {
    return reinterpret_cast<unsigned char*>(h) + kTrackedHeaderSize;
}

// Copies the linked fields into the check copy and the trailer.
void RefreshCopies(TrackedBlockHeader* h) {
    if (!h) return;
    std::memcpy(h->check, h, kTrackedLinkBytes);
    std::memcpy(TrailerOf(h), h, kTrackedLinkBytes);
}

void StoreSource(TrackedBlockHeader* h, const char* file, int line) {
    std::memset(h->file, 0xA5, sizeof(h->file));
    if (file) {
        const size_t len = std::strlen(file);
        const size_t keep = len > 15 ? 15 : len;
        std::memcpy(h->file, file + (len - keep), keep);
        h->file[keep] = 0;
    } else {
        h->file[0] = 0;
    }
    h->line = static_cast<uint16_t>(line);
    h->id = Memory().counter++;
}

bool Traced(uint32_t size) {
    const MemoryState& m = Memory();
    return m.traceSize < 0 || static_cast<uint32_t>(m.traceSize) == size || m.traceAll == 1;
}

void AfterOperation() {
    if (Memory().printTotals == 1) MemPrintTotals();
}

// "%02x" values in groups of four; four blanks after every sixteenth.
void FormatHeadLine(char* out, size_t outSize, const char* title, const unsigned char* bytes) {
    size_t pos = static_cast<size_t>(std::snprintf(out, outSize, "%s", title));
    for (size_t i = 0; i < kTrackedLinkBytes && pos < outSize; ++i) {
        const char* gap = "";
        if (i > 0) gap = (i % 16 == 0) ? "    " : (i % 4 == 0) ? "  " : " ";
        pos +=
            static_cast<size_t>(std::snprintf(out + pos, outSize - pos, "%s%02x", gap, bytes[i]));
    }
}

SIZE_T HeapBlockSize(void* block) {
    return HeapSize(GetProcessHeap(), 0, block);
}

}  // namespace

namespace {

// heapFlags HEAP_ZERO_MEMORY: the heap hands over zeroed bytes (a fresh
// mapping already is, so large blocks are not written twice).
void* AllocateTracked(uint32_t size, const char* file, int line, DWORD heapFlags) {
    // The heap serialises itself: its zeroing does not hold up other threads'
    // allocations.
    auto* h = static_cast<TrackedBlockHeader*>(
        HeapAlloc(GetProcessHeap(), heapFlags, static_cast<SIZE_T>(size) + kTrackedOverhead));
    MemoryLock guard;
    MemoryState& m = Memory();
    if (!h) {
        MemDumpAll();
        MemCheckAll();
        return nullptr;
    }
    h->size = size;
    StoreSource(h, file, line);
    if (!m.head) m.head = Sentinel();
    m.head->prev = h;
    h->next = m.head;
    m.head = h;
    h->prev = nullptr;
    RefreshCopies(h);
    RefreshCopies(h->next);
    m.totalSize += size;
    m.count += 1;
    if (Traced(size)) {
        LogWrite("mem alloc  ");
        MemPrintBlock(h, 1);
    }
    AfterOperation();
    if (m.checkAll == 1) MemCheckAll();
    return UserOf(h);
}

}  // namespace

void* TrackedAlloc(uint32_t size, const char* file, int line) {
    return AllocateTracked(size, file, line, 0);
}

void* TrackedCalloc(uint32_t size, const char* file, int line) {
    return AllocateTracked(size, file, line, HEAP_ZERO_MEMORY);
}

void* TrackedRealloc(void* user, uint32_t size, const char* file, int line) {
    MemoryLock guard;
    if (!user) return TrackedAlloc(size, file, line);
    MemoryState& m = Memory();
    TrackedBlockHeader* h = TrackedHeaderOf(user);
    const bool wasHead = (m.head == h);
    const uint32_t oldSize = h->size;
    if (oldSize != size) {
        auto* moved = static_cast<TrackedBlockHeader*>(HeapReAlloc(
            GetProcessHeap(), HEAP_ZERO_MEMORY, h, static_cast<SIZE_T>(size) + kTrackedOverhead));
        if (!moved) {
            MemDumpAll();
            return nullptr;
        }
        h = moved;
        // The old trailer now lies inside the user bytes: added bytes read zero.
        if (size > oldSize) {
            const uint32_t grown = size - oldSize;
            std::memset(static_cast<unsigned char*>(UserOf(h)) + oldSize, 0,
                        grown < kTrackedTrailerSize ? grown : kTrackedTrailerSize);
        }
    }
    StoreSource(h, file, line);
    h->next->prev = h;
    if (h->prev) h->prev->next = h;
    if (wasHead) m.head = h;
    m.totalSize -= oldSize;
    h->size = size;
    m.totalSize += size;
    RefreshCopies(h);
    RefreshCopies(h->next);
    RefreshCopies(h->prev);
    if (Traced(size)) {
        LogWrite("mem realloc  ");
        MemPrintBlock(h, 1);
    }
    AfterOperation();
    if (m.checkAll == 1) MemCheckAll();
    return UserOf(h);
}

void TrackedFree(void* user) {
    if (!user) return;
    MemoryLock guard;
    MemoryState& m = Memory();
    TrackedBlockHeader* h = TrackedHeaderOf(user);
    if (m.checkAll == 1)
        MemCheckAll();
    else
        MemCheckBlock(h);
    m.totalSize -= h->size;
    m.count -= 1;
    if (h->next) h->next->prev = h->prev;
    if (h->prev) h->prev->next = h->next;
    if (m.head == h) m.head = h->next;
    RefreshCopies(h->prev);
    RefreshCopies(h->next);
    if (Traced(h->size)) {
        LogWrite("mem free  ");
        MemPrintBlock(h, 1);
    }
    AfterOperation();
    HeapFree(GetProcessHeap(), 0, h);
}

int MemCheckBlock(TrackedBlockHeader* h) {
    MemoryLock guard;
    const SIZE_T blockSize = HeapBlockSize(h);
    if (blockSize == static_cast<SIZE_T>(-1) || blockSize < kTrackedOverhead) {
        // Not a block of the heap (a made-up or already freed pointer): its
        // header cannot be read, let alone trusted.
        LogWrite(Cp932Text("以下のメモリ確保情報が破損しました、強制終了します\n"));
        LogFormatLine("HEAD  BASE:(addr:%08" PRIxPTR " is not a tracked block)",
                      reinterpret_cast<uintptr_t>(UserOf(h)));
        ExitProcess(static_cast<UINT>(-1));
    }
    // The size comes from the check copy, but is trusted only when the trailer
    // it points at lies inside the heap block.
    uint32_t copySize = 0;
    std::memcpy(&copySize, h->check + offsetof(TrackedBlockHeader, size), sizeof(copySize));
    const bool trailerInside = static_cast<SIZE_T>(copySize) + kTrackedOverhead <= blockSize;
    unsigned char trailer[kTrackedTrailerSize];
    if (trailerInside)
        std::memcpy(trailer, reinterpret_cast<unsigned char*>(h) + kTrackedHeaderSize + copySize,
                    sizeof(trailer));
    if (trailerInside && std::memcmp(h->check, h, kTrackedLinkBytes) == 0 &&
        std::memcmp(trailer, h, kTrackedLinkBytes) == 0)
        return 0;

    LogWrite(Cp932Text("以下のメモリ確保情報が破損しました、強制終了します\n"));
    char line[256];
    FormatHeadLine(line, sizeof(line), "HEAD  BASE:", reinterpret_cast<unsigned char*>(h));
    LogFormatLine("%s", line);
    FormatHeadLine(line, sizeof(line), "HEAD TEMP1:", h->check);
    LogFormatLine("%s", line);
    if (trailerInside) {
        FormatHeadLine(line, sizeof(line), "HEAD TEMP2:", trailer);
        LogFormatLine("%s", line);
    } else {
        LogFormatLine("HEAD TEMP2:(size %u lies outside the block)", copySize);
    }
    MemPrintBlock(h, 1);
    TrackedBlockHeader copy;
    std::memset(&copy, 0, sizeof(copy));
    std::memcpy(&copy, h->check, kTrackedLinkBytes);
    MemPrintBlock(&copy, 0);
    if (trailerInside) {
        std::memcpy(&copy, trailer, kTrackedLinkBytes);
        MemPrintBlock(&copy, 0);
    }
    ExitProcess(static_cast<UINT>(-1));
}

int MemCheckAll() {
    MemoryLock guard;
    for (TrackedBlockHeader* h = Memory().head; h && h != Sentinel(); h = h->next) MemCheckBlock(h);
    return 0;
}

int MemPrintBlock(const TrackedBlockHeader* h, int showData) {
    char line[256];
    const auto* user = reinterpret_cast<const unsigned char*>(h) + kTrackedHeaderSize;
    int pos = std::snprintf(
        line, sizeof(line),
        "\tsize:%10d(%10.3fkb)  file:%-26.15s  line:%-5d  ID:%-5d  addr:%08" PRIxPTR,
        static_cast<int>(h->size), static_cast<double>(h->size) / 1024.0, h->file,
        static_cast<int>(h->line), static_cast<int>(h->id), reinterpret_cast<uintptr_t>(user));
    auto append = [&](const char* format, auto... args) {
        if (pos < 0 || pos >= static_cast<int>(sizeof(line))) return;
        pos += std::snprintf(line + pos, sizeof(line) - static_cast<size_t>(pos), format, args...);
    };
    if (!showData) {
        append("\n");
    } else {
        const uint32_t n = h->size < 16 ? h->size : 16;
        append("  data:<");
        for (uint32_t i = 0; i < n; ++i) {
            const unsigned char c = user[i];
            append("%c", (c < 0x20 || c > 0x7F) ? '.' : static_cast<char>(c));
        }
        append("> [");
        for (uint32_t i = 0; i < n; ++i) append(i + 1 < n ? "%02x " : "%02x", user[i]);
        append("]\n");
    }
    LogWrite(line);
    return 0;
}

int MemPrintTotals() {
    MemoryLock guard;
    const MemoryState& m = Memory();
    LogFormatLine("\tTotal size:%d(%.3fkb)  Alloc num:%d", static_cast<int>(m.totalSize),
                  static_cast<double>(m.totalSize) / 1024.0, m.count);
    return 0;
}

int MemDumpAll() {
    MemoryLock guard;
    LogWrite("\n");
    LogWrite("Alloc memory dump\n");
    for (TrackedBlockHeader* h = Memory().head; h && h != Sentinel(); h = h->next)
        MemPrintBlock(h, 1);
    MemPrintTotals();
    LogWrite("\n");
    return 0;
}

int MemSetTraceAll(int on) {
    MemoryLock guard;
    Memory().traceAll = on;
    return 0;
}
int MemSetTraceSize(int size) {
    MemoryLock guard;
    Memory().traceSize = size;
    return 0;
}
int MemSetPrintTotals(int on) {
    MemoryLock guard;
    Memory().printTotals = on;
    return 0;
}
int MemSetCheckAll(int on) {
    MemoryLock guard;
    Memory().checkAll = on;
    return 0;
}
int MemGetTotalSize() {
    MemoryLock guard;
    return static_cast<int>(Memory().totalSize);
}
int MemGetCount() {
    MemoryLock guard;
    return Memory().count;
}
uint16_t MemGetNextId() {
    MemoryLock guard;
    return Memory().counter;
}
int MemSetNextId(uint16_t id) {
    MemoryLock guard;
    Memory().counter = id;
    return 0;
}

}  // namespace DuRud
