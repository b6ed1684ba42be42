// The audio renderer's way to the sound device: PCM streamed through one
// looping DirectSound buffer of a second. New data goes behind what is
// queued, at most half the buffer ahead of the play cursor; every byte
// outside the queued stretch is kept silent, so a stream that runs dry, or
// ends, is followed by silence rather than by old sound. Not thread-safe:
// the renderer guards it.
#pragma once

#include "dsound.h"

namespace dshow {

class SoundStream {
  public:
    SoundStream() = default;
    ~SoundStream() { Close(); }
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    // Opens the device and the buffer for `format` (PCM the mixer plays) at
    // `volume` and `pan` (hundredths of a decibel); the device's error on failure.
    HRESULT Open(const WAVEFORMATEX& format, LONG volume, LONG pan);
    void Close();
    bool IsOpen() const { return buffer_ != nullptr; }

    HRESULT Play();
    void Pause();
    void SetVolume(LONG volume);
    void SetPan(LONG pan);

    // Queues whole frames of `bytes`; `taken` says how many (0: no room yet).
    // Fails with the buffer's error when it cannot be written.
    HRESULT Write(const BYTE* data, DWORD bytes, DWORD* taken);
    // Bytes queued and not yet played, silence between stretches included.
    DWORD Queued();
    // Drops what is queued (a flush): the buffer is silent from the write cursor on.
    void Clear();

  private:
    // Takes what the play cursor passed since the last look off the queue and silences it.
    void Look(DWORD* play, DWORD* write);
    // Copies `data` (null: silence) to the buffer, wrapping at its end.
    HRESULT Fill(DWORD offset, DWORD bytes, const BYTE* data);

    IDirectSound* device_ = nullptr;
    IDirectSoundBuffer* buffer_ = nullptr;
    DWORD size_ = 0, block_ = 0, limit_ = 0;
    BYTE silence_ = 0;
    DWORD writeAt_ = 0;   // buffer offset of the next queued byte
    DWORD queued_ = 0;    // bytes from the play cursor (at the last look) to writeAt_
    DWORD lastPlay_ = 0;  // the play cursor at the last look
};

}  // namespace dshow
