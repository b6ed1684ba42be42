// Stream sounds: up to three parts, each decoded by its own converter while
// it plays into a one-second ring buffer that the refill keeps ahead of the
// play cursor (the stream thread every 10 ms, or the message pump), with
// part loops, whole-stream loops, the end of a one-shot, shared rings and
// the play position kept in bytes of the sound.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "sound/sound_handles.h"

namespace DuRud {

namespace {

constexpr int32_t kNotFilled = -800;
constexpr int kPlayLoop = 3;

int Log(const char* utf8) {
    return LogWrite(Cp932Text(utf8));
}

class SoundLock {
  public:
    SoundLock() { LockWithSource(&SoundSystem().soundLock, __FILE__, __LINE__); }
    ~SoundLock() { LeaveLock(&SoundSystem().soundLock); }
    SoundLock(const SoundLock&) = delete;
    SoundLock& operator=(const SoundLock&) = delete;
};

uint32_t RoundDown(uint64_t value, uint32_t block) {
    return static_cast<uint32_t>(value / block * block);
}
uint32_t RoundUp(uint64_t value, uint32_t block) {
    return static_cast<uint32_t>((value + block - 1) / block * block);
}
uint32_t Forward(uint32_t from, uint32_t to, uint32_t size) {
    return (to + size - from) % size;
}

uint32_t Block(const SoundHandleRecord* r) {
    return r->format.nBlockAlign ? r->format.nBlockAlign : 1;
}
uint32_t BytesPerSecond(const SoundHandleRecord* r) {
    return r->format.nAvgBytesPerSec;
}

SoundHandleRecord* Owner(SoundHandleRecord* r) {
    return r->stream.shareOwner ? r->stream.shareOwner : r;
}

bool BufferPlaying(SoundBufferRecord* buffer) {
    DWORD status = 0;
    return GetSoundBufferStatus(buffer, &status) == 0 && (status & DSBSTATUS_PLAYING);
}

void ResetStream(StreamState& st) {
    st.endWritten = 0;
    st.positionInPart = 0;
    st.bytesPlayed = 0;
    st.wrapPending = 0;
    st.loopCounter = 0;
    st.currentPart = 0;
    st.started = 0;
}

// The ring this stream plays through, taken for it; null when another
// stream holds it and `force` is not set (forcing stops that one, which
// then starts afresh when it plays again).
SoundBufferRecord* TakeBuffer(SoundHandleRecord* r, bool force) {
    SoundHandleRecord* owner = Owner(r);
    const Handle me = r->header.handle;
    const Handle user = owner->stream.currentUser;
    if (user != -1 && user != me) {
        if (!force) return nullptr;
        if (SoundHandleRecord* other =
                user == owner->header.handle ? owner : GetLoadingSoundRecord(user)) {
            other->stream.started = 0;
        }
        StopSoundBuffer(&owner->buffers[0]);
        owner->paused[0] = owner->wasPlaying[0] = 0;
    }
    owner->stream.currentUser = me;
    return owner->buffers[0].valid ? &owner->buffers[0] : nullptr;
}

bool HoldsBuffer(SoundHandleRecord* r) {
    const Handle user = Owner(r)->stream.currentUser;
    return user == -1 || user == r->header.handle;
}

// Brings bytes played up to the play cursor P.
void UpdatePosition(SoundHandleRecord* r, uint32_t p) {
    StreamState& st = r->stream;
    const uint32_t size = st.ringSize;
    if (size == 0 || p == st.lastBufferPosition) return;
    const uint32_t moved = Forward(st.lastBufferPosition, p, size);
    if (st.wrapPending && Forward(st.lastBufferPosition, st.wrapPosition, size) <= moved) {
        st.bytesPlayed =
            static_cast<int32_t>(st.loopRestartPosition + Forward(st.wrapPosition, p, size));
        st.wrapPending = 0;
    } else {
        st.bytesPlayed += static_cast<int32_t>(moved);
    }
    st.lastBufferPosition = p;
}

void UpdatePositionFromBuffer(SoundHandleRecord* r) {
    if (!HoldsBuffer(r)) return;
    DWORD p = 0;
    if (GetSoundBufferPosition(&Owner(r)->buffers[0], &p, nullptr) == 0) UpdatePosition(r, p);
}

// Silence (128 for 8-bit data) over `bytes` of the ring from `at`.
uint32_t WriteSilence(SoundHandleRecord* r, SoundBufferRecord* buffer, uint32_t at,
                      uint32_t bytes) {
    void* p[2] = {};
    DWORD n[2] = {};
    if (bytes == 0 || LockSoundBuffer(buffer, at, bytes, &p[0], &n[0], &p[1], &n[1]) < 0) return 0;
    const int fill = r->format.wBitsPerSample == 8 ? 128 : 0;
    for (int i = 0; i < 2; ++i) {
        if (p[i]) std::memset(p[i], fill, n[i]);
    }
    UnlockSoundBuffer(buffer, p[0], n[0], p[1], n[1]);
    return n[0] + n[1];
}

// The current part ran out of data (`ringAfter`: the ring position right
// after what was written; `playAtStart`: the cursor when the refill began).
// -1 ends this refill's writing.
int AdvanceStreamPart(SoundHandleRecord* r, uint32_t ringAfter, uint32_t playAtStart) {
    StreamState& st = r->stream;
    const uint32_t block = Block(r);
    StreamPart* part = &st.parts[st.currentPart];
    ++st.loopCounter;
    if (part->loopCount != kLoopForever) {
        if (st.loopCounter > part->loopCount) {
            const bool last = st.currentPart == st.partCount - 1;
            if (last && st.playType == kPlayLoop && st.wrapPending) return -1;
            st.loopCounter = 0;
            if (++st.currentPart >= st.partCount) {
                st.playedOnce = 1;
                if (st.playType != kPlayLoop) {
                    st.endWritten = 1;
                    st.endPosition1 = ringAfter;
                    st.endPosition2 = playAtStart;
                    return -1;
                }
                st.currentPart = 0;
                st.loopRestartPosition = 0;
                st.wrapPosition = ringAfter;
                st.wrapPending = 1;
            }
        }
        st.positionInPart = 0;
    } else {
        if (st.wrapPending) return -1;
        st.positionInPart = static_cast<int32_t>(part->loopStart * block);
        st.loopRestartPosition = static_cast<uint32_t>(st.positionInPart);
        st.wrapPosition = ringAfter;
        st.wrapPending = 1;
    }
    part = &st.parts[st.currentPart];
    SeekSoundConvert(&part->convert, static_cast<int>(st.positionInPart / block));
    return 0;
}

// Decodes `amount` bytes into the ring from `at`; the bytes taken by the ring.
uint32_t WriteStreamData(SoundHandleRecord* r, SoundBufferRecord* buffer, uint32_t at,
                         uint32_t amount, uint32_t playAtStart) {
    StreamState& st = r->stream;
    void* p[2] = {};
    DWORD n[2] = {};
    if (amount == 0 || LockSoundBuffer(buffer, at, amount, &p[0], &n[0], &p[1], &n[1]) < 0)
        return 0;
    uint32_t written = 0;
    const uint32_t total = n[0] + n[1];
    while (written < total && !st.endWritten) {
        StreamPart& part = st.parts[st.currentPart];
        const bool inFirst = written < n[0];
        auto* dest =
            static_cast<uint8_t*>(inFirst ? p[0] : p[1]) + (inFirst ? written : written - n[0]);
        int64_t want = inFirst ? n[0] - written : total - written;
        if (part.loopEnd >= 0)
            want = std::min<int64_t>(
                want, std::max<int64_t>(0, int64_t{part.loopEnd} * Block(r) - st.positionInPart));
        const int got = want > 0 ? RunSoundConvert(&part.convert, dest, static_cast<int>(want)) : 0;
        if (got > 0) {
            st.positionInPart += got;
            written += static_cast<uint32_t>(got);
        } else if (AdvanceStreamPart(r, (at + written) % st.ringSize, playAtStart) < 0) {
            break;
        }
    }
    UnlockSoundBuffer(buffer, p[0], n[0], p[1], n[1]);
    if (st.endWritten) {
        // The end of a one-shot: an eighth of a second of silence after it.
        written += WriteSilence(r, buffer, (at + written) % st.ringSize,
                                RoundDown(BytesPerSecond(r) / 8, Block(r)));
    }
    return written;
}

int RefillRecord(SoundHandleRecord* r) {
    StreamState& st = r->stream;
    if (!st.started) return -1;
    SoundBufferRecord* buffer = TakeBuffer(r, false);
    if (!buffer) return -1;
    const uint32_t block = Block(r);
    const uint32_t perSecond = BytesPerSecond(r);
    const uint32_t size = st.ringSize;
    DWORD p = 0;
    GetSoundBufferPosition(buffer, &p, nullptr);
    UpdatePosition(r, p);
    const auto w = static_cast<uint32_t>(st.writeCursor);
    const auto v = static_cast<uint32_t>(st.refillThreshold);
    uint32_t written = 0;
    bool first = false;
    if (st.endWritten) {
        // The cursor has passed the data's end. When nothing at all was
        // written the two ends meet and the whole ring but that point is past it.
        const bool passed = st.endPosition1 == st.endPosition2
                                ? p != st.endPosition1
                                : RingStrictlyBetween(p, st.endPosition1, st.endPosition2, size);
        if (passed) {
            StopSoundBuffer(buffer);
            ResetStream(st);
            return 0;
        }
        if (RingStrictlyBetween(p, w, v, size)) return -1;
        written = WriteSilence(r, buffer, w, RoundDown(perSecond / 8, block));
    } else if (!BufferPlaying(buffer) || st.writeCursor == kNotFilled) {
        if (st.writeCursor != kNotFilled) return 0;
        first = true;
        written = WriteStreamData(r, buffer, 0, RoundDown(uint64_t{perSecond} * 3 / 4, block), 0);
    } else {
        if (RingStrictlyBetween(p, w, v, size)) return -1;
        const uint64_t queued = uint64_t{Forward(p, w, size)} * 512 / perSecond;
        uint32_t amount = RoundDown(perSecond / 8, block);
        if (queued < 192) amount = RoundDown((192 - queued) * perSecond / 512, block);
        written = WriteStreamData(r, buffer, w, amount, p);
    }
    const uint32_t cursor = first ? written % size : (w + written) % size;
    st.writeCursor = static_cast<int32_t>(cursor);
    int64_t threshold = int64_t{cursor} - RoundUp(uint64_t{perSecond} * 3 / 4, block);
    if (threshold < 0) threshold += size;
    st.refillThreshold = static_cast<int32_t>(threshold);
    return 0;
}

int PrepareRecord(SoundHandleRecord* r, int fromWorker) {
    StreamState& st = r->stream;
    SoundBufferRecord* buffer = TakeBuffer(r, false);
    if (!buffer || st.started) return -1;
    if (!fromWorker && BufferPlaying(buffer)) return -1;
    SetSoundBufferPosition(buffer, 0);
    SeekSoundConvert(&st.parts[st.currentPart].convert,
                     static_cast<int>(st.positionInPart / Block(r)));
    st.writeCursor = kNotFilled;
    st.refillThreshold = -1;
    st.lastBufferPosition = 0;
    st.endWritten = 0;
    st.started = 1;
    return RefillRecord(r);
}

void StopRecord(SoundHandleRecord* r) {
    if (!HoldsBuffer(r)) return;
    SoundHandleRecord* owner = Owner(r);
    SoundBufferRecord* buffer = &owner->buffers[0];
    UpdatePositionFromBuffer(r);
    owner->stream.currentUser = -1;
    if (buffer->valid && BufferPlaying(buffer)) StopSoundBuffer(buffer);
    owner->paused[0] = owner->wasPlaying[0] = 0;
}

int PlayingRecord(SoundHandleRecord* r) {
    if (!HoldsBuffer(r)) return 0;
    SoundHandleRecord* owner = Owner(r);
    if (owner->paused[0]) return owner->wasPlaying[0];
    return owner->buffers[0].valid && BufferPlaying(&owner->buffers[0]) ? 1 : 0;
}

// The whole of a stream read into a tracked block (the bytes really read).
void* ReadWholeStream(const StreamInterface* stream, StreamHandle handle, uint32_t* size) {
    stream->Seek(handle, 0, SEEK_END);
    const int32_t length = stream->Tell(handle);
    stream->Seek(handle, 0, SEEK_SET);
    if (length <= 0) return nullptr;
    void* block = TrackedAlloc(static_cast<uint32_t>(length), __FILE__, __LINE__);
    if (!block) {
        Log("ストリームの読み込みに必要なメモリの確保に失敗しました\n");
        return nullptr;
    }
    const size_t read = stream->Read(block, 1, static_cast<size_t>(length), handle);
    if (read == 0) {
        TrackedFree(block);
        return nullptr;
    }
    *size = static_cast<uint32_t>(read);
    return block;
}

void EndPart(StreamPart& part, bool closeCallerStream) {
    const StreamInterface callerStream = part.convert.stream;
    const StreamHandle callerHandle = part.convert.streamHandle;
    if (part.convert.initialised) EndSoundConvert(&part.convert);
    if (part.memoryStream && part.memoryInterface.Close)
        part.memoryInterface.Close(part.memoryStream);
    if (closeCallerStream && callerHandle && callerStream.Close) callerStream.Close(callerHandle);
    TrackedFree(part.data);
    std::memset(static_cast<void*>(&part), 0, sizeof(part));
}

// Sets the part's converter up over its own memory copy of the bytes.
int SetupOverMemory(StreamPart& part, const SoundCreateSettings* s) {
    part.memoryInterface = *GetMemoryImageStreamInterface();
    part.memoryStream = OpenMemoryImageStream(part.data, part.dataSize);
    return part.memoryStream
               ? SetupSoundConvert(&part.convert, &part.memoryInterface, part.memoryStream,
                                   s->convertOptions[0], s->convertOptions[1], s->convertOptions[2])
               : -1;
}

// Kind 0: converted whole to PCM, read from the caller's stream straight into
// a WAVE image of its own (a memory sound turned into a stream at its first
// loop point held its samples three times over: its own image, a copy of it
// read whole and the PCM beside the new image).
int MakePcmPart(StreamPart& part, const SoundCreateSettings* s, const StreamInterface* stream,
                StreamHandle streamHandle) {
    SoundConvertState temporary{};
    if (SetupSoundConvert(&temporary, stream, streamHandle, s->convertOptions[0],
                          s->convertOptions[1], s->convertOptions[2]) != 0)
        return -1;
    WAVEFORMATEX format{};
    GetConvertFormat(&temporary, &format);
    const uint32_t total = static_cast<uint32_t>(std::max(GetSoundConvertSize(&temporary), 0));
    void* block = nullptr;
    uint32_t blockSize = 0;
    int result = -1;
    if (BuildWaveImage(&block, &blockSize, &format, sizeof(WAVEFORMATEX), nullptr, total) == 0) {
        const uint32_t header = blockSize - total;
        auto* bytes = static_cast<uint8_t*>(block);
        const int produced =
            std::max(ConvertSoundFromStart(&temporary, bytes + header, static_cast<int>(total)), 0);
        // A short file keeps what it really holds.
        SetWaveDataSize(bytes, sizeof(WAVEFORMATEX), static_cast<uint32_t>(produced));
        part.data = block;
        part.dataSize = header + static_cast<uint32_t>(produced);
        result = 0;
    }
    EndSoundConvert(&temporary);
    return result < 0 ? -1 : SetupOverMemory(part, s);
}

void ComputeTotal(SoundHandleRecord* r) {
    uint64_t total = 0;
    for (int i = 0; i < r->stream.partCount; ++i)
        total += static_cast<uint32_t>(GetSoundConvertSize(&r->stream.parts[i].convert)) / Block(r);
    r->stream.totalSamples = static_cast<uint32_t>(total);
}

// The first part decides the ring: another stream's (same format, its own
// ring) or a new one of one second.
int MakeRing(SoundHandleRecord* r, Handle shareHandle) {
    StreamState& st = r->stream;
    SoundHandleRecord* owner = shareHandle == -1 ? nullptr : GetSoundRecord(shareHandle);
    if (owner && owner->isStream && owner->stream.shareHandle == -1 &&
        std::memcmp(&owner->format, &r->format, sizeof(WAVEFORMATEX)) == 0) {
        st.shareHandle = shareHandle;
        st.shareOwner = owner;
        st.ringSize = owner->stream.ringSize;
        ++owner->stream.users;
    } else {
        st.ringSize = RoundUp(BytesPerSecond(r), Block(r));
        if (CreateSoundBuffers(r->buffers, r->sharedMemory, 1, &r->format, st.ringSize, 1) < 0)
            return Log("ストリーム風サウンドバッファの作成に失敗しました\n");
        st.shareHandle = -1;
        r->frequency = static_cast<int32_t>(r->format.nSamplesPerSec);
    }
    r->isStream = 1;
    r->bufferCount = 1;
    st.users = 0;
    st.currentUser = -1;
    st.deletePending = 0;
    SoundSystemState& s = SoundSystem();
    AddHandleListNode(&s.streamHead, &st.node, r->header.handle, r);
    return 0;
}

// Adds one part to the handle once `make` has given it its data and
// converter (`make` logs its own failure and leaves the part empty); the
// checks, the format match and the first part's ring are the same for all.
// A later failure frees the part's data unless it is `callersData`.
template <class Make>
int AddStreamPartWith(Handle handle, int loopCount, int kind, Handle shareHandle, Make make,
                      const void* callersData = nullptr) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    if (!r) return -1;
    SoundLock lock;
    StreamState& st = r->stream;
    if (st.partCount > 0) {
        if (!r->isStream)
            return Log(
                "ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
        if (PlayingRecord(r))
            return Log("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
        if (st.partCount >= kMaxStreamParts)
            return Log("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    }
    StreamPart& part = st.parts[st.partCount];
    std::memset(static_cast<void*>(&part), 0, sizeof(part));
    part.kind = kind;
    part.loopEnd = -1;
    if (make(part) < 0) return -1;
    auto endPart = [&] {
        if (callersData && part.data == callersData) part.data = nullptr;
        EndPart(part, false);
    };
    WAVEFORMATEX format{};
    GetConvertFormat(&part.convert, &format);
    if (st.partCount > 0 && std::memcmp(&format, &r->format, sizeof(format)) != 0) {
        endPart();
        return Log("フォーマットの違う音声データは同時に使うことは出来ません\n");
    }
    if (st.partCount == 0) {
        r->format = format;
        if (MakeRing(r, shareHandle) < 0) {
            endPart();
            return -1;
        }
    }
    part.loopCount = static_cast<uint8_t>(loopCount);
    ++st.partCount;
    ComputeTotal(r);
    return 0;
}

// The first part of a converted memory sound, over the WAVE image of its
// samples. When the converter hands that PCM on unchanged (what it does with
// plain PCM) the part keeps the image itself rather than converting it into a
// second one: a music track's samples were otherwise copied twice over at its
// first loop point. 0 or -1 (logged); `*kept` says whether the part took the
// image (otherwise it is still the caller's to free).
int AddConvertedSoundPart(const SoundCreateSettings* s, void* image, uint32_t size, Handle handle,
                          const WAVEFORMATEX& samplesFormat, uint32_t samplesSize, bool* kept) {
    *kept = false;
    const int result = AddStreamPartWith(
        handle, 0, 0, -1,
        [&](StreamPart& part) {
            part.data = image;
            part.dataSize = size;
            WAVEFORMATEX format{};
            if (SetupOverMemory(part, s) == 0 && part.convert.kind == SoundConvertKindWave &&
                GetConvertFormat(&part.convert, &format) == 0 &&
                std::memcmp(&format, &samplesFormat, sizeof(format)) == 0 &&
                GetSoundConvertSize(&part.convert) == static_cast<int>(samplesSize)) {
                *kept = true;
                return 0;
            }
            part.data = nullptr;  // the caller's still
            EndPart(part, false);
            part.kind = 0;
            part.loopEnd = -1;
            // Anything else is converted into an image of the part's own.
            const StreamHandle memory = OpenMemoryImageStream(image, size);
            if (!memory) return -1;
            const int made = MakePcmPart(part, s, GetMemoryImageStreamInterface(), memory);
            CloseMemoryImageStream(memory);
            if (made < 0) {
                EndPart(part, false);
                return Log("音声データの変換に失敗しました\n");
            }
            return 0;
        },
        image);
    if (result < 0) *kept = false;
    return result;
}

}  // namespace

bool RingStrictlyBetween(uint32_t p, uint32_t a, uint32_t b, uint32_t size) {
    if (size == 0) return false;
    const uint32_t toP = Forward(a % size, p % size, size);
    return toP > 0 && toP < Forward(a % size, b % size, size);
}

int AddSreamSound(const SoundCreateSettings* settings, const StreamInterface* stream,
                  StreamHandle streamHandle, int loopCount, Handle handle, int kind,
                  int* callerMayClose, Handle shareHandle, int fromWorker) {
    if (!settings || !stream) return -1;
    (void)fromWorker;
    const int mayClose = kind == 3 ? 0 : 1;
    const int result =
        AddStreamPartWith(handle, loopCount, kind, shareHandle, [&](StreamPart& part) {
            stream->Seek(streamHandle, 0, SEEK_SET);
            if (kind == 3) {
                if (SetupSoundConvert(&part.convert, stream, streamHandle,
                                      settings->convertOptions[0], settings->convertOptions[1],
                                      settings->convertOptions[2]) < 0)
                    return Log("音声データのオープンに失敗しました\n");
                return 0;
            }
            int made;
            if (kind == 2) {
                uint32_t size = 0;
                void* bytes = ReadWholeStream(stream, streamHandle, &size);
                if (!bytes) return Log("音声データの読み込みに失敗しました\n");
                part.data = bytes;
                part.dataSize = size;
                made = SetupOverMemory(part, settings);
            } else {
                made = MakePcmPart(part, settings, stream, streamHandle);
            }
            if (made < 0) {
                EndPart(part, false);
                return Log(kind == 2 ? "音声データのオープンに失敗しました\n"
                                     : "音声データの変換に失敗しました\n");
            }
            return 0;
        });
    if (result == 0 && callerMayClose) *callerMayClose = mayClose;
    return result;
}

int AddStreamSoundFile(const SoundCreateSettings* settings, const char* fileName, int loopCount,
                       Handle handle, int kind, Handle shareHandle, int fromWorker) {
    const StreamHandle file = OpenStream(fileName, 0, 0, 0);
    if (!file) {
        LogFormatLine(Cp932Text("右記のＷＡＶファイルのロードに失敗しました：%s "), fileName);
        return -1;
    }
    int mayClose = 1;
    if (AddSreamSound(settings, GetFileStreamInterface(), file, loopCount, handle, kind, &mayClose,
                      shareHandle, fromWorker) < 0) {
        LogFormatLine(Cp932Text("右記のＷＡＶファイルのセットアップに失敗しました：%s "), fileName);
        CloseStream(file);
        return -1;
    }
    if (mayClose) CloseStream(file);
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    r->stream.ownsStream[r->stream.partCount - 1] = 1;
    return 0;
}

int AddStreamSoundMemory(const SoundCreateSettings* settings, const void* image, uint32_t size,
                         int loopCount, Handle handle, int kind, Handle shareHandle,
                         int fromWorker) {
    if (kind == 3) kind = 2;
    const StreamHandle memory = OpenMemoryImageStream(image, size);
    if (!memory) return Log("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
    int mayClose = 1;
    if (AddSreamSound(settings, GetMemoryImageStreamInterface(), memory, loopCount, handle, kind,
                      &mayClose, shareHandle, fromWorker) < 0) {
        CloseMemoryImageStream(memory);
        return Log("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
    }
    if (mayClose) CloseMemoryImageStream(memory);
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    r->stream.ownsStream[r->stream.partCount - 1] = 1;
    return 0;
}

int AddStreamSoundWithSettings(const StreamInterface* stream, StreamHandle streamHandle,
                               int loopCount, Handle handle, int kind, int* callerMayClose,
                               Handle shareHandle) {
    SoundCreateSettings settings{};
    GetSoundCreateSettings(&settings);
    return AddSreamSound(&settings, stream, streamHandle, loopCount, handle, kind, callerMayClose,
                         shareHandle, 0);
}

int PrepareStreamSound(Handle handle, int fromWorker) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    return PrepareRecord(r, fromWorker);
}

int PlayStreamSound(Handle handle, int playType, int fromTop) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    {
        SoundLock lock;
        StreamState& st = r->stream;
        if (!fromTop && PlayingRecord(r)) return 0;
        if (!TakeBuffer(r, true)) return -1;
        StopRecord(r);
        if (st.playedOnce && ((st.playType ^ playType) & 2)) ResetStream(st);
        if (fromTop) {
            st.playedOnce = 0;
            ResetStream(st);
        }
        st.playType = playType;
        PrepareRecord(r, 0);
        SoundBufferRecord* buffer = TakeBuffer(r, false);
        if (!buffer) return -1;
        ApplySoundSettings(r, buffer);
        if (PlaySoundBuffer(buffer, 1) < 0) return -1;
    }
    // Waits outside the lock: the refill must go on meanwhile.
    return playType == 0 ? WaitForSoundEnd(handle) : 0;
}

int StopStreamSound(Handle handle) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    StopRecord(r);
    return 0;
}

int IsStreamSoundPlaying(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    return PlayingRecord(r);
}

int HasStreamSoundPlayedOut(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    const StreamState& st = r->stream;
    return st.playedOnce && !st.started && !PlayingRecord(r) ? 1 : 0;
}

// A playing (or paused) stream goes on from the new place: its ring would
// otherwise repeat what it holds, no longer refilled.
int SetStreamSoundPosition(int bytes, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || !r->isStream || bytes < 0) return -1;
    SoundLock lock;
    StreamState& st = r->stream;
    if (static_cast<uint32_t>(bytes) / Block(r) > st.totalSamples || st.partCount >= 2) return -1;
    const bool playing = PlayingRecord(r) && !Owner(r)->paused[0];
    if (playing) StopSoundBuffer(&Owner(r)->buffers[0]);
    st.currentPart = 0;
    st.loopCounter = 0;
    st.wrapPending = 0;
    st.positionInPart = st.bytesPlayed = static_cast<int32_t>(RoundDown(bytes, Block(r)));
    st.started = 0;
    if (playing && PrepareRecord(r, 0) == 0) PlaySoundBuffer(&Owner(r)->buffers[0], 1);
    // A paused play resumes from the new place when the window comes back.
    if (!playing && Owner(r)->paused[0] && Owner(r)->wasPlaying[0]) PrepareRecord(r, 0);
    return 0;
}

int GetStreamPositionBytes(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    UpdatePositionFromBuffer(r);
    return r->stream.bytesPlayed;
}

int GetStreamPositionMs(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    const int bytes = r ? GetStreamPositionBytes(handle) : -1;
    if (bytes < 0 || r->format.nSamplesPerSec == 0) return -1;
    const int64_t ms = int64_t{bytes} / Block(r) * 1000 / r->format.nSamplesPerSec;
    const int64_t total = int64_t{r->stream.totalSamples} * 1000 / r->format.nSamplesPerSec;
    return static_cast<int>(std::min(ms, total));
}

int RefillStreamSound(Handle handle, int) {
    SoundHandleRecord* r = GetLoadingSoundRecord(handle);
    if (!r || !r->isStream) return -1;
    SoundLock lock;
    return RefillRecord(r);
}

int RefillStreamSounds() {
    SoundSystemState& s = SoundSystem();
    if (!s.initialised) return -1;
    SoundLock lock;
    for (HandleListNode* n = s.streamHead.next; n && n != &s.streamTail; n = n->next) {
        auto* r = static_cast<SoundHandleRecord*>(n->data);
        if (r->stream.started) RefillRecord(r);
    }
    return 0;
}

int DeleteStreamSound(SoundHandleRecord* r) {
    StreamState& st = r->stream;
    SoundHandleRecord* releaseOwner = nullptr;
    {
        SoundLock lock;
        StopRecord(r);
        if (st.shareOwner) {
            SoundHandleRecord* owner = st.shareOwner;
            --owner->stream.users;
            if (owner->stream.deletePending && owner != r) releaseOwner = owner;
            st.shareOwner = nullptr;
            st.shareHandle = -1;
        }
        if (st.users > 0) {
            st.deletePending = 1;
            return 1;
        }
        RemoveHandleListNode(&st.node);
    }
    for (int i = 0; i < st.partCount; ++i)
        EndPart(st.parts[i], st.ownsStream[i] && st.parts[i].kind == 3);
    st.partCount = 0;
    if (r->buffers[0].valid) ReleaseSoundBuffer(&r->buffers[0]);
    // Outside the sound lock: deletion takes the type's lock first.
    if (releaseOwner) DeleteHandle(releaseOwner->header.handle);
    return 0;
}

int ConvertToStreamSound(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    if (r->isStream) return 0;
    // The samples are read back from the first buffer, which holds them whole.
    void* samples[2] = {};
    DWORD bytes[2] = {};
    if (LockSoundBuffer(&r->buffers[0], 0, r->dataSize, &samples[0], &bytes[0], &samples[1],
                        &bytes[1]) < 0)
        return -1;
    void* image = nullptr;
    uint32_t size = 0;
    const int built = bytes[0] == r->dataSize && !bytes[1]
                          ? BuildWaveImage(&image, &size, &r->format, sizeof(WAVEFORMATEX),
                                           samples[0], r->dataSize)
                          : -1;
    UnlockSoundBuffer(&r->buffers[0], samples[0], 0, nullptr, 0);  // nothing written
    if (built < 0) return -1;
    const int volume = r->volume, pan = r->pan, frequency = r->frequency;
    const int buffers = r->bufferCount;
    const int position = GetSoundPositionBytes(handle);
    const WAVEFORMATEX format = r->format;
    const uint32_t samplesSize = r->dataSize;
    StopSoundHandle(handle);
    DeleteHandle(handle);
    int result = -1;
    if (CreateSoundHandle(handle) == handle) {
        SoundCreateSettings settings{};
        GetSoundCreateSettings(&settings);
        settings.kind = 0;
        bool kept = false;
        result = AddConvertedSoundPart(&settings, image, size, handle, format, samplesSize, &kept);
        if (kept) {
            image = nullptr;  // the stream's part holds it now
        } else if (result < 0) {
            // The sound stays what it was rather than being lost.
            Log("ストリームサウンドハンドルの作成に失敗しました\n");
            if (CreateSoundFromMemory(handle, &settings, image, size, buffers, -1, 0) < 0)
                DeleteHandle(handle);
        }
        SetSoundVolumeHundredthDb(volume + 10000, handle);
        SetSoundPan(pan, handle);
        SetSoundFrequency(frequency, handle);
        if (position >= 0) SetSoundPositionBytes(position, handle);
    }
    TrackedFree(image);
    return result;
}

void SetWaveDataSize(void* image, uint32_t formatSize, uint32_t dataSize) {
    auto* block = static_cast<uint8_t*>(image);
    auto put32 = [](uint8_t* at, uint32_t value) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put32(block + 4, formatSize + dataSize + 20);
    put32(block + 24 + formatSize, dataSize);
}

int BuildWaveImage(void** image, uint32_t* size, const WAVEFORMATEX* format, uint32_t formatSize,
                   const void* data, uint32_t dataSize) {
    const uint64_t total = uint64_t{formatSize} + dataSize + 28;
    auto* block =
        total < 0xFFFFFF00u
            ? static_cast<uint8_t*>(TrackedAlloc(static_cast<uint32_t>(total), __FILE__, __LINE__))
            : nullptr;
    if (!block) return Log("仮WAVEファイルイメージ用のメモリ確保に失敗しました\n");
    std::memcpy(block, "RIFF", 4);
    std::memcpy(block + 8, "WAVEfmt ", 8);
    for (int i = 0; i < 4; ++i) block[16 + i] = static_cast<uint8_t>(formatSize >> (8 * i));
    std::memcpy(block + 20, format, formatSize);
    std::memcpy(block + 20 + formatSize, "data", 4);
    SetWaveDataSize(block, formatSize, dataSize);
    if (data && dataSize) std::memcpy(block + 28 + formatSize, data, dataSize);
    *image = block;
    *size = static_cast<uint32_t>(total);
    return 0;
}

}  // namespace DuRud
