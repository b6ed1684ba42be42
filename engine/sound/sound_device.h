// The sound module's state: the device interface chosen at start-up (XAudio2
// 2.8, XAudio2 2.7 or DirectSound) and its objects, the creation settings,
// the sound and soft-sound locks, the stream list and the stream thread.
#pragma once

#include <atomic>
#include <cstdint>

#include <dsound.h>
#include <windows.h>
#include <x3daudio.h>
#include <xaudio2.h>

#include "DuRud.h"
#include "core/threads_and_locks.h"

namespace DuRud {

// Copied into every load at its start: a word that is always 0, the creation
// kind and three options handed to the sound conversion unchanged.
struct SoundCreateSettings {
    int32_t reserved;
    int32_t kind;  // 0 memory sound, 2 stream from memory, 3 stream from the file
    int32_t convertOptions[3];
};

// Stream thread end handshake: the main thread asks, the thread answers.
constexpr int32_t kStreamThreadRunning = 0;
constexpr int32_t kStreamThreadEndAsked = 1;
constexpr int32_t kStreamThreadEnded = 2;

struct SoundSystemState {
    int32_t initialised;
    IUnknown* device;        // the XAudio2 object (either layout) or the DirectSound object
    int32_t useDirectSound;  // set once XAudio2 cannot be used; selects every buffer branch
    // "XAudio2_8.dll": non-null only for version 2.8, which also selects that layout.
    HMODULE xaudio2Library;
    FARPROC xaudio2Create;
    FARPROC createAudioVolumeMeter;
    FARPROC createAudioReverb;
    FARPROC x3dAudioInitialize;
    FARPROC x3dAudioCalculate;
    HMODULE x3dAudioLibrary;  // "X3DAudio1_7.dll", version 2.7 only
    IXAudio2MasteringVoice* masteringVoice;
    DWORD channelMask;
    int32_t channelCount;
    X3DAUDIO_HANDLE x3dInstance;
    IDirectSoundBuffer* primaryBuffer;
    IDirectSoundBuffer* silentBuffer;
    int32_t outputRate;
    SoundCreateSettings createSettings;
    HandleListNode streamHead, streamTail;
    HandleListNode softPlayerHead, softPlayerTail;  // stays empty: nothing makes soft sounds
    TracedLock soundLock;                           // streams, buffer sharing, pausing
    TracedLock softSoundLock;                       // soft-sound players
    int32_t locksMade;
    ThreadContext streamThread;
    std::atomic<int32_t> streamEndFlag;
};

SoundSystemState& SoundSystem();

// The device in its three forms; null when another interface (or none) runs.
IXAudio2* XAudio2Version28();
IXAudio2_7* XAudio2Version27();
IDirectSound* DirectSoundDevice();

// Start-up steps of the chosen interface (their log lines included) and
// the release of everything they made. 0, or -1 (nothing left behind).
int StartXAudio2Output();
int StartDirectSoundOutput();
void EndSoundOutput();

// The DirectSound device list's callback: one log line per device; TRUE.
BOOL CALLBACK LogDirectSoundDevice(LPGUID device, LPCSTR description, LPCSTR module,
                                   LPVOID context);

// The refill thread's routine (more than one logical processor only).
void SoundStreamThread(ThreadContext* context, uintptr_t argument);

// The current creation settings, copied into a caller's record.
int GetSoundCreateSettings(SoundCreateSettings* out);

// Forgets the use-DirectSound switch and the output rate, as at program start
// (tests that bring the sound system up on several interfaces). -1 while
// the system runs.
int ResetSoundSystemForTest();

}  // namespace DuRud
