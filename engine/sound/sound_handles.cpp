// Sound handles: the record's life (creation, the terminate callback) and
// loading a sound file into a handle, at once or as an asynchronous load
// request: converted whole into memory buffers, or into a stream when the
// sound is long or the creation kind asks for one.
#include "sound/sound_handles.h"

#include <cstring>

#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "files/full_path.h"

namespace DuRud {

namespace {

constexpr uint32_t kLongestMemorySoundSeconds = 180;

int Log(const char* utf8) {
    return LogWrite(Cp932Text(utf8));
}

int Fail(const char* utf8) {
    LogWrite(Cp932Text(utf8));
    return -1;
}

void LoadSoundWorker(AsyncRequest* request) {
    const uint8_t* params = AsyncRequestParams(request);
    int offset = 0;
    SoundCreateSettings settings{};
    int size = 0;
    const void* block = AsyncParamGetBlock(params, &offset, &size);
    if (block && size == sizeof(settings)) std::memcpy(&settings, block, sizeof(settings));
    const Handle handle = AsyncParamGetInt(params, &offset);
    const char* path = AsyncParamGetString(params, &offset);
    const int bufferCount = AsyncParamGetInt(params, &offset);
    const Handle share = AsyncParamGetInt(params, &offset);
    // The queuing thread records the pending load under the type's lock.
    HandleTypeRecord* type = GetHandleTypeRecord(HandleTypeSound);
    LockWithSource(&type->lock, __FILE__, __LINE__);
    LeaveLock(&type->lock);
    const int result = LoadSoundFileNow(&settings, path, bufferCount, share, handle, 1);
    EndHandleAsyncLoad(handle);
    if (result < 0) DeleteHandle(handle);
}

Handle QueueLoad(const SoundCreateSettings* settings, const char* path, int bufferCount,
                 Handle share, Handle handle) {
    int size = 0;
    AsyncParamPutBlock(nullptr, &size, settings, sizeof(*settings));
    AsyncParamPutInt(nullptr, &size, handle);
    AsyncParamPutString(nullptr, &size, path);
    AsyncParamPutInt(nullptr, &size, bufferCount);
    AsyncParamPutInt(nullptr, &size, share);
    AsyncRequest* request = AsyncRequestAlloc(size);
    if (!request) return -1;
    uint8_t* params = AsyncRequestParams(request);
    int offset = 0;
    AsyncParamPutBlock(params, &offset, settings, sizeof(*settings));
    AsyncParamPutInt(params, &offset, handle);
    AsyncParamPutString(params, &offset, path);
    AsyncParamPutInt(params, &offset, bufferCount);
    AsyncParamPutInt(params, &offset, share);
    request->worker = LoadSoundWorker;
    return EnqueueHandleLoad(HandleTypeSound, handle, request) == 0 ? handle : -1;
}

// Copies the PCM into every buffer that does not share buffer 0's memory.
int FillBuffers(SoundHandleRecord* r) {
    for (int i = 0; i < r->bufferCount; ++i) {
        if (r->sharedMemory[i] == 1) continue;
        void* p[2] = {};
        DWORD n[2] = {};
        if (LockSoundBuffer(&r->buffers[i], 0, r->dataSize, &p[0], &n[0], &p[1], &n[1]) < 0)
            return Log("サウンドデータの転送に失敗しました_1\n");
        std::memcpy(p[0], r->data, n[0]);
        if (p[1] && n[1]) std::memcpy(p[1], static_cast<uint8_t*>(r->data) + n[0], n[1]);
        if (UnlockSoundBuffer(&r->buffers[i], p[0], n[0], p[1], n[1]) < 0)
            return Log("サウンドデータの転送に失敗しました_2\n");
    }
    return 0;
}

// Runs `use` on a converter set up over the file image: its result, or -1
// (logged) when the converter cannot be set up.
template <class Use>
int WithConverter(const SoundCreateSettings* settings, const void* image, uint32_t size, Use use) {
    const StreamHandle stream = OpenMemoryImageStream(image, size);
    if (!stream) return Fail("音声ファイルのＰＣＭへの変換に失敗しました\n");
    SoundConvertState convert{};
    int result = 0;
    if (SetupSoundConvert(&convert, GetMemoryImageStreamInterface(), stream,
                          settings->convertOptions[0], settings->convertOptions[1],
                          settings->convertOptions[2]) < 0) {
        result = Fail("音声ファイルのＰＣＭへの変換に失敗しました\n");
    } else {
        result = use(&convert);
        EndSoundConvert(&convert);
    }
    CloseMemoryImageStream(stream);
    return result;
}

// The whole sound converted to PCM: 0 and a tracked block, or -1 (logged).
int ConvertWhole(const SoundCreateSettings* settings, const void* image, uint32_t size,
                 WAVEFORMATEX* format, void** pcm, int* pcmSize) {
    return WithConverter(settings, image, size, [&](SoundConvertState* convert) {
        return ConvertSoundAll(convert, format, pcm, pcmSize) < 0
                   ? Fail("音声ファイルを格納するメモリ領域の確保に失敗しました\n")
                   : 0;
    });
}

// Converts straight into buffer 0 while it is locked (and copies into the
// buffers that keep their own memory): 1 loaded, -1 failed (logged), 0 not
// taken, with the buffers released again.
int FillFromConverter(SoundHandleRecord* r, SoundConvertState* convert, int bufferCount) {
    WAVEFORMATEX format{};
    GetConvertFormat(convert, &format);
    const int total = GetSoundConvertSize(convert);
    const uint32_t bytes =
        format.nBlockAlign && total > 0
            ? static_cast<uint32_t>(total) / format.nBlockAlign * format.nBlockAlign
            : 0;
    if (bytes == 0 || !format.nAvgBytesPerSec ||
        bytes / format.nAvgBytesPerSec > kLongestMemorySoundSeconds ||
        CreateSoundBuffers(r->buffers, r->sharedMemory, bufferCount, &format, bytes, 0) != 0)
        return 0;
    auto releaseAll = [&] {
        for (int i = 0; i < bufferCount; ++i) ReleaseSoundBuffer(&r->buffers[i]);
        return 0;
    };
    void* p[2] = {};
    DWORD n[2] = {};
    if (LockSoundBuffer(&r->buffers[0], 0, bytes, &p[0], &n[0], &p[1], &n[1]) < 0)
        return Fail("サウンドデータの転送に失敗しました_1\n");
    const int produced = p[1] ? -1 : ConvertSoundFromStart(convert, p[0], static_cast<int>(n[0]));
    if (produced != static_cast<int>(bytes)) {
        // A file that holds less than it says: the whole-copy road sizes
        // the buffers by what the conversion really gives.
        UnlockSoundBuffer(&r->buffers[0], p[0], n[0], p[1], n[1]);
        return releaseAll();
    }
    int result = 0;
    for (int i = 1; i < bufferCount && result == 0; ++i) {
        if (r->sharedMemory[i] == 1) continue;
        void* q[2] = {};
        DWORD m[2] = {};
        if (LockSoundBuffer(&r->buffers[i], 0, bytes, &q[0], &m[0], &q[1], &m[1]) < 0) {
            result = Fail("サウンドデータの転送に失敗しました_1\n");
            break;
        }
        std::memcpy(q[0], p[0], m[0]);
        if (q[1] && m[1]) std::memcpy(q[1], static_cast<uint8_t*>(p[0]) + m[0], m[1]);
        if (UnlockSoundBuffer(&r->buffers[i], q[0], m[0], q[1], m[1]) < 0)
            result = Fail("サウンドデータの転送に失敗しました_2\n");
    }
    if (UnlockSoundBuffer(&r->buffers[0], p[0], n[0], p[1], n[1]) < 0 && result == 0)
        result = Fail("サウンドデータの転送に失敗しました_2\n");
    r->bufferCount = bufferCount;
    r->frequency = static_cast<int32_t>(format.nSamplesPerSec);
    r->format = format;
    r->data = nullptr;
    r->dataSize = bytes;
    r->dataReferences = static_cast<int32_t*>(TrackedAlloc(sizeof(int32_t), __FILE__, __LINE__));
    if (!r->dataReferences)
        return Fail("サウンドデータの参照数を保存するメモリ領域の確保に失敗しました\n");
    *r->dataReferences = 1;
    return result == 0 ? 1 : -1;
}

// A memory sound converted straight into its buffers, so that its samples
// are never held twice: a whole copy beside the buffers while they were
// filled doubled the memory of every sound loading at once (all the music,
// at the end of the list loading). Results as FillFromConverter's.
int ConvertIntoBuffers(SoundHandleRecord* r, const SoundCreateSettings* settings, const void* image,
                       uint32_t size, int bufferCount) {
    return WithConverter(settings, image, size, [&](SoundConvertState* convert) {
        return FillFromConverter(r, convert, bufferCount);
    });
}

}  // namespace

int SoundHandleRecordSize() {
    return static_cast<int>(sizeof(SoundHandleRecord));
}

void InitSoundHandleRecord(HandleHeader* header) {
    auto* r = reinterpret_cast<SoundHandleRecord*>(header);
    r->volume = r->pan = r->frequency = 0;
    r->stream.partCount = 0;
    r->stream.shareHandle = r->stream.currentUser = -1;
}

int TerminateSoundHandleRecord(HandleHeader* header) {
    auto* r = reinterpret_cast<SoundHandleRecord*>(header);
    if (r->isStream) return DeleteStreamSound(r);
    if (r->buffers[0].valid) StopSoundHandle(r->header.handle);
    for (SoundBufferRecord& buffer : r->buffers) {
        if (buffer.valid) ReleaseSoundBuffer(&buffer);
    }
    if (!r->dataReferences || --*r->dataReferences <= 0) {
        TrackedFree(r->data);
        TrackedFree(r->dataReferences);
    }
    r->data = nullptr;
    r->dataReferences = nullptr;
    return 0;
}

SoundHandleRecord* GetLoadingSoundRecord(Handle handle) {
    if (!SoundSystem().device || handle < 0 || HandleTypeOf(handle) != HandleTypeSound)
        return nullptr;
    return reinterpret_cast<SoundHandleRecord*>(GetHandleRecord(handle));
}

SoundHandleRecord* GetSoundRecord(Handle handle) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    return r && ReadPendingCount(&r->header) == 0 ? r : nullptr;
}

Handle CreateSoundHandle(Handle wanted) {
    if (!SoundSystem().initialised) return -1;
    return AddHandle(HandleTypeSound, wanted);
}

Handle LoadSoundFromFile(const char* fileName, int bufferCount, Handle shareHandle) {
    return LoadSoundFile(fileName, bufferCount, shareHandle);
}

Handle LoadSoundFile(const char* fileName, int bufferCount, Handle shareHandle) {
    SoundCreateSettings settings{};
    GetSoundCreateSettings(&settings);
    return LoadSoundFileWithSettings(&settings, fileName, bufferCount, shareHandle,
                                     GetUseAsyncLoad(), 0);
}

Handle LoadSoundFileWithSettings(const SoundCreateSettings* settings, const char* fileName,
                                 int bufferCount, Handle shareHandle, int asynchronous,
                                 int fromWorker) {
    if (!settings || !fileName || !SoundSystem().device) return -1;
    const Handle handle = CreateSoundHandle(-1);
    if (handle < 0) return -1;
    char full[kFullPathMaxLength + 1];
    Handle result = -1;
    if (ConvertToFullPath(fileName, full, sizeof(full), nullptr) == 0) {
        if (asynchronous)
            result = QueueLoad(settings, full, bufferCount, shareHandle, handle);
        else if (LoadSoundFileNow(settings, full, bufferCount, shareHandle, handle, fromWorker) ==
                 0)
            result = handle;
    }
    if (result < 0) DeleteHandle(handle);
    return result;
}

void* LoadWholeFile(const char* path, uint32_t* size) {
    const StreamHandle stream = OpenStream(path, 0, 0, 0);
    if (!stream) {
        LogFormatLine(Cp932Text("右記のファイルのオープンに失敗しました：%s"), path);
        return nullptr;
    }
    SeekStream(stream, 0, SEEK_END);
    const int32_t length = TellStream(stream);
    SeekStream(stream, 0, SEEK_SET);
    void* block =
        length > 0 ? TrackedAlloc(static_cast<uint32_t>(length), __FILE__, __LINE__) : nullptr;
    if (length > 0 && !block)
        LogFormatLine(Cp932Text("右記のファイルのロードに必要なメモリの確保に失敗しました：%s"),
                      path);
    // Only the bytes really read count: a short read must not turn
    // uninitialised memory into sound.
    const size_t read = block ? ReadStream(block, 1, static_cast<size_t>(length), stream) : 0;
    CloseStream(stream);
    if (read == 0) {
        TrackedFree(block);
        return nullptr;
    }
    *size = static_cast<uint32_t>(read);
    return block;
}

int LoadSoundFileNow(const SoundCreateSettings* settings, const char* fileName, int bufferCount,
                     Handle shareHandle, Handle handle, int fromWorker) {
    if (bufferCount > kMaxSoundBuffers) bufferCount = kMaxSoundBuffers;
    if (settings->kind != 0) {
        if (AddStreamSoundFile(settings, fileName, 0, handle, settings->kind, shareHandle,
                               fromWorker) < 0)
            return -1;
        PrepareStreamSound(handle, fromWorker);
        return 0;
    }
    uint32_t size = 0;
    void* image = LoadWholeFile(fileName, &size);
    if (!image) {
        LogFormatLine(Cp932Text("右記の音声ファイルのロードに失敗しました_1：%s"), fileName);
        return -1;
    }
    const int result =
        CreateSoundFromMemory(handle, settings, image, size, bufferCount, -1, fromWorker);
    if (result < 0)
        LogFormatLine(Cp932Text("右記の音声ファイルのロードに失敗しました_2：%s"), fileName);
    TrackedFree(image);
    return result;
}

int CreateSoundFromMemory(Handle handle, const SoundCreateSettings* settings, const void* image,
                          uint32_t size, int bufferCount, Handle shareHandle, int fromWorker) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    if (!r || !settings || bufferCount > kMaxSoundBuffers) return -1;
    if (bufferCount < 1) bufferCount = 1;
    SoundCreateSettings streamSettings = *settings;
    if (settings->kind == 0) {
        const int direct = ConvertIntoBuffers(r, settings, image, size, bufferCount);
        if (direct != 0) return direct > 0 ? 0 : -1;
        WAVEFORMATEX format{};
        void* pcm = nullptr;
        int pcmSize = 0;
        if (ConvertWhole(settings, image, size, &format, &pcm, &pcmSize) < 0) return -1;
        // Whole frames only: a truncated file's last part frame is dropped,
        // never read past, and the buffers take the data as it is.
        const uint32_t bytes = format.nBlockAlign ? static_cast<uint32_t>(pcmSize) /
                                                        format.nBlockAlign * format.nBlockAlign
                                                  : static_cast<uint32_t>(pcmSize);
        if (format.nAvgBytesPerSec &&
            bytes / format.nAvgBytesPerSec <= kLongestMemorySoundSeconds &&
            CreateSoundBuffers(r->buffers, r->sharedMemory, bufferCount, &format, bytes, 0) == 0) {
            r->bufferCount = bufferCount;
            r->frequency = static_cast<int32_t>(format.nSamplesPerSec);
            r->format = format;
            r->data = pcm;
            r->dataSize = bytes;
            r->dataReferences =
                static_cast<int32_t*>(TrackedAlloc(sizeof(int32_t), __FILE__, __LINE__));
            if (!r->dataReferences) {
                Log("サウンドデータの参照数を保存するメモリ領域の確保に失敗しました\n");
                return -1;  // the terminate callback frees the data and the buffers
            }
            *r->dataReferences = 1;
            const int filled = FillBuffers(r);
            // The buffers hold the samples now; a second whole copy kept
            // beside them doubled every loaded sound's memory.
            TrackedFree(r->data);
            r->data = nullptr;
            return filled;
        }
        TrackedFree(pcm);
        streamSettings.kind = 2;
    }
    if (AddStreamSoundMemory(&streamSettings, image, size, 0, handle, streamSettings.kind,
                             shareHandle, fromWorker) < 0)
        return -1;
    PrepareStreamSound(handle, fromWorker);
    return 0;
}

}  // namespace DuRud
