// Playing sound handles: the rotation among a handle's buffers, play types,
// stop, the playing check, volume, pan, frequency, positions and times, the
// loop point and the pause of every sound with the window. Stream handles go
// to the stream functions.
#include <algorithm>
#include <cmath>

#include "core/handle_manager.h"
#include "sound/sound_handles.h"
#include "window/main_window.h"

namespace DuRud {

namespace {

constexpr int kPlayWait = 0;
constexpr int kPlayLoop = 3;

SoundBufferRecord* CurrentBuffer(SoundHandleRecord* r) {
    if (r->isStream) {
        SoundHandleRecord* owner = r->stream.shareOwner ? r->stream.shareOwner : r;
        return &owner->buffers[0];
    }
    return &r->buffers[r->currentBuffer];
}

int BlockAlign(const SoundHandleRecord* r) {
    return r->format.nBlockAlign ? r->format.nBlockAlign : 1;
}

// The next buffer, prepared for a play: 1 when the play goes on (the buffer
// ready), 0 when it already plays and is left alone, -1 on failure.
int SelectNextSoundBuffer(SoundHandleRecord* r, int fromTop) {
    DWORD position = 0;
    GetSoundBufferPosition(&r->buffers[r->currentBuffer], &position, nullptr);
    r->currentBuffer = (r->currentBuffer + 1) % std::max(r->bufferCount, 1);
    SoundBufferRecord* next = &r->buffers[r->currentBuffer];
    if (!next->valid) return -1;
    DWORD status = 0;
    GetSoundBufferStatus(next, &status);
    if (status & DSBSTATUS_PLAYING) {
        if (!fromTop) return 0;
        StopSoundBuffer(next);
    }
    SetSoundBufferPosition(next, fromTop ? 0 : position);
    ApplySoundSettings(r, next);
    return 1;
}

// Applies a setting to every buffer of a memory sound, or to the ring of a stream.
template <class Apply>
void ForEachBuffer(SoundHandleRecord* r, Apply apply) {
    if (r->isStream) {
        apply(CurrentBuffer(r));
        return;
    }
    for (int i = 0; i < r->bufferCount; ++i) {
        if (r->buffers[i].valid) apply(&r->buffers[i]);
    }
}

}  // namespace

void ApplySoundSettings(const SoundHandleRecord* r, SoundBufferRecord* buffer) {
    SetSoundBufferVolume(buffer, r->volume);
    SetSoundBufferPan(buffer, r->pan);
    SetSoundBufferFrequency(buffer, static_cast<DWORD>(std::max(r->frequency, 0)));
}

int WaitForSoundEnd(Handle handle) {
    if (PumpWindowMessages() != 0) return 0;
    while (IsSoundPlaying(handle) == 1) {
        Sleep(1);
        if (PumpWindowMessages() != 0) break;
    }
    return 0;
}

int PlaySoundHandle(Handle handle, int playType, int fromTop) {
    if (!GetSoundRecord(handle)) return -1;
    if (IsWaitWhileInactiveNeeded()) WaitWhileInactive();
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    if (r->isStream) return PlayStreamSound(handle, playType, fromTop);
    const int selected = SelectNextSoundBuffer(r, fromTop);
    if (selected <= 0) return selected;
    if (PlaySoundBuffer(&r->buffers[r->currentBuffer], playType == kPlayLoop) < 0) return -1;
    return playType == kPlayWait ? WaitForSoundEnd(handle) : 0;
}

int StopSoundHandle(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    if (r->isStream) return StopStreamSound(handle);
    for (int i = 0; i < r->bufferCount; ++i) {
        DWORD status = 0;
        if (GetSoundBufferStatus(&r->buffers[i], &status) < 0) return -1;
        if (status & DSBSTATUS_PLAYING) StopSoundBuffer(&r->buffers[i]);
        r->paused[i] = r->wasPlaying[i] = 0;
    }
    return 0;
}

// Any buffer playing, or playing when it was paused, makes the sound playing.
int IsSoundPlaying(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    if (r->isStream) return IsStreamSoundPlaying(handle);
    for (int i = 0; i < r->bufferCount; ++i) {
        if (r->paused[i]) {
            if (r->wasPlaying[i]) return 1;
            continue;
        }
        DWORD status = 0;
        if (GetSoundBufferStatus(&r->buffers[i], &status) == 0 && (status & DSBSTATUS_PLAYING))
            return 1;
    }
    return 0;
}

int SetSoundVolume(int volume, Handle handle) {
    if (volume >= 256) volume = 255;
    int level = -10000;
    if (volume >= 1) level = std::max(-10000, static_cast<int>(std::log10(volume / 255.0) * 5000));
    return SetSoundVolumeHundredthDb(level + 10000, handle);
}

int SetSoundVolumeHundredthDb(int volume, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    r->volume = std::clamp(volume - 10000, -10000, 0);
    ForEachBuffer(r, [r](SoundBufferRecord* b) { SetSoundBufferVolume(b, r->volume); });
    return 0;
}

int GetSoundVolumeHundredthDb(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    LONG volume = 0;
    if (!r || GetSoundBufferVolume(CurrentBuffer(r), &volume) < 0) return -1;
    return static_cast<int>(volume) + 10000;
}

int SetSoundPan(int pan, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    r->pan = std::clamp(pan, -10000, 10000);
    ForEachBuffer(r, [r](SoundBufferRecord* b) { SetSoundBufferPan(b, r->pan); });
    return 0;
}

int GetSoundPan(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    LONG pan = 0;
    if (!r || GetSoundBufferPan(CurrentBuffer(r), &pan) < 0) return -1;
    return static_cast<int>(pan);
}

int SetSoundFrequency(int frequency, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    r->frequency = frequency < 0 ? 0 : frequency;
    ForEachBuffer(r, [r](SoundBufferRecord* b) {
        SetSoundBufferFrequency(b, static_cast<DWORD>(r->frequency));
    });
    return 0;
}

int GetSoundFrequency(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    DWORD hz = 0;
    if (!r || GetSoundBufferFrequency(CurrentBuffer(r), &hz) < 0) return -1;
    return static_cast<int>(hz);
}

int SetSoundPositionSamples(int position, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || position < 0) return -1;
    return SetSoundPositionBytes(position * BlockAlign(r), handle);
}

int SetSoundPositionBytes(int position, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r || position < 0) return -1;
    position -= position % BlockAlign(r);
    if (r->isStream) return SetStreamSoundPosition(position, handle);
    return SetSoundBufferPosition(CurrentBuffer(r), static_cast<DWORD>(position));
}

int GetSoundPositionBytes(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    if (r->isStream) return GetStreamPositionBytes(handle);
    DWORD play = 0;
    if (GetSoundBufferPosition(CurrentBuffer(r), &play, nullptr) < 0) return -1;
    return static_cast<int>(play);
}

int GetSoundPositionSamples(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    const int bytes = r ? GetSoundPositionBytes(handle) : -1;
    return bytes < 0 ? -1 : bytes / BlockAlign(r);
}

int GetSoundPlayTimeMs(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    const int samples = r ? GetSoundPositionSamples(handle) : -1;
    if (samples < 0 || r->format.nSamplesPerSec == 0) return -1;
    int64_t ms = int64_t{samples} * 1000 / r->format.nSamplesPerSec;
    if (r->isStream) ms = std::min<int64_t>(ms, GetSoundTotalTimeMs(handle));
    return static_cast<int>(ms);
}

int GetSoundTotalSamples(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    return static_cast<int>(r->isStream ? r->stream.totalSamples : r->dataSize / BlockAlign(r));
}

int GetSoundTotalTimeMs(Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    const int total = r ? GetSoundTotalSamples(handle) : -1;
    if (total < 0 || r->format.nSamplesPerSec == 0) return -1;
    return static_cast<int>(int64_t{total} * 1000 / r->format.nSamplesPerSec);
}

int SetSoundLoopPoint(int position, Handle handle) {
    SoundHandleRecord* r = GetSoundRecord(handle);
    if (!r) return -1;
    // The refill thread reads the loop under the sound lock.
    TracedLock* soundLock = &SoundSystem().soundLock;
    if (position == -1) {
        LockWithSource(soundLock, __FILE__, __LINE__);
        if (r->isStream && r->stream.partCount > 0) {
            r->stream.parts[0].loopStart = 0;
            r->stream.parts[0].loopCount = 0;
        }
        LeaveLock(soundLock);
        return 0;
    }
    if (position < 0 || position >= GetSoundTotalSamples(handle)) return -1;
    if (!r->isStream) {
        if (ConvertToStreamSound(handle) < 0) return -1;
        r = GetSoundRecord(handle);
        if (!r || !r->isStream) return -1;
    }
    if (r->stream.partCount >= 2) {
        LogWrite(
            Cp932Text("二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを"
                      "指定する事は出来ません\n"));
        return -1;
    }
    LockWithSource(soundLock, __FILE__, __LINE__);
    StreamPart& part = r->stream.parts[0];
    part.loopStart = position;
    SetConvertLoopPoint(&part.convert, position);
    part.loopCount = kLoopForever;
    LeaveLock(soundLock);
    return 0;
}

// Under the type's lock first and then the sound lock (the order deletion
// takes them); records still loading are left alone.
int PauseAllSounds(int pause) {
    SoundSystemState& s = SoundSystem();
    HandleTypeRecord* type = GetHandleTypeRecord(HandleTypeSound);
    if (!s.initialised || !type || !type->initialised) return -1;
    LockWithSource(&type->lock, __FILE__, __LINE__);
    LockWithSource(&s.soundLock, __FILE__, __LINE__);
    for (int32_t i = type->lowestIndex; type->count > 0 && i <= type->highestIndex; ++i) {
        auto* r = reinterpret_cast<SoundHandleRecord*>(type->slots[i]);
        if (!r || ReadPendingCount(&r->header) != 0) continue;
        for (int b = 0; b < kMaxSoundBuffers; ++b) {
            SoundBufferRecord* buffer = &r->buffers[b];
            if (!buffer->valid) continue;
            if (pause && !r->paused[b]) {
                r->paused[b] = 1;
                DWORD status = 0;
                GetSoundBufferStatus(buffer, &status);
                r->wasPlaying[b] = (status & DSBSTATUS_PLAYING) ? 1 : 0;
                if (r->wasPlaying[b]) StopSoundBuffer(buffer);
            } else if (!pause && r->paused[b]) {
                if (r->wasPlaying[b]) PlaySoundBuffer(buffer, buffer->loop);
                r->paused[b] = 0;
            }
        }
    }
    LeaveLock(&s.soundLock);
    LeaveLock(&type->lock);
    return 0;
}

}  // namespace DuRud
