// Sound system start-up and end: the module state, the device start-up
// order, the sound, soft-sound and music handle types, the stream refill
// thread and its end handshake, and the music and soft-sound calls that the
// message pump and the window procedure make (this system has no music
// output and makes no soft sounds, so those only walk empty lists).
#include "sound/sound_system.h"

#include "core/handle_manager.h"
#include "core/system_services.h"
#include "core/tracked_memory.h"
#include "sound/sound_device.h"
#include "sound/sound_handles.h"

namespace DuRud {

namespace {

// One piece of a log line (a line ends with its own "\n"): UTF-8 in the
// source, code page 932 in the log.
int Log(const char* utf8) {
    return LogWrite(Cp932Text(utf8));
}

SoundSystemState g_sound{};

constexpr int kSoundHandleMaximum = 32768;
constexpr int kSoftSoundHandleMaximum = 8192;
constexpr int kMusicHandleMaximum = 256;
constexpr uint32_t kStreamThreadPeriodMs = 10;

// Soft sounds and music exist only as types: nothing in this system makes
// one, but whatever a record holds is freed with it.
struct SoftSoundRecord {
    HandleHeader header;
    int32_t isPlayer;
    void* samples;
};

struct MusicRecord {
    HandleHeader header;
    int32_t volume;
    void* data;
};

int TerminateSoftSound(HandleHeader* record) {
    auto* r = reinterpret_cast<SoftSoundRecord*>(record);
    TrackedFree(r->samples);
    r->samples = nullptr;
    return 0;
}

int KeepSoftSoundsThatAreNotPlayers(HandleHeader* record) {
    return !reinterpret_cast<SoftSoundRecord*>(record)->isPlayer;
}

void InitMusic(HandleHeader* record) {
    reinterpret_cast<MusicRecord*>(record)->volume = 255;
}

int TerminateMusic(HandleHeader* record) {
    auto* r = reinterpret_cast<MusicRecord*>(record);
    TrackedFree(r->data);
    r->data = nullptr;
    return 0;
}

void RegisterSoundTypes() {
    SoundSystemState& s = g_sound;
    RegisterHandleType(HandleTypeSound, SoundHandleRecordSize(), kSoundHandleMaximum,
                       InitSoundHandleRecord, TerminateSoundHandleRecord, Cp932Text("サウンド"));
    s.createSettings = SoundCreateSettings{0, 0, {0, 2, 0}};
    RegisterHandleType(HandleTypeSoftSound, sizeof(SoftSoundRecord), kSoftSoundHandleMaximum,
                       nullptr, TerminateSoftSound, Cp932Text("ソフトサウンド"));
    RegisterHandleType(HandleTypeMusic, sizeof(MusicRecord), kMusicHandleMaximum, InitMusic,
                       TerminateMusic, Cp932Text("ミュージック"));
    InitHandleList(&s.streamHead, &s.streamTail);
    InitHandleList(&s.softPlayerHead, &s.softPlayerTail);
}

void EndSoundTypes() {
    DeleteAllHandles(HandleTypeSound, nullptr);
    DeleteAllHandles(HandleTypeSoftSound, KeepSoftSoundsThatAreNotPlayers);
    DeleteAllHandles(HandleTypeSoftSound, nullptr);
    DeleteAllHandles(HandleTypeMusic, nullptr);
    EndHandleType(HandleTypeSound);
    EndHandleType(HandleTypeSoftSound);
    EndHandleType(HandleTypeMusic);
}

// The thread is made suspended and resumed after its priority is set: the
// engine's own priority levels stop below time critical.
void StartStreamThread() {
    SoundSystemState& s = g_sound;
    s.streamEndFlag.store(kStreamThreadRunning);
    if (CreateEngineThread(&s.streamThread, SoundStreamThread, 0) < 0) return;
    SetThreadPriority(s.streamThread.handle, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeEngineThread(&s.streamThread);
}

// Always waits for the thread itself, also after the window has gone: the
// handles and the device it refills are released right after.
void EndStreamThread() {
    SoundSystemState& s = g_sound;
    if (!s.streamThread.handle) return;
    s.streamEndFlag.store(kStreamThreadEndAsked);
    WaitForSingleObject(s.streamThread.handle, INFINITE);
    CloseThreadHandle(&s.streamThread);
    s.streamThread.threadId = 0;
}

void MakeLocks() {
    SoundSystemState& s = g_sound;
    if (s.locksMade) return;
    InitLock(&s.soundLock);
    InitLock(&s.softSoundLock);
    s.locksMade = 1;
}

void DeleteLocks() {
    SoundSystemState& s = g_sound;
    if (!s.locksMade) return;
    DeleteLock(&s.soundLock);
    DeleteLock(&s.softSoundLock);
    s.locksMade = 0;
}

// Walks the soft-sound players (none exist here) under their lock.
int WalkSoftSoundPlayers() {
    SoundSystemState& s = g_sound;
    if (!s.initialised || !s.device) return -1;
    LockWithSource(&s.softSoundLock, __FILE__, __LINE__);
    for (HandleListNode* n = s.softPlayerHead.next; n && n != &s.softPlayerTail; n = n->next) {
        // a player would be refilled or paused here; nothing makes one
    }
    LeaveLock(&s.softSoundLock);
    return 0;
}

}  // namespace

SoundSystemState& SoundSystem() {
    return g_sound;
}

int InitSoundSystem() {
    SoundSystemState& s = g_sound;
    if (s.initialised || s.device) return -1;
    if (s.outputRate == 0) s.outputRate = 44100;
    MakeLocks();
    if (!s.useDirectSound && StartXAudio2Output() < 0) s.useDirectSound = 1;
    if (s.useDirectSound && StartDirectSoundOutput() < 0) {
        DeleteLocks();
        return -1;
    }
    RegisterSoundTypes();
    s.initialised = 1;
    if (GetSystemState().processorCount > 1) StartStreamThread();
    LogUnindent();
    Log(s.useDirectSound ? "DirectSound の初期化は正常に終了しました\n"
                         : "XAudio2 の初期化は正常に終了しました\n");
    return 0;
}

int TerminateSoundSystem() {
    SoundSystemState& s = g_sound;
    if (!s.initialised) return -1;
    EndStreamThread();
    EndSoundTypes();
    EndSoundOutput();
    DeleteLocks();
    s.initialised = 0;
    return 0;
}

void SoundStreamThread(ThreadContext*, uintptr_t) {
    SoundSystemState& s = g_sound;
    while (s.streamEndFlag.load() != kStreamThreadEndAsked && s.initialised) {
        LockWithSource(&s.soundLock, __FILE__, __LINE__);
        RefillStreamSounds();
        LeaveLock(&s.soundLock);
        WalkSoftSoundPlayers();
        SleepMilliseconds(kStreamThreadPeriodMs);
    }
    s.streamEndFlag.store(kStreamThreadEnded);
}

int GetSoundCreateSettings(SoundCreateSettings* out) {
    if (!out) return -1;
    *out = g_sound.createSettings;
    return 0;
}

int ResetSoundSystemForTest() {
    if (g_sound.initialised) return -1;
    g_sound.useDirectSound = 0;
    g_sound.outputRate = 0;
    return 0;
}

// No music output exists: nothing is ever the current music or plays as MIDI.
int StopCurrentMusic() {
    return g_sound.initialised ? 0 : -1;
}
int PollMusicPlayState() {
    return g_sound.initialised ? 0 : -1;
}
int HandleMidiNotify() {
    return g_sound.initialised ? 0 : -1;
}

int RefillSoftSoundPlayers() {
    return WalkSoftSoundPlayers();
}
int PauseSoftSoundPlayers(int) {
    return WalkSoftSoundPlayers();
}

}  // namespace DuRud
