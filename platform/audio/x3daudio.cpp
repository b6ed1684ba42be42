// X3DAudioInitialize: the instance records the speaker layout and the speed
// of sound. The positional calculation itself is not offered (nobody calls it).
#include "x3daudio.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "audio_knobs.h"

HRESULT WINAPI X3DAudioInitialize(UINT speakerChannelMask, FLOAT speedOfSound,
                                  X3DAUDIO_HANDLE instance) {
    if (!instance || speakerChannelMask == 0 || !std::isfinite(speedOfSound) ||
        !(speedOfSound > 0)) {
        return E_INVALIDARG;
    }
    // Layout: mask, speed of sound, channel count; the rest zero.
    const UINT channels = static_cast<UINT>(std::popcount(speakerChannelMask));
    std::memset(instance, 0, X3DAUDIO_HANDLE_BYTESIZE);
    std::memcpy(instance, &speakerChannelMask, 4);
    std::memcpy(instance + 4, &speedOfSound, 4);
    std::memcpy(instance + 8, &channels, 4);
    platform::audio::RecordX3DAudioInitialize(speakerChannelMask, speedOfSound);
    return S_OK;
}
