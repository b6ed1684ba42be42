// Making a DirectSound device object without going through COM (the
// DirectShow audio renderer plays through one on any thread).
#pragma once

#include "dsound.h"

namespace platform::audio {

HRESULT CreateDirectSound(IUnknown* outer, REFIID riid, void** object);

}  // namespace platform::audio
