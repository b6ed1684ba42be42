// File handles: opening (at once or queued), the line reader and the
// handle type's start and end.
#include "files/file_handles.h"

#include <cstring>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "files/full_path.h"

namespace DuRud {
namespace {

int g_initialised = 0;

// The record of a live file handle; with allowPending 0 a handle whose open
// is still queued or running is refused.
FileHandleRecord* fileRecord(Handle handle, bool allowPending) {
    if (handle < 0 || HandleTypeOf(handle) != HandleTypeFile) return nullptr;
    HandleHeader* header = GetHandleRecord(handle);
    if (header == nullptr) return nullptr;
    if (!allowPending && ReadPendingCount(header) != 0) return nullptr;
    return reinterpret_cast<FileHandleRecord*>(header);
}

// The type's lock is held by the opener from queueing until the pending
// load is recorded; a worker passes through it first, so it never finishes a
// load that was not yet counted.
void waitUntilRecorded() {
    HandleTypeRecord* type = GetHandleTypeRecord(HandleTypeFile);
    if (type == nullptr || !type->initialised) return;
    LockWithSource(&type->lock, __FILE__, __LINE__);
    LeaveLock(&type->lock);
}

void FileHandleOpenWorker(AsyncRequest* request) {
    const uint8_t* params = AsyncRequestParams(request);
    int offset = 0;
    Handle handle = AsyncParamGetInt(params, &offset);
    const char* path = AsyncParamGetString(params, &offset);
    int asyncRead = AsyncParamGetInt(params, &offset);
    waitUntilRecorded();
    int result = OpenFileHandleStream(handle, path, asyncRead, 1);
    EndHandleAsyncLoad(handle);
    if (result != 0) DeleteHandle(handle);
}

Handle queueOpen(Handle handle, const char* path, int asyncRead) {
    char full[kFullPathMaxLength + 1];
    if (ConvertToFullPath(path, full, sizeof full, nullptr) != 0) return -1;
    int size = 0;
    AsyncParamPutInt(nullptr, &size, handle);
    if (AsyncParamPutString(nullptr, &size, full) != 0) return -1;
    AsyncParamPutInt(nullptr, &size, asyncRead);
    AsyncRequest* request = AsyncRequestAlloc(size);
    if (request == nullptr) return -1;
    int offset = 0;
    AsyncParamPutInt(AsyncRequestParams(request), &offset, handle);
    AsyncParamPutString(AsyncRequestParams(request), &offset, full);
    AsyncParamPutInt(AsyncRequestParams(request), &offset, asyncRead);
    request->worker = FileHandleOpenWorker;

    return EnqueueHandleLoad(HandleTypeFile, handle, request) == 0 ? handle : -1;
}

}  // namespace

int FileHandleRelease(HandleHeader* header) {
    auto* record = reinterpret_cast<FileHandleRecord*>(header);
    if (record->stream != 0) CloseStream(record->stream);
    record->stream = 0;
    return 0;
}

int InitFileHandles() {
    if (g_initialised) return -1;
    if (RegisterHandleType(HandleTypeFile, sizeof(FileHandleRecord), kFileHandleMaximum, nullptr,
                           FileHandleRelease, Cp932Text("ファイル")) != 0) {
        return -1;
    }
    g_initialised = 1;
    return 0;
}

int EndFileHandles() {
    if (!g_initialised) return -1;
    EndHandleType(HandleTypeFile);
    g_initialised = 0;
    return 0;
}

int OpenFileHandleStream(Handle handle, const char* path, int asyncRead, int fromWorker) {
    FileHandleRecord* record = fileRecord(handle, fromWorker != 0);
    if (record == nullptr || path == nullptr) return -1;
    StreamHandle stream = OpenStream(path, 0, 1, asyncRead);
    if (stream == 0) return -1;
    if (record->stream != 0) CloseStream(record->stream);
    record->stream = stream;
    return 0;
}

Handle OpenFileHandleEx(const char* path, int asyncRead, int useAsyncLoad) {
    if (!g_initialised) InitFileHandles();
    Handle handle = AddHandle(HandleTypeFile, -1);
    if (handle == -1) return -1;
    if (useAsyncLoad) {
        if (queueOpen(handle, path, asyncRead) == -1) {
            DeleteHandle(handle);
            return 0;
        }
        return handle;
    }
    if (OpenFileHandleStream(handle, path, asyncRead, 0) != 0) {
        DeleteHandle(handle);
        return 0;
    }
    return handle;
}

Handle OpenFileHandle(const char* path, int asyncRead) {
    return OpenFileHandleEx(path, asyncRead, GetUseAsyncLoad());
}

int ReadFileHandleLine(char* buffer, int size, Handle handle) {
    FileHandleRecord* record = fileRecord(handle, false);
    if (record == nullptr || record->stream == 0 || buffer == nullptr || size < 2) return -1;
    StreamHandle stream = record->stream;
    if (CheckStreamEof(stream) != 0) return -1;
    int32_t start = TellStream(stream);
    auto got = static_cast<int>(ReadStream(buffer, 1, static_cast<size_t>(size - 1), stream));
    for (int turn = 0; CheckStreamIdle(stream) == 0; ++turn) WaitTurn(turn);
    if (got <= 0) return -1;

    const int charSet = GetEngineCharSet();
    auto* bytes = reinterpret_cast<unsigned char*>(buffer);
    int length = got;
    for (int i = 0; i < got;) {
        unsigned char c = bytes[i];
        if (c == 0) {
            length = i;  // the position stays after every byte read
            break;
        }
        bool lead = IsLeadByte(c, charSet) != 0;
        if (lead && i + 1 >= got) {
            // Its trail byte was not read: leave it for the next call, unless
            // it is the only byte, which then counts alone (so every call
            // moves on).
            if (i == 0) break;
            length = i;
            SeekStream(stream, start + i, 0);
            break;
        }
        if (c == '\r' && i + 1 < got && bytes[i + 1] == '\n') {
            length = i;
            SeekStream(stream, start + i + 2, 0);
            break;
        }
        i += lead ? 2 : 1;
    }
    buffer[length] = '\0';
    return length;
}

}  // namespace DuRud
