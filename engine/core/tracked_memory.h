// Tracked memory: every engine allocation carries its source file tail,
// line, a running number and two copies of its header (one in front of the
// user bytes, one behind them), so that overruns are caught on release and
// every block still alive at shutdown is listed in the log.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DuRud.h"

namespace DuRud {

// In front of the user bytes. On x86-64 the linked fields (file to prev)
// take 40 bytes; the check copy and the trailer hold those 40 bytes, and the
// header is 80 bytes so that user pointers stay 16-byte aligned.
struct TrackedBlockHeader {
    char file[16];
    uint16_t id;
    uint16_t line;
    uint32_t size;
    TrackedBlockHeader* next;  // next older block (the sentinel for the oldest)
    TrackedBlockHeader* prev;  // next newer block; null for the newest
    unsigned char check[40];
};

constexpr size_t kTrackedLinkBytes = 40;
constexpr size_t kTrackedHeaderSize = 80;
constexpr size_t kTrackedTrailerSize = kTrackedLinkBytes;
constexpr size_t kTrackedOverhead = kTrackedHeaderSize + kTrackedTrailerSize;
static_assert(sizeof(TrackedBlockHeader) == kTrackedHeaderSize);
static_assert(offsetof(TrackedBlockHeader, check) == kTrackedLinkBytes);

// 0 when both copies match the header; otherwise logs the three copies and
// ends the process with exit code -1.
int MemCheckBlock(TrackedBlockHeader* header);
int MemCheckAll();
int MemPrintBlock(const TrackedBlockHeader* header, int showData);
int MemPrintTotals();

// The header of a user pointer.
inline TrackedBlockHeader* TrackedHeaderOf(void* user) {
    return reinterpret_cast<TrackedBlockHeader*>(static_cast<unsigned char*>(user) -
                                                 kTrackedHeaderSize);
}

// Diagnostic switches (all 0 by default; trace size 0 logs every operation
// on a zero-size block, a negative trace size logs every size).
int MemSetTraceAll(int on);
int MemSetTraceSize(int size);
int MemSetPrintTotals(int on);
int MemSetCheckAll(int on);

// Live totals and the next allocation number.
int MemGetTotalSize();
int MemGetCount();
uint16_t MemGetNextId();
// Sets the next allocation number (tests of the wrap at 65536).
int MemSetNextId(uint16_t id);

}  // namespace DuRud
