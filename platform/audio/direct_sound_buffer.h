// DirectSound buffers: secondary buffers mixed by the mixer, and the
// primary buffer (format and play state only).
#pragma once

#include <atomic>
#include <memory>

#include "dsound.h"

namespace platform::audio {

// Makes a buffer for a DirectSound object whose cooperative level is
// `level`; `desc` was checked for size and arguments.
HRESULT CreateSoundBuffer(const DSBUFFERDESC& desc, std::shared_ptr<std::atomic<DWORD>> level,
                          IDirectSoundBuffer** buffer);

}  // namespace platform::audio
