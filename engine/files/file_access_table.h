// The file-access table: the twelve file primitives every engine file
// access goes through. One built-in set reads plain files through the
// Windows file layer; the archive-aware set plugs into the same slots.
#pragma once

#include <cstddef>
#include <cstdint>

namespace DuRud {

// Stream handles are opaque and pointer-sized; 0 means failure.
typedef intptr_t StreamHandle;

// Local time fields of a found file.
struct FileDateTime {
    int32_t year, month, day, hour, minute, second;
};

// What a directory search reports for one entry.
struct FileFindInfo {
    char name[260];       // as written on disk, NUL-terminated
    int32_t isDirectory;  // 1 for a directory
    uint64_t size;        // low word first
    FileDateTime creationTime;
    FileDateTime lastWriteTime;
};

struct StreamFunctionTable {
    // path, use read-ahead cache, block-read flag (no effect), asynchronous read
    StreamHandle (*Open)(const char* path, int useCache, int blockRead, int asyncRead);
    int (*Close)(StreamHandle stream);  // 0, or -1
    int32_t (*Tell)(StreamHandle stream);
    int (*Seek)(StreamHandle stream, int32_t offset,
                int origin);  // origin 0 start, 1 current, 2 end
    size_t (*Read)(void* buffer, size_t elementSize, size_t count,
                   StreamHandle stream);    // elements
    int (*Eof)(StreamHandle stream);        // -1 at the end, else 0
    int (*IdleCheck)(StreamHandle stream);  // 1 idle, 0 a read is pending, -1 bad stream
    int (*ChDir)(const char* path);         // 0, or -1
    int (*GetDir)(char* buffer);            // 0, or -1 (buffer "" then)
    // A find handle, or -1 when nothing matches; info may be null.
    intptr_t (*FindFirst)(const char* pattern, FileFindInfo* info);
    int (*FindNext)(intptr_t find, FileFindInfo* info);  // 0, or -1 when no further match
    int (*FindClose)(intptr_t find);                     // 0, or -1
};

// Forwarders through the current table; arguments and results untouched.
StreamHandle OpenStream(const char* path, int useCache, int blockRead, int asyncRead);
int CloseStream(StreamHandle stream);
int32_t TellStream(StreamHandle stream);
int SeekStream(StreamHandle stream, int32_t offset, int origin);
size_t ReadStream(void* buffer, size_t elementSize, size_t count, StreamHandle stream);
int CheckStreamEof(StreamHandle stream);
int CheckStreamIdle(StreamHandle stream);
int ChangeStreamDir(const char* path);
int GetStreamDir(char* buffer);  // 260 bytes of room in the plain set, 256 in the archive set

// The table itself (the video player calls its slots directly).
StreamFunctionTable* GetStreamFunctionTable();

// Non-null copies the caller's slots; null installs the built-in set the
// archive-use setting selects. 0.
int SetStreamFunctionTable(const StreamFunctionTable* table);
// 1 when the table holds the selected built-in set (IdleCheck not compared).
int IsDefaultStreamFunctionTable();
// Chooses between the archive-aware (non-zero) and the plain set; the table
// follows only when it held the default set. 0.
int SetUseArchive(int flag);

// The two built-in sets.
const StreamFunctionTable& PlainStreamFunctionSet();
const StreamFunctionTable& ArchiveStreamFunctionSet();

}  // namespace DuRud
