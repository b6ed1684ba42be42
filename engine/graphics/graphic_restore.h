// The device's known state and the graphics' pixels after a device was
// made: the defaults set at start-up, the cached state sent again to a new
// device, and the default restore callback that reloads every graphic.
#pragma once

#include "graphics/render_state_cache.h"

namespace DuRud {

// Start-up with Direct3D: filter shader slots, vertex batch prefill, address
// modes, samplers, the fixed render states, the material, a full re-send and
// the world transform. 0.
int InitDeviceState();
// After a device re-creation: every cached value sent to the new device
// (forced), then the pending draw state and the full re-send. -1 without a
// device.
int ReapplyDeviceState();
// Puts the values of a cache kept from the old device back into the cache
// of the new one; what named objects of the old device is dropped. 0.
int RestoreCachedStateValues(const RenderStateCache& kept);
// The default restore callback: every graphic refilled from its file, memory
// image or kept image, each picture decoded once for consecutive graphics
// cut from it. 0.
int ReloadAllGraphics();

}  // namespace DuRud
