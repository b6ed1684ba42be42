// The Windows file layer: plain files read directly or through a reading
// thread per file (read-ahead cache, reads that return at once).
#include "files/windows_file_layer.h"
#include "files/seek_target.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "core/text_literals.h"
#include "core/tracked_memory.h"

namespace DuRud {
namespace {

// Every live record, so that a stale or made-up stream handle is refused
// instead of being followed.
struct LiveRecords {
    std::mutex lock;
    std::unordered_set<FileWinRecord*> records;
};

LiveRecords& liveRecords() {
    static LiveRecords* live = new LiveRecords;
    return *live;
}

FileWinRecord* recordOf(StreamHandle stream) {
    auto* record = reinterpret_cast<FileWinRecord*>(stream);
    if (record == nullptr) return nullptr;
    LiveRecords& live = liveRecords();
    std::lock_guard<std::mutex> guard(live.lock);
    return live.records.count(record) != 0 ? record : nullptr;
}

void track(FileWinRecord* record) {
    LiveRecords& live = liveRecords();
    std::lock_guard<std::mutex> guard(live.lock);
    live.records.insert(record);
}

void untrack(FileWinRecord* record) {
    LiveRecords& live = liveRecords();
    std::lock_guard<std::mutex> guard(live.lock);
    live.records.erase(record);
}

FileWinRecord* newRecord() {
    void* memory = TrackedCalloc(sizeof(FileWinRecord), __FILE__, __LINE__);
    if (memory == nullptr) return nullptr;
    return new (memory) FileWinRecord{};
}

void freeRecord(FileWinRecord* record) {
    record->~FileWinRecord();
    TrackedFree(record);
}

HANDLE openForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool setFilePosition(HANDLE file, uint32_t position) {
    LONG high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = SetFilePointer(file, static_cast<LONG>(position), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

// Waits for the previous command, then hands the thread the next one
// (its fields are filled by `fill` only once the thread is idle).
template <typename Fill>
void handCommand(FileWinRecord* record, int32_t command, Fill fill) {
    WaitForSingleObject(record->doneEvent, INFINITE);
    record->command = command;
    fill();
    ResetEvent(record->doneEvent);
    SetEvent(record->requestEvent);
}

void waitDone(FileWinRecord* record) {
    WaitForSingleObject(record->doneEvent, INFINITE);
}

// --- the reading thread --------------------------------------------------------

// Tops the cache up from the file while the caller is quiet. Stops at the end
// of the file, so an idle small file costs no further reads.
void refillCache(FileWinRecord* record) {
    if (record->threadFile == nullptr || record->cacheBuffer == nullptr) return;
    if (record->cacheFill >= kFileWinCacheSize) return;
    uint64_t next = static_cast<uint64_t>(record->cachePosition) + record->cacheFill;
    if (next >= record->size) return;
    if (record->cacheStart != 0) {
        std::memmove(record->cacheBuffer, record->cacheBuffer + record->cacheStart,
                     record->cacheFill);
        record->cacheStart = 0;
    }
    if (!setFilePosition(record->threadFile, static_cast<uint32_t>(next))) return;
    DWORD got = 0;
    ReadFile(record->threadFile, record->cacheBuffer + record->cacheFill,
             kFileWinCacheSize - record->cacheFill, &got, nullptr);
    record->cacheFill += got;
}

void runRead(FileWinRecord* record) {
    auto* destination = static_cast<unsigned char*>(record->readDestination);
    uint32_t position = record->readPosition;
    uint32_t wanted = record->readLength;
    uint32_t got = 0;
    if (record->cacheBuffer != nullptr && record->cachePosition == position &&
        record->cacheFill > 0) {
        uint32_t n = wanted < record->cacheFill ? wanted : record->cacheFill;
        std::memcpy(destination, record->cacheBuffer + record->cacheStart, n);
        destination += n;
        position += n;
        wanted -= n;
        got += n;
        record->cachePosition += n;
        record->cacheFill -= n;
        record->cacheStart = record->cacheFill == 0 ? 0 : record->cacheStart + n;
    }
    if (wanted > 0) {
        DWORD read = 0;
        if (setFilePosition(record->threadFile, position)) {
            ReadFile(record->threadFile, destination, wanted, &read, nullptr);
        }
        got += read;
        if (record->cacheBuffer != nullptr) {
            record->cacheFill = 0;
            record->cacheStart = 0;
            record->cachePosition = position + read;
        }
        if (read < wanted && record->async) {
            // The caller was promised every byte: the missing ones read as
            // zero and the stream is at its end.
            std::memset(destination + read, 0, wanted - read);
            record->endFlag.store(1);
        }
    }
    record->readLength = got;
}

DWORD WINAPI FileReadThread(LPVOID parameter) {
    auto* record = static_cast<FileWinRecord*>(parameter);
    for (;;) {
        DWORD wait = WaitForSingleObject(record->requestEvent,
                                         record->cacheBuffer != nullptr ? 100 : INFINITE);
        if (wait == WAIT_TIMEOUT) {
            refillCache(record);
            continue;
        }
        if (wait != WAIT_OBJECT_0) break;  // the events are gone: nothing more to serve
        ResetEvent(record->requestEvent);
        ResetEvent(record->doneEvent);
        switch (record->command) {
            case FileWinCommandOpen:
                record->threadFile = openForReading(record->path);
                if (record->threadFile == INVALID_HANDLE_VALUE) {
                    record->threadFile = nullptr;
                    record->openFailed = 1;
                    record->threadFinished = 1;
                    SetEvent(record->doneEvent);
                    return 0;
                }
                break;
            case FileWinCommandClose:
                if (record->threadFile != nullptr) CloseHandle(record->threadFile);
                record->threadFile = nullptr;
                break;
            case FileWinCommandRead:
                runRead(record);
                break;
            case FileWinCommandSeek:
                setFilePosition(record->threadFile, record->seekPosition);
                if (record->cacheBuffer != nullptr) {
                    record->cacheFill = 0;
                    record->cacheStart = 0;
                    record->cachePosition = record->seekPosition;
                }
                break;
            case FileWinCommandEnd:
                if (record->threadFile != nullptr) CloseHandle(record->threadFile);
                record->threadFile = nullptr;
                record->threadFinished = 1;
                SetEvent(record->doneEvent);
                return 0;
            default:
                break;
        }
        SetEvent(record->doneEvent);
    }
    record->threadFinished = 1;
    return 0;
}

void waitForThreadEnd(FileWinRecord* record) {
    DWORD code = STILL_ACTIVE;
    while (GetExitCodeThread(record->threadHandle, &code) && code == STILL_ACTIVE) {
        WaitForSingleObject(record->threadHandle, INFINITE);
    }
}

void releaseThreadParts(FileWinRecord* record) {
    if (record->cacheBuffer != nullptr) TrackedFree(record->cacheBuffer);
    record->cacheBuffer = nullptr;
    if (record->threadHandle != nullptr) CloseHandle(record->threadHandle);
    if (record->requestEvent != nullptr) CloseHandle(record->requestEvent);
    if (record->doneEvent != nullptr) CloseHandle(record->doneEvent);
    record->threadHandle = record->requestEvent = record->doneEvent = nullptr;
}

StreamHandle openThreadMode(FileWinRecord* record) {
    HANDLE probe = openForReading(record->path);
    if (probe == INVALID_HANDLE_VALUE) {
        freeRecord(record);
        return 0;
    }
    record->size = GetFileSize(probe, nullptr);
    CloseHandle(probe);
    if (record->cache) {
        record->cacheBuffer =
            static_cast<unsigned char*>(TrackedAlloc(kFileWinCacheSize, __FILE__, __LINE__));
        if (record->cacheBuffer == nullptr) {
            freeRecord(record);
            LogWrite(Cp932Text("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n"));
            return 0;
        }
    }
    record->requestEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    record->doneEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (record->requestEvent != nullptr && record->doneEvent != nullptr) {
        record->threadHandle =
            CreateThread(nullptr, 0, FileReadThread, record, 0, &record->threadId);
    }
    if (record->threadHandle == nullptr) {
        releaseThreadParts(record);
        freeRecord(record);
        LogWrite(Cp932Text("ファイルアクセス専用スレッドの作成に失敗しました\n"));
        return 0;
    }
    SetThreadPriority(record->threadHandle, THREAD_PRIORITY_LOWEST);
    handCommand(record, FileWinCommandOpen, [] {});
    waitDone(record);
    if (record->openFailed) {
        waitForThreadEnd(record);
        releaseThreadParts(record);
        freeRecord(record);
        LogWrite(Cp932Text("ファイルのオープンに失敗しました\n"));
        return 0;
    }
    record->position = 0;
    record->endFlag.store(0);
    track(record);
    return reinterpret_cast<StreamHandle>(record);
}

}  // namespace

StreamHandle FileWinOpen(const char* path, int useCache, int blockRead, int asyncRead) {
    (void)blockRead;  // no effect
    // A path that does not fit the record would name another file.
    if (path == nullptr || std::strlen(path) >= sizeof(FileWinRecord::path)) return 0;
    FileWinRecord* record = newRecord();
    if (record == nullptr) return 0;
    record->cache = useCache != 0;
    record->async = asyncRead != 0;
    record->threadMode = record->cache || record->async;
    std::strcpy(record->path, path);
    if (record->threadMode) return openThreadMode(record);

    record->osHandle = openForReading(path);
    if (record->osHandle == INVALID_HANDLE_VALUE) {
        freeRecord(record);
        return 0;
    }
    record->size = GetFileSize(record->osHandle, nullptr);
    record->position = 0;
    record->endFlag.store(0);
    track(record);
    return reinterpret_cast<StreamHandle>(record);
}

int FileWinClose(StreamHandle stream) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr) return -1;
    untrack(record);
    int result = 0;
    if (record->threadMode) {
        handCommand(record, FileWinCommandEnd, [] {});
        waitDone(record);
        waitForThreadEnd(record);
        releaseThreadParts(record);
    } else if (!CloseHandle(record->osHandle)) {
        result = -1;
    }
    freeRecord(record);
    return result;
}

int32_t FileWinTell(StreamHandle stream) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr) return -1;
    return static_cast<int32_t>(record->position);
}

int FileWinEof(StreamHandle stream) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr) return -1;
    return record->endFlag.load() ? -1 : 0;
}

int FileWinSeek(StreamHandle stream, int32_t offset, int origin) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr) return -1;
    int64_t target = SeekTarget(origin, offset, record->position, record->size);
    // A position before the start (or beyond 32 bits) cannot be stored.
    if (target < 0 || target > 0xFFFFFFFFll) return -1;
    auto position = static_cast<uint32_t>(target);
    if (record->threadMode) {
        handCommand(record, FileWinCommandSeek, [&] { record->seekPosition = position; });
    } else if (!setFilePosition(record->osHandle, position)) {
        return -1;
    }
    record->position = position;
    record->endFlag.store(0);
    return 0;
}

size_t FileWinRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr || elementSize == 0) return 0;
    if (record->position >= record->size) {
        record->endFlag.store(1);
        return 0;
    }
    if (count == 0) return 0;
    if (buffer == nullptr) return 0;
    uint64_t left = record->size - record->position;
    if (elementSize > left || count > left / elementSize) {
        count = left / elementSize;
        if (count == 0) {
            record->endFlag.store(1);
            return 0;
        }
    }
    auto bytes = static_cast<uint32_t>(elementSize * count);  // at most `left`

    if (!record->threadMode) {
        DWORD got = 0;
        if (!ReadFile(record->osHandle, buffer, bytes, &got, nullptr) && got == 0) {
            record->endFlag.store(1);
            return 0;
        }
        record->position += got;
        if (got < bytes) record->endFlag.store(1);  // the file shrank under us
        return got / elementSize;
    }

    uint32_t position = record->position;
    handCommand(record, FileWinCommandRead, [&] {
        record->readDestination = buffer;
        record->readPosition = position;
        record->readLength = bytes;
    });
    if (record->async) {
        // Returns at once; the caller polls FileWinIdleCheck before using the bytes.
        record->position += bytes;
        return count;
    }
    waitDone(record);
    uint32_t got = record->readLength;
    record->position += got;
    if (got < bytes) record->endFlag.store(1);
    return got / elementSize;
}

int FileWinIdleCheck(StreamHandle stream) {
    FileWinRecord* record = recordOf(stream);
    if (record == nullptr) return -1;
    if (!record->threadMode) return 1;
    return WaitForSingleObject(record->doneEvent, 0) == WAIT_OBJECT_0 ? 1 : 0;
}

int FileWinChDir(const char* path) {
    if (path == nullptr) return -1;
    return SetCurrentDirectoryA(path) ? 0 : -1;
}

int ReadCurrentDirectory(char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return -1;
    // A directory too long for the buffer writes nothing and reports the size needed.
    DWORD length = GetCurrentDirectoryA(size, buffer);
    if (length == 0 || length >= size) {
        buffer[0] = '\0';
        return -1;
    }
    return 0;
}

int FileWinGetDir(char* buffer) {
    return ReadCurrentDirectory(buffer, MAX_PATH);
}

int FileWinOpenCount() {
    LiveRecords& live = liveRecords();
    std::lock_guard<std::mutex> guard(live.lock);
    return static_cast<int>(live.records.size());
}

}  // namespace DuRud
