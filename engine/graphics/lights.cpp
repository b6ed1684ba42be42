// The light table: creation and deletion with checked handles, the default
// light, the lighting switch and the assignment of enabled lights to device
// light slots (directional first, then spot, then point).
#include "graphics/lights.h"

#include <cmath>

#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/render_state_cache.h"
#include "graphics/shader_handles.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

constexpr uint32_t kLightTypeBits = 0x2C000000u;
constexpr int kCheckWrap = 1023;

LightTable& Table() {
    static LightTable* table = [] {
        auto* t = new LightTable();  // lives for the process
        t->defaultLight = -1;
        t->lightsChanged = t->lightsForced = 1;
        return t;
    }();
    return *table;
}

void MarkChanged() {
    Table().lightsChanged = 1;
    GetRenderStateCache().drawStateChanged = 1;
}

int FindFreeSlot() {
    LightTable& t = Table();
    if (t.highestPlusOne < kMaxLights) return t.highestPlusOne;
    for (int i = 0; i < kMaxLights; ++i)
        if (!t.slots[i]) return i;
    return -1;
}

}  // namespace

const LightTable& GetLightTable() {
    return Table();
}

LightRecord* GetLightRecord(Handle light) {
    const uint32_t h = static_cast<uint32_t>(light);
    if (light < 0 || (h & kHandleTypeMask) != kLightTypeBits) return nullptr;
    const uint32_t slot = h & kHandleIndexMask;
    if (slot >= kMaxLights) return nullptr;
    LightRecord* record = Table().slots[slot];
    if (!record || (static_cast<uint32_t>(record->checkNumber) << 16) != (h & kHandleCheckMask))
        return nullptr;
    return record;
}

Handle CreateLight() {
    LightTable& t = Table();
    const int slot = FindFreeSlot();
    if (slot < 0) return -1;
    auto* record =
        static_cast<LightRecord*>(TrackedCalloc(sizeof(LightRecord), __FILE__, __LINE__));
    if (!record) FatalExit(Cp932Text("ライト用のメモリの確保に失敗しました"));
    record->checkNumber = t.checkCounter;
    if (++t.checkCounter >= kCheckWrap) t.checkCounter = 0;
    record->handle =
        static_cast<Handle>(((static_cast<uint32_t>(record->checkNumber) | 0x2C00u) << 16) |
                            static_cast<uint32_t>(slot));
    D3DLIGHT9& l = record->light;
    l.Diffuse = l.Specular = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    l.Ambient = D3DCOLORVALUE{0.33f, 0.33f, 0.33f, 0.33f};
    l.Range = 2000.0f;
    l.Falloff = 1.0f;
    l.Attenuation0 = 0.1f;
    l.Theta = l.Phi = 2.0f;
    record->deviceSlot = -1;
    record->enabled = 1;
    record->changed = 1;
    t.slots[slot] = record;
    ++t.count;
    if (slot >= t.highestPlusOne) t.highestPlusOne = slot + 1;
    MarkChanged();
    return record->handle;
}

Handle CreateDirectionalLight(float x, float y, float z) {
    const float length = GetVectorLength(x, y, z);
    if (length == 0.0f) return -1;  // no direction to light along
    const Handle handle = CreateLight();
    LightRecord* record = GetLightRecord(handle);
    if (!record) return -1;
    record->light.Type = D3DLIGHT_DIRECTIONAL;
    record->light.Direction = D3DVECTOR{x / length, y / length, z / length};
    return handle;
}

int DeleteLight(Handle light) {
    LightRecord* record = GetLightRecord(light);
    if (!record) return -1;
    LightTable& t = Table();
    const int slot = static_cast<int>(static_cast<uint32_t>(light) & kHandleIndexMask);
    t.slots[slot] = nullptr;
    --t.count;
    while (t.highestPlusOne > 0 && !t.slots[t.highestPlusOne - 1]) --t.highestPlusOne;
    if (light == t.defaultLight) t.defaultLight = -1;
    TrackedFree(record);
    MarkChanged();
    return 0;
}

int DeleteAllLights() {
    LightTable& t = Table();
    for (int i = t.highestPlusOne - 1; i >= 0; --i)
        if (t.slots[i] && t.slots[i]->handle != t.defaultLight) DeleteLight(t.slots[i]->handle);
    return 0;
}

int TerminateLights() {
    LightTable& t = Table();
    for (int i = t.highestPlusOne - 1; i >= 0; --i)
        if (t.slots[i]) DeleteLight(t.slots[i]->handle);
    t.defaultLight = -1;
    return 0;
}

int EnsureDefaultLight() {
    LightTable& t = Table();
    if (GetLightRecord(t.defaultLight)) return 0;
    t.defaultLight = CreateDirectionalLight(1.0f, -1.0f, 1.0f);
    t.lightsChanged = t.lightsForced = 1;
    return 0;
}

int ForceLightsResend() {
    Table().lightsForced = 1;
    MarkChanged();
    return 0;
}

int SetDeviceLightSlot(int slot, int enable, const D3DLIGHT9* light) {
    if (!HasDevice() || slot < 0) return 0;
    if (enable && light) SetDeviceLight(slot, light);
    EnableDeviceLight(slot, enable);
    return 0;
}

int ApplyLightingState() {
    FlushVertexBatch();
    SetLightingState(Table().lightingDisabled ? 0 : 1);
    GetRenderStateCache().drawStateChanged = 1;
    return 0;
}

int SetUseLighting(int flag) {
    Table().lightingDisabled = flag ? 0 : 1;
    ApplyLightingState();
    MarkChanged();
    return 0;
}

int ApplyLights() {
    LightTable& t = Table();
    ApplyLightingState();
    // Switched off: the device keeps what it had, the records wait.
    if (t.lightingDisabled || (!t.lightsChanged && !t.lightsForced)) return 0;
    static const D3DLIGHTTYPE kTypeOrder[3] = {D3DLIGHT_DIRECTIONAL, D3DLIGHT_SPOT, D3DLIGHT_POINT};
    int next = 0;
    for (int i = 0; i < t.highestPlusOne; ++i)
        if (t.slots[i] && !t.slots[i]->enabled) t.slots[i]->deviceSlot = -1;
    for (D3DLIGHTTYPE type : kTypeOrder) {
        for (int i = 0; i < t.highestPlusOne; ++i) {
            LightRecord* record = t.slots[i];
            if (!record || !record->enabled || record->light.Type != type) continue;
            if (next < 256) t.order[next] = i;
            if (record->deviceSlot != next || record->changed || t.lightsForced)
                SetDeviceLightSlot(next, 1, &record->light);
            record->deviceSlot = next++;
            record->changed = 0;
        }
    }
    for (int slot = next; slot < t.deviceSlotsUsed; ++slot) SetDeviceLightSlot(slot, 0, nullptr);
    t.deviceSlotsUsed = next;
    t.lightsChanged = t.lightsForced = 0;
    GetRenderStateCache().drawStateChanged = 1;
    return 0;
}

}  // namespace DuRud
