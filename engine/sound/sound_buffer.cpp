// The sound-buffer operations: each either passes to the DirectSound buffer
// or does the work itself over an XAudio2 source voice (the positions, the
// loop flag, the channel volumes from volume and pan, locking the data and
// widening what was written for a mono sound's stereo voice).
#include "sound/sound_buffer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "sound/sound_device.h"

namespace DuRud {

namespace {

constexpr int kMaxBuffersPerHandle = 10;
constexpr float kMaxFrequencyRatio = 2.0f;

bool UsesDirectSound() {
    return SoundSystem().useDirectSound != 0;
}

IDirectSoundBuffer* DsBuffer(SoundBufferRecord* r) {
    return static_cast<IDirectSoundBuffer*>(r->device);
}

IXAudio2SourceVoice* Voice(SoundBufferRecord* r) {
    return static_cast<IXAudio2SourceVoice*>(r->device);
}

bool Valid(const SoundBufferRecord* r) {
    return r && r->valid && r->device;
}

int Result(HRESULT hr) {
    return FAILED(hr) ? -1 : 0;
}

// Left and right gains from the record's volume and pan: the far side loses
// what the pan says.
void ApplyChannelVolumes(SoundBufferRecord* r) {
    const float amp = DecibelToAmplitude(r->volume / 100.0f);
    float left = amp;
    float right = amp;
    if (r->pan < 0) right = amp * DecibelToAmplitude(r->pan / 100.0f);
    if (r->pan > 0) left = amp * DecibelToAmplitude(-r->pan / 100.0f);
    float volumes[XAUDIO2_MAX_AUDIO_CHANNELS];
    const int channels = std::clamp(r->channelCount, 1, XAUDIO2_MAX_AUDIO_CHANNELS);
    for (int i = 0; i < channels; ++i) volumes[i] = amp;
    volumes[0] = left;
    if (channels > 1) volumes[1] = right;
    Voice(r)->SetChannelVolumes(static_cast<UINT32>(channels), volumes);
}

int CreateDirectSoundBuffer(SoundBufferRecord* r, const DSBUFFERDESC* desc) {
    IDirectSound* ds = DirectSoundDevice();
    IDirectSoundBuffer* buffer = nullptr;
    if (!ds || FAILED(ds->CreateSoundBuffer(desc, &buffer, nullptr)) || !buffer) return -1;
    r->device = buffer;
    return 0;
}

HRESULT CreateVoice(const WAVEFORMATEX& format, SOUNDBUFFER_CALLBACK* callback,
                    IXAudio2SourceVoice** voice) {
    if (IXAudio2* x = XAudio2Version28())
        return x->CreateSourceVoice(voice, &format, 0, kMaxFrequencyRatio, callback, nullptr,
                                    nullptr);
    if (IXAudio2_7* x = XAudio2Version27())
        return x->CreateSourceVoice(voice, &format, 0, kMaxFrequencyRatio, callback, nullptr,
                                    nullptr);
    return E_FAIL;
}

// An empty sound is refused as DirectSound refuses it: its feed would have
// nothing to submit.
int CreateSourceVoiceBuffer(SoundBufferRecord* r, const WAVEFORMATEX& data, uint32_t bytes,
                            SoundBufferRecord* source) {
    if (!data.nBlockAlign || bytes == 0 || bytes % data.nBlockAlign != 0) return -1;
    if (source && (!Valid(source) || !source->sampleData || source->sampleData->size != bytes))
        return -1;
    WAVEFORMATEX voiceFormat = data;
    voiceFormat.cbSize = 0;
    const bool mono = data.nChannels == 1;
    if (mono) {
        voiceFormat.nChannels = 2;
        voiceFormat.nBlockAlign = static_cast<WORD>(data.wBitsPerSample * 2 / 8);
        voiceFormat.nAvgBytesPerSec = voiceFormat.nBlockAlign * data.nSamplesPerSec;
    }
    SampleData* sd = nullptr;
    if (source) {
        sd = source->sampleData;
        std::atomic_ref<int32_t>(sd->references).fetch_add(1);
    } else {
        sd = NewSampleData(bytes, mono);
        if (!sd) return -1;
    }
    auto* callback = new (std::nothrow) SOUNDBUFFER_CALLBACK(r);
    std::memset(static_cast<void*>(r), 0, sizeof(*r));
    r->format = voiceFormat;
    r->channelCount = voiceFormat.nChannels;
    r->dataBlockAlign = data.nBlockAlign;
    r->length = bytes / data.nBlockAlign;
    r->frequency = -1;
    r->sampleData = sd;
    IXAudio2SourceVoice* voice = nullptr;
    if (!callback || FAILED(CreateVoice(voiceFormat, callback, &voice)) || !voice) {
        delete callback;
        ReleaseSampleData(sd);
        std::memset(static_cast<void*>(r), 0, sizeof(*r));
        return -1;
    }
    r->callback = callback;
    r->device = voice;
    return 0;
}

}  // namespace

float DecibelToAmplitude(float decibels) {
    return std::pow(10.0f, decibels / 20.0f);
}

int CreateSoundBuffer(SoundBufferRecord* record, const DSBUFFERDESC* desc,
                      SoundBufferRecord* source) {
    if (!record || !desc || !desc->lpwfxFormat || !SoundSystem().device) return -1;
    const WAVEFORMATEX& format = *desc->lpwfxFormat;
    int result;
    if (UsesDirectSound()) {
        std::memset(static_cast<void*>(record), 0, sizeof(*record));
        result = CreateDirectSoundBuffer(record, desc);
        record->format = format;
        record->format.cbSize = 0;
        record->channelCount = format.nChannels;
        record->dataBlockAlign = format.nBlockAlign;
        record->length = format.nBlockAlign ? desc->dwBufferBytes / format.nBlockAlign : 0;
        record->frequency = -1;
    } else {
        result = CreateSourceVoiceBuffer(record, format, desc->dwBufferBytes, source);
    }
    if (result < 0) {
        std::memset(static_cast<void*>(record), 0, sizeof(*record));
        return -1;
    }
    record->valid = 1;
    return 0;
}

int ReleaseSoundBuffer(SoundBufferRecord* record) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound()) {
        DsBuffer(record)->Release();
    } else {
        // Waits for a feed in progress, which takes the callback's lock:
        // the lock is not held here.
        Voice(record)->DestroyVoice();
        delete record->callback;
        ReleaseSampleData(record->sampleData);
    }
    std::memset(static_cast<void*>(record), 0, sizeof(*record));
    return 0;
}

int PlaySoundBuffer(SoundBufferRecord* record, int loop) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound()) {
        record->loop = loop;
        return static_cast<int>(DsBuffer(record)->Play(0, 0, loop ? DSBPLAY_LOOPING : 0));
    }
    std::lock_guard<std::mutex> guard(record->callback->lock());
    record->loop = loop;
    record->playing = 1;
    return Result(Voice(record)->Start(0));
}

int StopSoundBuffer(SoundBufferRecord* record) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->Stop());
    std::lock_guard<std::mutex> guard(record->callback->lock());
    Voice(record)->Stop(0);
    record->playing = 0;
    return 0;
}

int GetSoundBufferStatus(SoundBufferRecord* record, DWORD* status) {
    if (!Valid(record) || !status) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->GetStatus(status));
    std::lock_guard<std::mutex> guard(record->callback->lock());
    *status = record->playing ? DSBSTATUS_PLAYING : 0;
    return 0;
}

int LockSoundBuffer(SoundBufferRecord* record, DWORD offset, DWORD bytes, void** first,
                    DWORD* firstBytes, void** second, DWORD* secondBytes) {
    if (!Valid(record) || !first || !firstBytes || !second || !secondBytes) return -1;
    if (UsesDirectSound())
        return Result(
            DsBuffer(record)->Lock(offset, bytes, first, firstBytes, second, secondBytes, 0));
    const uint32_t block = static_cast<uint32_t>(record->dataBlockAlign);
    const uint32_t start = offset / block;
    const uint32_t count = bytes / block;
    if (start >= record->length || count > record->length) return -1;
    uint8_t* data = record->sampleData->data;
    *first = data + uint64_t{start} * block;
    if (start + uint64_t{count} > record->length) {
        const uint32_t toEnd = record->length - start;
        *firstBytes = toEnd * block;
        *second = data;
        *secondBytes = (count - toEnd) * block;
    } else {
        *firstBytes = count * block;
        *second = nullptr;
        *secondBytes = 0;
    }
    return 0;
}

int UnlockSoundBuffer(SoundBufferRecord* record, void* first, DWORD firstBytes, void* second,
                      DWORD secondBytes) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound())
        return Result(DsBuffer(record)->Unlock(first, firstBytes, second, secondBytes));
    const SampleData* sd = record->sampleData;
    if (!sd->widened) return 0;
    // Each sample of the data's own size goes twice into the copy (x257 for
    // 8 bits, x65537 for 16), at twice its offset.
    const uint32_t sample = static_cast<uint32_t>(record->dataBlockAlign);
    const std::pair<void*, DWORD> regions[] = {{first, firstBytes}, {second, secondBytes}};
    for (const auto& [pointer, length] : regions) {
        if (!pointer || length == 0) continue;
        const auto* begin = static_cast<const uint8_t*>(pointer);
        if (begin < sd->data || begin > sd->data + sd->size) return -1;
        const uint32_t at = static_cast<uint32_t>(begin - sd->data) / sample * sample;
        const uint32_t end = std::min<uint64_t>(sd->size, uint64_t{at} + length) / sample * sample;
        for (uint32_t i = at; i < end; i += sample) {
            std::memcpy(sd->widened + 2 * i, sd->data + i, sample);
            std::memcpy(sd->widened + 2 * i + sample, sd->data + i, sample);
        }
    }
    return 0;
}

int SetSoundBufferFrequency(SoundBufferRecord* record, DWORD hz) {
    if (!Valid(record)) return -1;
    record->frequency = hz == 0 ? -1 : static_cast<int32_t>(hz);
    if (UsesDirectSound()) return Result(DsBuffer(record)->SetFrequency(hz));
    const float ratio =
        hz == 0 ? 1.0f : static_cast<float>(hz) / static_cast<float>(record->format.nSamplesPerSec);
    return Result(Voice(record)->SetFrequencyRatio(ratio));
}

int GetSoundBufferFrequency(SoundBufferRecord* record, DWORD* hz) {
    if (!Valid(record) || !hz) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->GetFrequency(hz));
    *hz = record->frequency < 0 ? record->format.nSamplesPerSec
                                : static_cast<DWORD>(record->frequency);
    return 0;
}

int SetSoundBufferPan(SoundBufferRecord* record, LONG pan) {
    if (!Valid(record)) return -1;
    record->pan = std::clamp<LONG>(pan, DSBPAN_LEFT, DSBPAN_RIGHT);
    if (UsesDirectSound()) return Result(DsBuffer(record)->SetPan(record->pan));
    ApplyChannelVolumes(record);
    return 0;
}

int GetSoundBufferPan(SoundBufferRecord* record, LONG* pan) {
    if (!Valid(record) || !pan) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->GetPan(pan));
    *pan = record->pan;
    return 0;
}

int SetSoundBufferVolume(SoundBufferRecord* record, LONG hundredthsDb) {
    if (!Valid(record)) return -1;
    record->volume = std::clamp<LONG>(hundredthsDb, DSBVOLUME_MIN, DSBVOLUME_MAX);
    if (UsesDirectSound()) return Result(DsBuffer(record)->SetVolume(record->volume));
    ApplyChannelVolumes(record);
    return 0;
}

int GetSoundBufferVolume(SoundBufferRecord* record, LONG* hundredthsDb) {
    if (!Valid(record) || !hundredthsDb) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->GetVolume(hundredthsDb));
    *hundredthsDb = record->volume;
    return 0;
}

int GetSoundBufferPosition(SoundBufferRecord* record, DWORD* play, DWORD* write) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->GetCurrentPosition(play, write));
    std::lock_guard<std::mutex> guard(record->callback->lock());
    const DWORD bytes = record->playPosition * static_cast<DWORD>(record->dataBlockAlign);
    if (play) *play = bytes;
    if (write) *write = bytes;
    return 0;
}

// A position past the end is refused, as DirectSound refuses it: the feed
// would read past the data. What the voice still holds is discarded.
int SetSoundBufferPosition(SoundBufferRecord* record, DWORD bytes) {
    if (!Valid(record)) return -1;
    if (UsesDirectSound()) return Result(DsBuffer(record)->SetCurrentPosition(bytes));
    const uint32_t samples = bytes / static_cast<uint32_t>(record->dataBlockAlign);
    if (samples > record->length) return -1;
    std::lock_guard<std::mutex> guard(record->callback->lock());
    record->playPosition = record->feedPosition = samples;
    return Result(Voice(record)->FlushSourceBuffers());
}

int CreateSoundBuffers(SoundBufferRecord* records, int32_t* sharedFlags, int count,
                       const WAVEFORMATEX* format, uint32_t bytes, int stream) {
    if (!records || !sharedFlags || !format || count < 1 || count > kMaxBuffersPerHandle) return -1;
    WAVEFORMATEX f = *format;
    f.cbSize = 0;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = stream ? kStreamSoundBufferFlags : kMemorySoundBufferFlags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &f;
    if (CreateSoundBuffer(&records[0], &desc, nullptr) < 0) {
        if (stream || !UsesDirectSound()) return -1;
        desc.dwFlags = kMemorySoundFallbackFlags;
        if (CreateSoundBuffer(&records[0], &desc, nullptr) < 0) return -1;
    }
    sharedFlags[0] = 0;
    const bool share = !UsesDirectSound();
    for (int i = 1; i < count; ++i) {
        if (CreateSoundBuffer(&records[i], &desc, share ? &records[0] : nullptr) < 0) {
            for (int j = 0; j < i; ++j) ReleaseSoundBuffer(&records[j]);
            return -1;
        }
        sharedFlags[i] = share ? 1 : 0;
    }
    return 0;
}

}  // namespace DuRud
