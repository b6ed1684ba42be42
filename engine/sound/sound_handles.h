// Sound handles (type 3): the record, loading into memory buffers or into a
// stream, and the stream machinery the playback functions hand stream
// handles to. The public calls are in DuRud.h.
#pragma once

#include <cstdint>

#include "DuRud.h"
#include "files/loader_streams.h"
#include "sound/sound_buffer.h"
#include "sound/sound_convert.h"
#include "sound/sound_device.h"

namespace DuRud {

constexpr int kMaxSoundBuffers = 10;
constexpr int kMaxStreamParts = 3;
constexpr uint8_t kLoopForever = 255;

// One file or memory image of a stream, with its own converter.
struct StreamPart {
    uint8_t loopCount;  // 255: loop from loopStart for ever; else played loopCount + 1 times
    int32_t kind;       // 0, 2 or 3
    void* data;         // the part's own memory image (kinds 0 and 2)
    uint32_t dataSize;
    StreamInterface memoryInterface;
    StreamHandle memoryStream;
    int32_t loopStart;  // samples
    int32_t loopEnd;    // samples, -1 none
    SoundConvertState convert;
};

struct SoundHandleRecord;

struct StreamState {
    int32_t playType;
    Handle shareHandle;  // the handle whose ring this stream plays through, -1 its own
    SoundHandleRecord* shareOwner;
    int32_t users;       // other streams playing through this handle's ring
    Handle currentUser;  // the handle now playing through this ring, -1 none
    int32_t deletePending;
    uint32_t ringSize;
    int32_t writeCursor;      // -800 before the first fill
    int32_t refillThreshold;  // -1 before the first fill
    StreamPart parts[kMaxStreamParts + 1];
    uint8_t ownsStream[kMaxStreamParts + 1];
    int32_t partCount, currentPart, loopCounter, positionInPart;
    uint32_t totalSamples;
    int32_t bytesPlayed;
    uint32_t lastBufferPosition;
    uint8_t started, endWritten, wrapPending, playedOnce;
    uint32_t loopRestartPosition, endPosition1, endPosition2, wrapPosition;
    HandleListNode node;  // in the sound system's stream list
};

struct SoundHandleRecord {
    HandleHeader header;
    int32_t paused[kMaxSoundBuffers];
    int32_t wasPlaying[kMaxSoundBuffers];
    SoundBufferRecord buffers[kMaxSoundBuffers];
    WAVEFORMATEX format;
    int32_t isStream;
    StreamState stream;
    uint32_t dataSize;
    void* data;
    int32_t* dataReferences;
    int32_t sharedMemory[kMaxSoundBuffers];
    int32_t bufferCount;
    int32_t currentBuffer;
    int32_t volume;     // hundredths of a decibel, -10000..0
    int32_t pan;        // -10000..10000
    int32_t frequency;  // samples per second; 0 the data's own rate
};

// The type's record size and callbacks, registered by the sound system's start-up.
int SoundHandleRecordSize();
void InitSoundHandleRecord(HandleHeader* record);
int TerminateSoundHandleRecord(HandleHeader* record);  // 1 keeps the record

// The record of a valid sound handle whose load has finished, while the
// sound system runs; null otherwise.
SoundHandleRecord* GetSoundRecord(Handle handle);
// The record whatever its pending loads (the load itself).
SoundHandleRecord* GetLoadingSoundRecord(Handle handle);

Handle CreateSoundHandle(Handle wanted);
Handle LoadSoundFile(const char* fileName, int bufferCount, Handle shareHandle);
Handle LoadSoundFileWithSettings(const SoundCreateSettings* settings, const char* fileName,
                                 int bufferCount, Handle shareHandle, int asynchronous,
                                 int fromWorker);
int LoadSoundFileNow(const SoundCreateSettings* settings, const char* fileName, int bufferCount,
                     Handle shareHandle, Handle handle, int fromWorker);
int CreateSoundFromMemory(Handle handle, const SoundCreateSettings* settings, const void* image,
                          uint32_t size, int bufferCount, Handle shareHandle, int fromWorker);
// Reads a whole file through the file-access table into a tracked block; null on failure
// (logged).
void* LoadWholeFile(const char* path, uint32_t* size);

// Applies the record's volume, pan and frequency to one buffer.
void ApplySoundSettings(const SoundHandleRecord* record, SoundBufferRecord* buffer);
// Waits while a play of type 0 sounds: 0.
int WaitForSoundEnd(Handle handle);

// Streams.
int AddSreamSound(const SoundCreateSettings* settings, const StreamInterface* stream,
                  StreamHandle streamHandle, int loopCount, Handle handle, int kind,
                  int* callerMayClose, Handle shareHandle, int fromWorker);
int AddStreamSoundFile(const SoundCreateSettings* settings, const char* fileName, int loopCount,
                       Handle handle, int kind, Handle shareHandle, int fromWorker);
int AddStreamSoundMemory(const SoundCreateSettings* settings, const void* image, uint32_t size,
                         int loopCount, Handle handle, int kind, Handle shareHandle,
                         int fromWorker);
int AddStreamSoundWithSettings(const StreamInterface* stream, StreamHandle streamHandle,
                               int loopCount, Handle handle, int kind, int* callerMayClose,
                               Handle shareHandle);
int PrepareStreamSound(Handle handle, int fromWorker);
int PlayStreamSound(Handle handle, int playType, int fromTop);
int StopStreamSound(Handle handle);
int IsStreamSoundPlaying(Handle handle);
// 1 when a play that does not loop ran to its end and the stream went back
// to its start (its position reads 0 again), 0 otherwise, -1 for no stream.
int HasStreamSoundPlayedOut(Handle handle);
int SetStreamSoundPosition(int bytes, Handle handle);
int GetStreamPositionBytes(Handle handle);
int GetStreamPositionMs(Handle handle);
int RefillStreamSound(Handle handle, int fromWorker);
int ConvertToStreamSound(Handle handle);
// A RIFF WAVE image of the data in one tracked block (its data left to the
// caller when `data` is null): 0, or -1 (logged).
int BuildWaveImage(void** image, uint32_t* size, const WAVEFORMATEX* format, uint32_t formatSize,
                   const void* data, uint32_t dataSize);
// Sets the RIFF and data chunk sizes of such an image for `dataSize` bytes.
void SetWaveDataSize(void* image, uint32_t formatSize, uint32_t dataSize);
// The stream part of the terminate callback: 1 keeps the record (others
// still play through its ring).
int DeleteStreamSound(SoundHandleRecord* record);
// Whether p lies strictly between a and b going forward round a ring of `size` bytes.
bool RingStrictlyBetween(uint32_t p, uint32_t a, uint32_t b, uint32_t size);

}  // namespace DuRud
