// Other areas' share of SDL's event queue. The video thread takes every SDL
// event; those that are not window, key, mouse or drop events go to the sink
// registered for their type (text input, pads, audio devices), or are dropped
// so that SDL's queue never fills up. Sinks run on the video thread.
#pragma once

#include <cstdint>

union SDL_Event;

namespace platform {

typedef void (*SdlEventSink)(const SDL_Event& event);

// Routes event types first..last (inclusive) to the sink; null removes it.
void SetSdlEventSink(uint32_t firstType, uint32_t lastType, SdlEventSink sink);

}  // namespace platform
