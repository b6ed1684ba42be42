// X3DAudio's start-up call ("X3DAudio1_7.dll", also exported by "XAudio2_8.dll").
#pragma once

#include "win_types.h"

#define X3DAUDIO_HANDLE_BYTESIZE 20
#define X3DAUDIO_SPEED_OF_SOUND 343.5f
typedef BYTE X3DAUDIO_HANDLE[X3DAUDIO_HANDLE_BYTESIZE];

// Fills the instance for the speaker layout and the speed of sound;
// E_INVALIDARG for mask 0 or a speed that is not a positive number.
HRESULT WINAPI X3DAudioInitialize(UINT speakerChannelMask, FLOAT speedOfSound,
                                  X3DAUDIO_HANDLE instance);
