#include "dshow/sound_stream.h"

#include <algorithm>
#include <cstring>

#include "audio/direct_sound.h"
#include "win_user.h"

namespace dshow {

HRESULT SoundStream::Open(const WAVEFORMATEX& format, LONG volume, LONG pan) {
    Close();
    IDirectSound* device = nullptr;
    HRESULT hr = platform::audio::CreateDirectSound(nullptr, IID_IDirectSound,
                                                    reinterpret_cast<void**>(&device));
    if (SUCCEEDED(hr)) hr = device->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = device->SetCooperativeLevel(GetDesktopWindow(), DSSCL_NORMAL);
    WAVEFORMATEX wave = format;
    wave.cbSize = 0;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags =
        DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    desc.dwBufferBytes = wave.nAvgBytesPerSec;  // one second, whole frames
    desc.lpwfxFormat = &wave;
    IDirectSoundBuffer* buffer = nullptr;
    if (SUCCEEDED(hr)) hr = device->CreateSoundBuffer(&desc, &buffer, nullptr);
    if (FAILED(hr)) {
        if (device) device->Release();
        return hr;
    }
    device_ = device;
    buffer_ = buffer;
    size_ = desc.dwBufferBytes;
    block_ = wave.nBlockAlign;
    limit_ = size_ / 2 / block_ * block_;
    silence_ = wave.wBitsPerSample == 8 ? 0x80 : 0;
    writeAt_ = queued_ = lastPlay_ = 0;
    SetVolume(volume);
    SetPan(pan);
    return S_OK;
}

void SoundStream::Close() {
    if (buffer_) buffer_->Release();
    if (device_) device_->Release();
    buffer_ = nullptr;
    device_ = nullptr;
}

HRESULT SoundStream::Play() {
    return buffer_ ? buffer_->Play(0, 0, DSBPLAY_LOOPING) : S_OK;
}

void SoundStream::Pause() {
    if (buffer_) buffer_->Stop();
}

void SoundStream::SetVolume(LONG volume) {
    if (buffer_) buffer_->SetVolume(volume);
}

void SoundStream::SetPan(LONG pan) {
    if (buffer_) buffer_->SetPan(pan);
}

HRESULT SoundStream::Fill(DWORD offset, DWORD bytes, const BYTE* data) {
    void *first = nullptr, *second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    if (bytes == 0) return S_OK;
    HRESULT hr = buffer_->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (FAILED(hr)) return hr;
    if (data) {
        std::memcpy(first, data, firstBytes);
        if (second) std::memcpy(second, data + firstBytes, secondBytes);
    } else {
        std::memset(first, silence_, firstBytes);
        if (second) std::memset(second, silence_, secondBytes);
    }
    return buffer_->Unlock(first, firstBytes, second, secondBytes);
}

void SoundStream::Look(DWORD* play, DWORD* write) {
    buffer_->GetCurrentPosition(play, write);
    const DWORD played = (*play + size_ - lastPlay_) % size_;
    Fill(lastPlay_, played, nullptr);
    queued_ = played >= queued_ ? 0 : queued_ - played;
    lastPlay_ = *play;
}

HRESULT SoundStream::Write(const BYTE* data, DWORD bytes, DWORD* taken) {
    *taken = 0;
    if (!buffer_) return S_OK;
    DWORD play = 0, write = 0;
    Look(&play, &write);
    if (queued_ == 0) {
        // Starting, or run dry: begin a pass beyond the write cursor, so the
        // mixer never reads what is being written; the gap is silent.
        const DWORD lead = (write + size_ - play) % size_;
        writeAt_ = (write + lead) % size_;
        queued_ = 2 * lead;
    }
    const DWORD room = queued_ < limit_ ? limit_ - queued_ : 0;
    const DWORD take = std::min(bytes, room) / block_ * block_;
    HRESULT hr = Fill(writeAt_, take, data);
    if (FAILED(hr)) return hr;
    writeAt_ = (writeAt_ + take) % size_;
    queued_ += take;
    *taken = take;
    return S_OK;
}

DWORD SoundStream::Queued() {
    if (!buffer_) return 0;
    DWORD play = 0, write = 0;
    Look(&play, &write);
    return queued_;
}

void SoundStream::Clear() {
    if (!buffer_) return;
    DWORD play = 0, write = 0;
    Look(&play, &write);
    Fill(write, size_ - (write + size_ - play) % size_, nullptr);
    queued_ = 0;
}

}  // namespace dshow
