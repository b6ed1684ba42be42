// Sound buffers: one set of operations over a DirectSound secondary buffer or
// an XAudio2 source voice. Under XAudio2 the engine keeps the sample data,
// the positions, the loop flag and the volume, pan and frequency itself and
// feeds the voice from its voice callback.
#pragma once

#include <cstdint>
#include <mutex>

#include <dsound.h>
#include <windows.h>
#include <xaudio2.h>

namespace DuRud {

// The engine's name for the voice-callback interface: seven slots in the
// order the voice calls them, no destructor.
using D_IXAudio2VoiceCallback = IXAudio2VoiceCallback;

// The PCM of one sound under XAudio2, shared by every buffer made from it.
// One tracked block: this descriptor, the data at the descriptor's end
// rounded up to 16, and for mono data the stereo copy the voice plays.
struct SampleData {
    uint8_t* data;
    uint8_t* widened;    // each mono sample twice, or null
    uint32_t size;       // bytes of data
    int32_t references;  // buffers using it (changed atomically)
};

class SOUNDBUFFER_CALLBACK;

struct SoundBufferRecord {
    int32_t valid;
    void* device;  // IDirectSoundBuffer*, or IXAudio2SourceVoice*
    SOUNDBUFFER_CALLBACK* callback;
    SampleData* sampleData;
    // XAudio2: guarded by the callback's lock, which its calls also take.
    int32_t playing;
    uint32_t playPosition;  // samples
    uint32_t feedPosition;  // samples: where the next submission starts
    int32_t loop;
    int32_t pan;          // -10000..10000
    int32_t volume;       // hundredths of a decibel, -10000..0
    int32_t frequency;    // samples per second, -1 for the data's own rate
    uint32_t length;      // samples
    WAVEFORMATEX format;  // the voice's (a mono sound gets a stereo voice)
    int32_t channelCount;
    int32_t dataBlockAlign;  // of the data's own format: positions and lock offsets
};

// Feeds a source voice from its record's sample data.
class SOUNDBUFFER_CALLBACK final : public D_IXAudio2VoiceCallback {
  public:
    explicit SOUNDBUFFER_CALLBACK(SoundBufferRecord* record) : record_(record) {}

    void STDMETHODCALLTYPE OnVoiceProcessingPassStart(UINT32 bytesRequired) override {
        FeedVoiceSamples(bytesRequired);
    }
    void STDMETHODCALLTYPE OnVoiceProcessingPassEnd() override { IgnoreVoiceEvent(); }
    void STDMETHODCALLTYPE OnStreamEnd() override { IgnoreVoiceEvent(); }
    void STDMETHODCALLTYPE OnBufferStart(void* context) override { IgnoreBufferEvent(context); }
    void STDMETHODCALLTYPE OnBufferEnd(void*) override { CommitBufferPosition(); }
    void STDMETHODCALLTYPE OnLoopEnd(void* context) override { IgnoreBufferEvent(context); }
    void STDMETHODCALLTYPE OnVoiceError(void* context, HRESULT error) override {
        IgnoreVoiceError(context, error);
    }

    void FeedVoiceSamples(UINT32 bytesRequired);
    void CommitBufferPosition();
    void IgnoreVoiceEvent() {}
    void IgnoreBufferEvent(void*) {}
    void IgnoreVoiceError(void*, HRESULT) {}

    // Guards the record's positions, loop and playing flags against the
    // voice's thread. Never held across DestroyVoice or a sleep.
    std::mutex& lock() { return lock_; }

  private:
    SoundBufferRecord* const record_;
    std::mutex lock_;
};

// DirectSound descriptions of the engine's buffers.
constexpr DWORD kMemorySoundBufferFlags = 0x80E2;   // static, frequency, pan, volume, global
constexpr DWORD kMemorySoundFallbackFlags = 0xC2;   // static, pan, volume
constexpr DWORD kStreamSoundBufferFlags = 0x180E2;  // the memory flags and exact play cursor

// Each returns 0, or -1 for a record that is not valid (or a refusal).
int CreateSoundBuffer(SoundBufferRecord* record, const DSBUFFERDESC* desc,
                      SoundBufferRecord* source);
int ReleaseSoundBuffer(SoundBufferRecord* record);
int PlaySoundBuffer(SoundBufferRecord* record, int loop);  // DirectSound: its result
int StopSoundBuffer(SoundBufferRecord* record);
int GetSoundBufferStatus(SoundBufferRecord* record, DWORD* status);
int LockSoundBuffer(SoundBufferRecord* record, DWORD offset, DWORD bytes, void** first,
                    DWORD* firstBytes, void** second, DWORD* secondBytes);
int UnlockSoundBuffer(SoundBufferRecord* record, void* first, DWORD firstBytes, void* second,
                      DWORD secondBytes);
int SetSoundBufferFrequency(SoundBufferRecord* record, DWORD hz);  // 0: the own rate
int GetSoundBufferFrequency(SoundBufferRecord* record, DWORD* hz);
int SetSoundBufferPan(SoundBufferRecord* record, LONG pan);
int GetSoundBufferPan(SoundBufferRecord* record, LONG* pan);
int SetSoundBufferVolume(SoundBufferRecord* record, LONG hundredthsDb);
int GetSoundBufferVolume(SoundBufferRecord* record, LONG* hundredthsDb);
int GetSoundBufferPosition(SoundBufferRecord* record, DWORD* play, DWORD* write);  // bytes
int SetSoundBufferPosition(SoundBufferRecord* record, DWORD bytes);

// The `count` (1-10) buffers of one handle for `bytes` of `format`, a stream's
// ring buffer when `stream` is set. Under XAudio2 buffers 1 on share buffer
// 0's data (shared flag 1); under DirectSound each is its own (flag 0: the
// caller fills each). A failure releases what was made: -1.
int CreateSoundBuffers(SoundBufferRecord* records, int32_t* sharedFlags, int count,
                       const WAVEFORMATEX* format, uint32_t bytes, int stream);

// 10^(decibels / 20).
float DecibelToAmplitude(float decibels);

// The XAudio2 sample data: a new descriptor (reference count 1) for `bytes`
// of data with a stereo copy when `widen` is set, or null; and its release.
SampleData* NewSampleData(uint32_t bytes, bool widen);
void ReleaseSampleData(SampleData* sampleData);

}  // namespace DuRud
