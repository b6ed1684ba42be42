// Huge-page blocks: each is its own mapping, its start on a huge-page
// boundary (the slack mapped for that is unmapped again) and its length
// rounded to whole small pages, so a partly used last huge page stays in
// small pages. Each block remembers which of its huge pages it advised, so
// repeated writes over the same rows cost no system call.
#include "win32/large_blocks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "test_knobs.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace platform {
namespace {

struct LargeBlockPagePolicy {
    size_t hugePage = 0;  // 0: no block is mapped here
    size_t smallPage = 4096;
};

// Huge pages are used when the system offers them to programs that ask
// ("always" or "madvise"); "never", or no such setting, keeps the C heap.
LargeBlockPagePolicy ReadLargeBlockPolicy() {
    LargeBlockPagePolicy p;
    const long page = sysconf(_SC_PAGESIZE);
    if (page > 0) p.smallPage = static_cast<size_t>(page);
    std::ifstream enabled("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    if (!std::getline(enabled, modes) || modes.find("[never]") != std::string::npos) return p;
    size_t size = size_t{2} << 20;
    std::ifstream pmd("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size");
    if (size_t read = 0; pmd >> read) size = read;
    // A huge page must be a power-of-two multiple of the small page.
    if (size <= p.smallPage || (size & (size - 1)) != 0) return p;
    p.hugePage = size;
    return p;
}

const LargeBlockPagePolicy& LargeBlockPolicy() {
    static const LargeBlockPagePolicy policy = ReadLargeBlockPolicy();
    return policy;
}

// Address-checked builds keep catching overruns of a block: its unused tail
// is poisoned and an inaccessible page follows it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kGuardPage = true;
#else
constexpr bool kGuardPage = false;
#endif

struct MappedBlock {
    size_t length = 0;          // the block's pages, without a guard page
    std::vector<bool> advised;  // per huge page
};

struct LargeBlockRegistry {
    std::mutex lock;
    std::unordered_map<void*, MappedBlock> blocks;
    std::atomic<size_t> bytes{0};
};

LargeBlockRegistry& LargeBlockTable() {
    static auto* r = new LargeBlockRegistry;  // blocks may be freed during exit
    return *r;
}

std::atomic<bool> largeBlocksOff{false};

bool IsHugePageAligned(const void* block) {
    const size_t huge = LargeBlockPolicy().hugePage;
    return block && huge != 0 && (reinterpret_cast<uintptr_t>(block) & (huge - 1)) == 0;
}

}  // namespace

void* MapLargeBlock(size_t bytes, bool adviseWhole) {
    const LargeBlockPagePolicy& policy = LargeBlockPolicy();
    if (policy.hugePage == 0 || largeBlocksOff.load() || bytes < policy.hugePage ||
        bytes > (SIZE_MAX >> 2))
        return nullptr;
    const size_t length = (bytes + policy.smallPage - 1) & ~(policy.smallPage - 1);
    const size_t guard = kGuardPage ? policy.smallPage : 0;
    const size_t reserved = length + guard + policy.hugePage - policy.smallPage;
    void* raw = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto first = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t start = (first + policy.hugePage - 1) & ~uintptr_t(policy.hugePage - 1);
    if (start > first) munmap(raw, start - first);
    const uintptr_t end = start + length + guard;
    if (first + reserved > end) munmap(reinterpret_cast<void*>(end), first + reserved - end);
    auto* block = reinterpret_cast<void*>(start);
    if (guard) mprotect(reinterpret_cast<void*>(start + length), guard, PROT_NONE);
#if defined(__SANITIZE_ADDRESS__)
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + bytes, length - bytes);
#endif
    MappedBlock record;
    record.length = length;
    record.advised.assign(length / policy.hugePage, adviseWhole);
    // Refused where the kernel has no huge pages: the block is still good.
    // Where huge pages are the rule ("always") a block not advised whole
    // is kept from them until its writes advise parts of it.
    madvise(block, length, adviseWhole ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    LargeBlockRegistry& r = LargeBlockTable();
    {
        std::lock_guard<std::mutex> g(r.lock);
        r.blocks[block] = std::move(record);
    }
    r.bytes += length;
    return block;
}

bool UnmapLargeBlock(void* block) {
    if (!IsHugePageAligned(block)) return false;
    LargeBlockRegistry& r = LargeBlockTable();
    size_t length = 0;
    {
        std::lock_guard<std::mutex> g(r.lock);
        auto it = r.blocks.find(block);
        if (it == r.blocks.end()) return false;
        length = it->second.length;
        r.blocks.erase(it);
    }
    r.bytes -= length;
#if defined(__SANITIZE_ADDRESS__)
    ASAN_UNPOISON_MEMORY_REGION(block, length);
#endif
    munmap(block, length + (kGuardPage ? LargeBlockPolicy().smallPage : 0));
    return true;
}

void AdviseLargeBlockWrite(void* block, size_t begin, size_t end) {
    if (!IsHugePageAligned(block)) return;
    const size_t huge = LargeBlockPolicy().hugePage;
    const size_t firstPage = (begin + huge - 1) / huge;
    const size_t endPage = end / huge;
    if (firstPage >= endPage) return;
    LargeBlockRegistry& r = LargeBlockTable();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.blocks.find(block);
    if (it == r.blocks.end()) return;
    std::vector<bool>& advised = it->second.advised;
    const size_t last = endPage < advised.size() ? endPage : advised.size();
    // One call per run of pages not advised yet.
    for (size_t page = firstPage; page < last;) {
        if (advised[page]) {
            ++page;
            continue;
        }
        size_t runEnd = page;
        while (runEnd < last && !advised[runEnd]) advised[runEnd++] = true;
        madvise(static_cast<char*>(block) + page * huge, (runEnd - page) * huge, MADV_HUGEPAGE);
        page = runEnd;
    }
}

size_t LargeBlockBytes() {
    return LargeBlockTable().bytes.load();
}

size_t LargeBlockMinimum() {
    return largeBlocksOff.load() ? 0 : LargeBlockPolicy().hugePage;
}

void* AllocateZeroedBlock(size_t bytes) {
    if (void* block = MapLargeBlock(bytes, false)) return block;
    return std::calloc(bytes ? bytes : 1, 1);
}

void FreeZeroedBlock(void* block) {
    if (!UnmapLargeBlock(block)) std::free(block);
}

}  // namespace platform

// --- memory (kernel) knobs ------------------------------------------------------
void KnobLargeBlocksOff(bool off) {
    platform::largeBlocksOff.store(off);
}
bool KnobLargeBlocksAvailable() {
    return platform::LargeBlockPolicy().hugePage != 0;
}
size_t KnobLargeBlockBytes() {
    return platform::LargeBlockBytes();
}
