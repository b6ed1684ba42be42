// File handles (handle type 17): a file opened through the file-access
// table, read line by line by the game's list and stage loaders; opened at
// once or through the asynchronous loader.
#pragma once

#include "DuRud.h"
#include "files/file_access_table.h"

namespace DuRud {

constexpr int kFileHandleMaximum = 32768;

struct FileHandleRecord {
    HandleHeader header;
    StreamHandle stream;  // 0 while none is open
};

// Registers type 17 (once; -1 when already done).
int InitFileHandles();
// Ends type 17, closing every stream still open (-1 when not initialised).
int EndFileHandles();

// OpenFileHandle with the use-asynchronous-loading choice explicit.
Handle OpenFileHandleEx(const char* path, int asyncRead, int useAsyncLoad);
// Opens the stream of a handle; the worker passes fromWorker 1, which allows
// the handle's own pending load. 0, or -1.
int OpenFileHandleStream(Handle handle, const char* path, int asyncRead, int fromWorker);
// The delete callback: closes the stream.
int FileHandleRelease(HandleHeader* record);

}  // namespace DuRud
