// Archive-aware file access: path resolution with a one-entry memo, the
// cache of open archives, the open-file table, member reads and finds.
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <unordered_set>

#include "DuRud.h"
#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "files/archive.h"
#include "files/archive_access.h"
#include "files/full_path.h"
#include "files/windows_file_layer.h"

namespace DuRud {
namespace {

constexpr int kCacheSlots = 4096;
constexpr int kFileSlots = 32768;
constexpr intptr_t kHandleTag = 0xF0000000;
constexpr size_t kArchivePathRoom = 256;

struct ArchiveTableEntry {
    int32_t references;
    Archive archive;
    char path[kArchivePathRoom];
};

struct ArchiveFile {
    Archive* archive;
    const unsigned char* entry;
    unsigned char* unpacked;
    unsigned char* packed;
    StreamHandle stream;
    int32_t endFlag;
    uint32_t position;
    int32_t async;
    int32_t asyncState;  // 0 none, 1 packed bytes being read, 2 stored bytes being read
    uint32_t pendingFilePosition;
    void* pendingDestination;
    uint32_t pendingLength;
    int32_t failed;  // packed bytes that did not unpack: reads give nothing
};

struct ArchiveApiFile {
    int32_t inArchive;
    StreamHandle plain;
    int32_t slot;
    ArchiveFile file;
};

struct ArchiveFindRecord {
    Archive* archive;
    char pattern[260];
    const unsigned char* dir;
    int32_t next;
};

struct ArchiveApiFind {
    int32_t inArchive;
    int32_t slot;
    ArchiveFindRecord* inner;
    intptr_t windowsFind;
};

// Module state. The lock is created once and lives with the process, so a
// lazy start on two threads at once is safe.
std::once_flag g_lockOnce;
TracedLock g_lock;
std::atomic<int> g_initialised{0};
std::array<ArchiveTableEntry*, kCacheSlots> g_cache{};
int g_cacheCount = 0;
std::array<std::atomic<ArchiveApiFile*>, kFileSlots> g_files{};
std::atomic<int> g_fileCount{0};
char g_memoPath[kArchivePathRoom];
int g_memoLength = 0;
int g_memoSlot = -1;
char g_key[kArchiveKeyStringMax + 1];
int g_keySet = 0;
std::unordered_set<ArchiveApiFind*> g_finds;

void ensureLock() {
    std::call_once(g_lockOnce, [] { InitLock(&g_lock); });
}

struct Locked {
    Locked() {
        ensureLock();
        LockWithSource(&g_lock, __FILE__, __LINE__);
    }
    ~Locked() { LeaveLock(&g_lock); }
};

void sweepLocked() {
    for (auto& entry : g_cache) {
        if (entry && entry->references < 1) {
            ArchiveClose(&entry->archive);
            TrackedFree(entry);
            entry = nullptr;
            --g_cacheCount;
        }
    }
}

void startLocked() {
    if (g_initialised.load()) return;
    sweepLocked();
    g_initialised.store(1);
}

void release(int slot) {
    if (slot < 0 || slot >= kCacheSlots || !g_cache[slot]) return;
    if (g_cache[slot]->references > 0) --g_cache[slot]->references;
}

int cacheOpenLocked(int hint, const char* path) {
    if (hint >= 0 && hint < kCacheSlots && g_cache[hint] &&
        lstrcmpA(g_cache[hint]->path, path) == 0) {
        ++g_cache[hint]->references;
        return hint;
    }
    int lastFree = -1;
    for (int i = 0; i < kCacheSlots; ++i) {
        if (!g_cache[i]) {
            lastFree = i;
        } else if (lstrcmpA(g_cache[i]->path, path) == 0) {
            ++g_cache[i]->references;
            return i;
        }
    }
    if (g_cacheCount >= kCacheSlots) {
        sweepLocked();
        if (g_cacheCount >= kCacheSlots) return -1;
        for (int i = 0; i < kCacheSlots && lastFree < 0; ++i)
            if (!g_cache[i]) lastFree = i;
    }
    if (lastFree < 0) return -1;
    Archive archive;
    ArchiveClear(&archive);
    if (ArchiveOpenStream(&archive, path, g_keySet ? g_key : nullptr) != 0) return -1;
    auto* entry = static_cast<ArchiveTableEntry*>(
        TrackedCalloc(sizeof(ArchiveTableEntry), __FILE__, __LINE__));
    if (!entry) {
        ArchiveClose(&archive);
        return -1;
    }
    entry->archive = archive;
    entry->references = 1;
    std::strcpy(entry->path, path);
    g_cache[lastFree] = entry;
    ++g_cacheCount;
    return lastFree;
}

// The full path, upper-cased, against the process's current directory.
int fullPathUpper(const char* path, char* out) {
    char base[MAX_PATH];
    if (ReadCurrentDirectory(base, MAX_PATH) != 0) return -1;
    if (ConvertToFullPath(path, out, MAX_PATH, base) != 0) return -1;
    UpperCaseString(out);
    return 0;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

int resolveLocked(const char* path, int* slotOut, char* archivePath, char* innerPath) {
    char full[MAX_PATH];
    if (!path || fullPathUpper(path, full) != 0) return -1;
    const int charSet = GetEngineCharSet();
    int slot = -1;
    int prefix = 0;
    if (g_memoLength > 0 && std::strncmp(full, g_memoPath, g_memoLength) == 0 &&
        isSeparator(full[g_memoLength])) {
        slot = cacheOpenLocked(g_memoSlot, g_memoPath);
        if (slot < 0) return -1;
        prefix = g_memoLength;
    } else {
        int i = 0;
        if (full[0] == '\\' && full[1] == '\\') i = 2;
        while (true) {
            const int start = i;
            while (full[i] != 0 && !isSeparator(full[i]))
                i += (IsLeadByte(static_cast<unsigned char>(full[i]), charSet) && full[i + 1]) ? 2
                                                                                               : 1;
            if (full[i] == 0 || i == start) return -1;  // the last component, or an empty one
            char candidate[kArchivePathRoom];
            // A candidate that does not fit is no archive (never truncated).
            if (static_cast<size_t>(i) + 5 > sizeof candidate) return -1;
            std::memcpy(candidate, full, i);
            std::memcpy(candidate + i, ".ZAV", 5);
            slot = cacheOpenLocked(-1, candidate);
            if (slot >= 0) {
                prefix = i;
                std::strcpy(g_memoPath, candidate);
                g_memoLength = i;
                g_memoSlot = slot;
                break;
            }
            ++i;
        }
    }
    if (slotOut) *slotOut = slot;
    if (archivePath) std::strcpy(archivePath, g_cache[slot]->path);
    if (innerPath) std::strcpy(innerPath, full + prefix + 1);
    if (!slotOut) release(slot);
    return 0;
}

// --- Members

uint32_t memberStart(const ArchiveFile* f) {
    return f->archive->header.dataStart + LoadU32(f->entry + kEntryDataOffset);
}
uint32_t memberSize(const ArchiveFile* f) {
    return LoadU32(f->entry + kEntryDataSize);
}

// Decodes and unpacks the packed bytes now in f->packed; frees them.
int unpackMember(ArchiveFile* f) {
    const Archive* a = f->archive;
    const uint32_t packedSize = LoadU32(f->entry + kEntryPackedSize);
    ArchiveXorCode(packedSize, f->packed, a->header.version < 5 ? memberStart(f) : memberSize(f),
                   a->key);
    PackedDataHead head;
    const bool ok = ReadPackedDataHead(f->packed, packedSize, &head) == 0 &&
                    head.unpackedSize == memberSize(f) && head.packedSize == packedSize &&
                    ArchiveDecompress(f->packed, packedSize, f->unpacked, memberSize(f)) ==
                        static_cast<int64_t>(memberSize(f));
    TrackedFree(f->packed);
    f->packed = nullptr;
    return ok ? 0 : -1;
}

int checkAsync(ArchiveFile* f) {
    if (f->asyncState == 0) return 1;
    const int idle = FileWinIdleCheck(f->stream);
    if (idle == 0) return 0;
    const Archive* a = f->archive;
    if (f->asyncState == 1) {
        if (idle < 0 || unpackMember(f) != 0) f->failed = 1;
    } else {
        const uint32_t position = a->header.version < 5
                                      ? f->pendingFilePosition
                                      : memberSize(f) + (f->pendingFilePosition - memberStart(f));
        ArchiveXorCode(f->pendingLength, f->pendingDestination, position, a->key);
    }
    f->asyncState = 0;
    return 1;
}

void waitIdle(ArchiveFile* f) {
    while (checkAsync(f) == 0) Sleep(1);
}

void closeMember(ArchiveFile* f) {
    waitIdle(f);
    TrackedFree(f->unpacked);
    TrackedFree(f->packed);
    if (f->stream) FileWinClose(f->stream);
    std::memset(f, 0, sizeof *f);
}

int openMember(ArchiveFile* f, Archive* a, const char* inner, int async) {
    const unsigned char* entry = ArchiveFindFileEntry(inner, a);
    if (!entry) return -1;
    std::memset(f, 0, sizeof *f);
    f->archive = a;
    f->entry = entry;
    f->async = async ? 1 : 0;
    if (!ArchiveEntryIsPacked(a, entry)) {
        f->stream = FileWinOpen(a->path, 0, 0, 0);
        return f->stream ? 0 : -1;
    }
    // Spans and sizes were checked when the archive opened; an unpacked size
    // no body of this length can give was refused there.
    const uint32_t packedSize = LoadU32(entry + kEntryPackedSize);
    f->unpacked = static_cast<unsigned char*>(
        TrackedAlloc(memberSize(f) ? memberSize(f) : 1, __FILE__, __LINE__));
    f->packed = static_cast<unsigned char*>(TrackedAlloc(packedSize, __FILE__, __LINE__));
    f->stream = FileWinOpen(a->path, 0, 0, 0);
    if (!f->unpacked || !f->packed || !f->stream ||
        FileWinSeek(f->stream, static_cast<int32_t>(memberStart(f)), 0) != 0) {
        closeMember(f);
        return -1;
    }
    const size_t got = FileWinRead(f->packed, 1, packedSize, f->stream);
    if (got != packedSize) {
        closeMember(f);
        return -1;
    }
    if (f->async) {
        f->asyncState = 1;
        return 0;
    }
    if (unpackMember(f) != 0) {
        closeMember(f);
        return -1;
    }
    return 0;
}

uint32_t readMember(ArchiveFile* f, void* buffer, uint32_t n) {
    waitIdle(f);
    if (f->failed) f->endFlag = 1;
    if (f->endFlag) return 0;
    const uint32_t size = memberSize(f);
    if (f->position >= size) {
        f->endFlag = 1;
        return 0;
    }
    if (n > size - f->position) n = size - f->position;
    if (f->unpacked) {
        std::memcpy(buffer, f->unpacked + f->position, n);
    } else {
        const uint32_t offset = memberStart(f) + f->position;
        if (static_cast<uint32_t>(FileWinTell(f->stream)) != offset &&
            FileWinSeek(f->stream, static_cast<int32_t>(offset), 0) != 0)
            return 0;
        const auto got = static_cast<uint32_t>(FileWinRead(buffer, 1, n, f->stream));
        if (f->async) {
            f->pendingFilePosition = offset;
            f->pendingDestination = buffer;
            f->pendingLength = got;
            f->asyncState = 2;
        } else {
            const Archive* a = f->archive;
            ArchiveXorCode(got, buffer, a->header.version < 5 ? offset : size + f->position,
                           a->key);
        }
        n = got;  // a short read gives what it read
    }
    f->position += n;
    f->endFlag = 0;
    return n;
}

ArchiveApiFile* fileOf(StreamHandle stream) {
    if ((stream & ~static_cast<intptr_t>(0x0FFFFFFF)) != kHandleTag) return nullptr;
    const intptr_t index = stream & 0x0FFFFFFF;
    if (index >= kFileSlots) return nullptr;
    return g_files[index].load();
}

// --- Finds

void localFields(uint64_t ticks, FileDateTime* out) {
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME s{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &s)) {
        *out = FileDateTime{};
        return;
    }
    *out = FileDateTime{s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond};
}

int findStep(ArchiveFindRecord* r, FileFindInfo* info) {
    const Archive* a = r->archive;
    const int dots = LoadU32(r->dir + kDirParent) == kArchiveNoParent ? 1 : 2;
    const int64_t total = dots + static_cast<int64_t>(LoadU32(r->dir + kDirEntryCount));
    const uint32_t entrySize = ArchiveEntrySize(a->header.version);
    for (int64_t i = r->next; i < total; ++i) {
        const unsigned char* e = nullptr;
        const char* upper;
        if (i < dots) {
            upper = i == 0 ? "." : "..";
        } else {
            e = a->fileTable + LoadU32(r->dir + kDirFirstEntry) + (i - dots) * entrySize;
            upper = reinterpret_cast<const char*>(a->nameTable + LoadU32(e + kEntryNameOffset) + 4);
        }
        if (ArchiveWildcardMatch(upper, r->pattern, const_cast<Archive*>(a)) != 0) continue;
        r->next = static_cast<int32_t>(i);
        if (info) {
            std::memset(info, 0, sizeof *info);
            if (!e) {
                std::strcpy(info->name, upper);
                info->isDirectory = 1;
            } else {
                const unsigned char* record = a->nameTable + LoadU32(e + kEntryNameOffset);
                const char* written =
                    reinterpret_cast<const char*>(record + 4 + LoadU16(record) * 4u);
                std::strncpy(info->name, written, sizeof info->name - 1);
                info->isDirectory =
                    (LoadU32(e + kEntryAttributes) & kArchiveDirectoryAttribute) ? 1 : 0;
                info->size = LoadU32(e + kEntryDataSize);
                localFields(LoadU64(e + kEntryCreationTime), &info->creationTime);
                localFields(LoadU64(e + kEntryWriteTime), &info->lastWriteTime);
            }
        }
        return 0;
    }
    r->next = static_cast<int32_t>(total);
    return -1;
}

ArchiveFindRecord* findFirstIn(Archive* a, const char* pattern, FileFindInfo* info) {
    if (std::strlen(pattern) >= sizeof ArchiveFindRecord::pattern) return nullptr;
    auto* r = static_cast<ArchiveFindRecord*>(
        TrackedCalloc(sizeof(ArchiveFindRecord), __FILE__, __LINE__));
    if (!r) return nullptr;
    char dir[260];
    ArchiveSplitPath(pattern, a, r->pattern, dir);
    UpperCaseString(r->pattern);
    UpperCaseString(dir);
    r->archive = a;
    r->dir = a->currentDir;
    if (dir[0] != 0) {
        unsigned char* const start = a->currentDir;
        const int rc = ArchiveChangeDir(a, dir, 1, nullptr);
        r->dir = a->currentDir;
        a->currentDir = start;
        if (rc != 0) {
            TrackedFree(r);
            return nullptr;
        }
    }
    if (findStep(r, info) != 0) {
        TrackedFree(r);
        return nullptr;
    }
    ++r->next;
    return r;
}

}  // namespace

int SetArchiveKeyString(const char* keyString) {
    Locked lock;
    if (!keyString) {
        g_keySet = 0;
        g_key[0] = 0;
        return 0;
    }
    std::strncpy(g_key, keyString, kArchiveKeyStringMax);
    g_key[kArchiveKeyStringMax] = 0;
    g_keySet = 1;
    return 0;
}

int SetArchiveKey(const char* keyString) {
    return SetArchiveKeyString(keyString);
}

int InitArchives() {
    Locked lock;
    if (g_initialised.load()) return -1;
    startLocked();
    return 0;
}

int EndArchives() {
    Locked lock;
    if (!g_initialised.load()) return -1;
    sweepLocked();
    g_memoLength = 0;
    g_initialised.store(0);
    return 0;
}

int ArchiveResolvePath(const char* path, int* slot, char* archivePath, char* innerPath) {
    Locked lock;
    return resolveLocked(path, slot, archivePath, innerPath);
}

int ArchiveCacheSweep() {
    Locked lock;
    sweepLocked();
    return 0;
}

int ArchiveCacheRelease(int slot) {
    Locked lock;
    if (slot < 0 || slot >= kCacheSlots || !g_cache[slot]) return -1;
    release(slot);
    return 0;
}

int ArchiveCacheCount() {
    Locked lock;
    return g_cacheCount;
}
int ArchiveOpenFileCount() {
    return g_fileCount.load();
}
int ArchiveCacheReferences(int slot) {
    Locked lock;
    if (slot < 0 || slot >= kCacheSlots || !g_cache[slot]) return -1;
    return g_cache[slot]->references;
}

StreamHandle ArchiveApiOpen(const char* path, int useCache, int blockRead, int asyncRead) {
    Locked lock;
    startLocked();
    if (g_fileCount.load() >= kFileSlots) {
        LogWrite(Cp932Text("同時に開けるファイルの数が限界を超えました\n"));
        return 0;
    }
    int index = 0;
    while (index < kFileSlots && g_files[index].load()) ++index;
    if (index == kFileSlots) return 0;
    auto* f =
        static_cast<ArchiveApiFile*>(TrackedCalloc(sizeof(ArchiveApiFile), __FILE__, __LINE__));
    if (!f) {
        LogWrite(Cp932Text("ファイルの情報を格納するメモリの確保に失敗しました\n"));
        return 0;
    }
    int slot = -1;
    char inner[MAX_PATH];
    bool ok;
    if (!path || resolveLocked(path, &slot, nullptr, inner) != 0) {
        f->inArchive = 0;
        f->plain = path ? FileWinOpen(path, useCache, blockRead, asyncRead) : 0;
        ok = f->plain != 0;
    } else {
        // Inside an archive's directory only the archive counts.
        f->inArchive = 1;
        f->slot = slot;
        ok = openMember(&f->file, &g_cache[slot]->archive, inner, asyncRead) == 0;
        if (!ok) release(slot);
    }
    if (!ok) {
        TrackedFree(f);
        return 0;
    }
    g_files[index].store(f);
    ++g_fileCount;
    return kHandleTag | index;
}

int ArchiveApiClose(StreamHandle stream) {
    Locked lock;
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return -1;
    if (f->inArchive) {
        release(f->slot);
        closeMember(&f->file);
    } else {
        FileWinClose(f->plain);
    }
    g_files[stream & 0x0FFFFFFF].store(nullptr);
    TrackedFree(f);
    --g_fileCount;
    return 0;
}

int32_t ArchiveApiTell(StreamHandle stream) {
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return -1;
    if (!f->inArchive) return FileWinTell(f->plain);
    waitIdle(&f->file);
    return static_cast<int32_t>(f->file.position);
}

int ArchiveApiSeek(StreamHandle stream, int32_t offset, int origin) {
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return -1;
    if (!f->inArchive) return FileWinSeek(f->plain, offset, origin);
    ArchiveFile* m = &f->file;
    waitIdle(m);
    const int64_t size = memberSize(m);
    int64_t target = offset;
    if (origin == 1)
        target += m->position;
    else if (origin == 2)
        target += size;
    m->position = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, size));
    m->endFlag = 0;
    return 0;
}

size_t ArchiveApiRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream) {
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return 0;
    if (!f->inArchive) return FileWinRead(buffer, elementSize, count, f->plain);
    if (!buffer || elementSize == 0 || count == 0) return 0;
    const uint64_t want = static_cast<uint64_t>(elementSize) * count;
    const uint32_t n = readMember(&f->file, buffer,
                                  want > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(want));
    return n / elementSize;
}

int ArchiveApiEof(StreamHandle stream) {
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return -1;
    if (!f->inArchive) return FileWinEof(f->plain);
    waitIdle(&f->file);
    return f->file.endFlag ? -1 : 0;
}

int ArchiveApiIdleCheck(StreamHandle stream) {
    ArchiveApiFile* f = fileOf(stream);
    if (!f) return -1;
    if (!f->inArchive) return FileWinIdleCheck(f->plain);
    return checkAsync(&f->file);
}

int ArchiveApiChDir(const char* path) {
    if (path) SetCurrentDirectoryA(path);
    return 0;
}

int ArchiveApiGetDir(char* buffer) {
    return ReadCurrentDirectory(buffer, 256);
}

intptr_t ArchiveApiFindFirst(const char* pattern, FileFindInfo* info) {
    if (!pattern) return -1;
    Locked lock;
    startLocked();
    auto* find =
        static_cast<ArchiveApiFind*>(TrackedCalloc(sizeof(ArchiveApiFind), __FILE__, __LINE__));
    if (!find) return -1;
    int slot = -1;
    char inner[MAX_PATH];
    if (resolveLocked(pattern, &slot, nullptr, inner) == 0) {
        find->inArchive = 1;
        find->slot = slot;
        find->inner = findFirstIn(&g_cache[slot]->archive, inner, info);
        if (!find->inner) {
            release(slot);
            TrackedFree(find);
            return -1;
        }
    } else {
        find->windowsFind = FileWinFindFirst(pattern, info);
        if (find->windowsFind == -1) {
            TrackedFree(find);
            return -1;
        }
    }
    g_finds.insert(find);
    return reinterpret_cast<intptr_t>(find);
}

int ArchiveApiFindNext(intptr_t handle, FileFindInfo* info) {
    Locked lock;
    auto* find = reinterpret_cast<ArchiveApiFind*>(handle);
    if (!g_finds.count(find)) return -1;
    if (!find->inArchive) return FileWinFindNext(find->windowsFind, info);
    if (findStep(find->inner, info) != 0) return -1;
    ++find->inner->next;
    return 0;
}

int ArchiveApiFindClose(intptr_t handle) {
    Locked lock;
    auto* find = reinterpret_cast<ArchiveApiFind*>(handle);
    if (!g_finds.erase(find)) return -1;
    if (find->inArchive) {
        TrackedFree(find->inner);
        release(find->slot);
    } else {
        FileWinFindClose(find->windowsFind);
    }
    TrackedFree(find);
    return 0;
}

const StreamFunctionTable& ArchiveAwareFunctionSet() {
    static const StreamFunctionTable set = {
        ArchiveApiOpen,   ArchiveApiClose,     ArchiveApiTell,      ArchiveApiSeek,
        ArchiveApiRead,   ArchiveApiEof,       ArchiveApiIdleCheck, ArchiveApiChDir,
        ArchiveApiGetDir, ArchiveApiFindFirst, ArchiveApiFindNext,  ArchiveApiFindClose,
    };
    return set;
}

}  // namespace DuRud
