// The audio stand-in's run-time modules and COM classes. "winmm.dll" offers
// no MCI and no DirectMusic class exists: the program's music plays through
// sound buffers.
#include "../win32/com_registry.h"
#include "../win32/module_registry.h"
#include "direct_sound.h"
#include "x3daudio.h"
#include "xaudio2.h"

namespace platform::audio {
HRESULT CreateXAudio2Legacy(IUnknown* outer, REFIID riid, void** object);
}  // namespace platform::audio

namespace platform {

// The positional calculation, the volume meter and the reverb are left out
// on purpose: a program that looks them up gets null.
void RegisterAudioModules() {
    RegisterModule("dsound.dll", {{"DirectSoundEnumerateA", ExportOf(&DirectSoundEnumerateA)}});
    RegisterModule("XAudio2_8.dll", {
                                        {"XAudio2Create", ExportOf(&XAudio2Create)},
                                        {"X3DAudioInitialize", ExportOf(&X3DAudioInitialize)},
                                    });
    RegisterModule("X3DAudio1_7.dll", {{"X3DAudioInitialize", ExportOf(&X3DAudioInitialize)}});
}

void RegisterAudioComClasses() {
    RegisterComClass(CLSID_DirectSound, &audio::CreateDirectSound);
    RegisterComClass(CLSID_XAudio2_7, &audio::CreateXAudio2Legacy);
    RegisterComClass(CLSID_XAudio2_7_Debug, &audio::CreateXAudio2Legacy);
}

}  // namespace platform
