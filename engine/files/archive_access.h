// Archive-aware file access: the default file-access set. A path inside a
// ZAV archive named after one of its leading directories is read out of the
// archive; other paths are plain files of the Windows file layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/file_access_table.h"

namespace DuRud {

int InitArchives();  // its lock and tables; 0, or -1 when already started
int EndArchives();   // closes every unused archive; -1 when not started

// Stores at most 12 characters of the key string (null: no key). 0.
int SetArchiveKeyString(const char* keyString);

// The twelve slots of the set.
StreamHandle ArchiveApiOpen(const char* path, int useCache, int blockRead, int asyncRead);
int ArchiveApiClose(StreamHandle stream);
int32_t ArchiveApiTell(StreamHandle stream);
int ArchiveApiSeek(StreamHandle stream, int32_t offset, int origin);
size_t ArchiveApiRead(void* buffer, size_t elementSize, size_t count, StreamHandle stream);
int ArchiveApiEof(StreamHandle stream);
int ArchiveApiIdleCheck(StreamHandle stream);
int ArchiveApiChDir(const char* path);
int ArchiveApiGetDir(char* buffer);  // 256 bytes of room
intptr_t ArchiveApiFindFirst(const char* pattern, FileFindInfo* info);
int ArchiveApiFindNext(intptr_t find, FileFindInfo* info);
int ArchiveApiFindClose(intptr_t find);

const StreamFunctionTable& ArchiveAwareFunctionSet();

// 0 when an archive covers the path: its cache slot (a reference taken),
// its path (256 bytes of room) and the path inside it (1024), each optional.
int ArchiveResolvePath(const char* path, int* slot, char* archivePath, char* innerPath);
int ArchiveCacheSweep();
// Gives back a reference a resolution took (never below 0). 0, or -1.
int ArchiveCacheRelease(int slot);

// Tests: archives cached, files open, and whether a slot holds an archive
// with a reference count (-1 when empty).
int ArchiveCacheCount();
int ArchiveOpenFileCount();
int ArchiveCacheReferences(int slot);

}  // namespace DuRud
