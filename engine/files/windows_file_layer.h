// The Windows file layer: read-only plain files, read on the calling thread
// (direct mode) or by one reading thread per file (thread mode), which keeps
// a 128 KiB read-ahead cache or lets reads return before the data arrive.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "files/file_access_table.h"

namespace DuRud {

constexpr uint32_t kFileWinCacheSize = 0x20000;

enum FileWinCommand : int32_t {
    FileWinCommandOpen = 0,
    FileWinCommandClose = 1,
    FileWinCommandRead = 2,
    FileWinCommandSeek = 3,
    FileWinCommandEnd = 4,
};

struct FileWinRecord {
    HANDLE osHandle;  // direct mode; null in thread mode
    int32_t threadMode;
    int32_t cache;
    int32_t async;
    std::atomic<int32_t> endFlag;  // the reading thread sets it after a short asynchronous read
    uint32_t position;             // the caller's read position
    uint32_t size;
    DWORD threadId;
    HANDLE threadHandle;
    HANDLE threadFile;  // the file as the reading thread opened it
    HANDLE requestEvent;
    HANDLE doneEvent;
    int32_t command;
    int32_t threadFinished;
    int32_t openFailed;
    char path[260];
    void* readDestination;
    uint32_t readPosition;
    uint32_t readLength;  // asked; afterwards the bytes read from the file
    uint32_t seekPosition;
    unsigned char* cacheBuffer;
    uint32_t cachePosition;  // file offset of the cache's first valid byte
    uint32_t cacheFill;      // valid bytes
    uint32_t cacheStart;     // index of the first valid byte in the buffer
};

StreamHandle FileWinOpen(const char* path, int useCache, int blockRead, int asyncRead);
int FileWinClose(StreamHandle stream);  // 0, or -1 (unknown stream, close refused)
int32_t FileWinTell(StreamHandle stream);
int FileWinSeek(StreamHandle stream, int32_t offset, int origin);
size_t FileWinRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream);
int FileWinEof(StreamHandle stream);
int FileWinIdleCheck(StreamHandle stream);
int FileWinChDir(const char* path);
int FileWinGetDir(char* buffer);  // 260 bytes of room
// The current directory into `size` bytes: 0, or -1 with the buffer emptied
// when it cannot be read or does not fit.
int ReadCurrentDirectory(char* buffer, unsigned size);
intptr_t FileWinFindFirst(const char* pattern, FileFindInfo* info);
int FileWinFindNext(intptr_t find, FileFindInfo* info);
int FileWinFindClose(intptr_t find);

// Records open now (tests: nothing left behind).
int FileWinOpenCount();

}  // namespace DuRud
