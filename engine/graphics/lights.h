// Light handles (type 11, a table of their own) and their assignment to the
// device's light slots. The public calls are in DuRud.h.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kMaxLights = 4096;

struct LightRecord {
    int32_t checkNumber;
    Handle handle;
    D3DLIGHT9 light;     // Type 0 until a creator sets it
    int32_t deviceSlot;  // -1: none
    int32_t enabled;
    int32_t changed;
};

struct LightTable {
    LightRecord* slots[kMaxLights];
    int32_t count;
    int32_t highestPlusOne;  // highest used slot + 1
    int32_t checkCounter;    // the next check number, 0..1022
    Handle defaultLight;     // -1: none
    int32_t lightingDisabled;
    int32_t lightsChanged, lightsForced;
    int32_t deviceSlotsUsed;  // device slots the last assignment enabled
    int32_t order[256];       // the first device slots' lights (table slots)
};

const LightTable& GetLightTable();
// The record of a live light, or null.
LightRecord* GetLightRecord(Handle light);

// A light with the defaults and no type, enabled. -1 when every slot is taken.
Handle CreateLight();
// The draw-settings reset calls this: the directional default light towards
// (1, -1, 1) is made when it does not exist; other lights stay. 0.
int EnsureDefaultLight();
// Deletes every light, the default one too (graphics shutdown). 0.
int TerminateLights();
// After a device rebuild: every enabled light is sent again. 0.
int ForceLightsResend();
// The device slot: with a device, enabling sends the description first. 0.
int SetDeviceLightSlot(int slot, int enable, const D3DLIGHT9* light);
// The device's lighting state from the lighting switch. 0.
int ApplyLightingState();

}  // namespace DuRud
