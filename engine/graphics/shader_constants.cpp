// The shader-constant cache. A register belongs to
// the highest active layer that uses it; the device sees that layer's value.
#include "graphics/shader_constants.h"

#include <cstring>

#include "DuRud.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"

namespace DuRud {
namespace {

constexpr int kRegisterCounts[kShaderConstantFileCount] = {256, 16, 16, 224, 16, 16};
constexpr int kRegisterBytes[kShaderConstantFileCount] = {16, 16, 4, 16, 16, 4};

int g_uploadsForced = 0;

bool ValidRange(const ShaderConstantCache* cache, int file, int first, int count) {
    if (!cache || file < 0 || file >= kShaderConstantFileCount) return false;
    return first >= 0 && count >= 0 && first + count <= cache->registerCount[file];
}

// The device call of the file; the uploaded copy changes in every case.
void Upload(ShaderConstantCache* cache, int file, int first, int count, const uint8_t* data) {
    if (count <= 0) return;
    const int bytes = cache->registerBytes[file];
    std::memcpy(cache->uploaded[file] + first * bytes, data, static_cast<size_t>(count) * bytes);
    if ((!ProgrammableShadersInUse() && !g_uploadsForced) || !HasDevice()) return;
    const UINT start = static_cast<UINT>(first), n = static_cast<UINT>(count);
    switch (file) {
        case kVertexFloatConstants:
            DeviceSetVertexShaderConstantF(start, reinterpret_cast<const float*>(data), n);
            break;
        case kVertexIntConstants:
            DeviceSetVertexShaderConstantI(start, reinterpret_cast<const int*>(data), n);
            break;
        case kVertexBoolConstants:
            DeviceSetVertexShaderConstantB(start, reinterpret_cast<const BOOL*>(data), n);
            break;
        case kPixelFloatConstants:
            DeviceSetPixelShaderConstantF(start, reinterpret_cast<const float*>(data), n);
            break;
        case kPixelIntConstants:
            DeviceSetPixelShaderConstantI(start, reinterpret_cast<const int*>(data), n);
            break;
        default:
            DeviceSetPixelShaderConstantB(start, reinterpret_cast<const BOOL*>(data), n);
            break;
    }
}

// The value the device should hold for a register: its owner's, or what it
// holds now when no layer owns it.
const uint8_t* WinningValue(const ShaderConstantCache* cache, int file, int reg) {
    const int bytes = cache->registerBytes[file];
    const uint8_t owner = cache->owner[file][reg];
    if (owner == kNoShaderConstantOwner) return cache->uploaded[file] + reg * bytes;
    return cache->values[file][owner] + reg * bytes;
}

uint8_t HighestActiveUser(const ShaderConstantCache* cache, int file, int reg) {
    for (int layer = kShaderConstantLayers - 1; layer >= 0; --layer)
        if (cache->active[layer] && cache->used[file][layer][reg])
            return static_cast<uint8_t>(layer);
    return kNoShaderConstantOwner;
}

}  // namespace

ShaderConstantCache& EngineShaderConstants() {
    static ShaderConstantCache* cache = new ShaderConstantCache();  // lives for the process
    return *cache;
}

int InitShaderConstantCache(ShaderConstantCache* cache) {
    std::memset(cache, 0, sizeof(*cache));
    std::memset(cache->owner, kNoShaderConstantOwner, sizeof(cache->owner));
    for (int file = 0; file < kShaderConstantFileCount; ++file) {
        cache->registerCount[file] = kRegisterCounts[file];
        cache->registerBytes[file] = kRegisterBytes[file];
    }
    return 0;
}

int UploadShaderConstantRange(ShaderConstantCache* cache, int file, int first, int count) {
    if (!ValidRange(cache, file, first, count)) return -1;
    const int bytes = cache->registerBytes[file];
    uint8_t buffer[kMaxShaderConstantRegisters * 16];
    for (int i = 0; i < count; ++i)
        std::memcpy(buffer + i * bytes, WinningValue(cache, file, first + i), bytes);
    Upload(cache, file, first, count, buffer);
    return 0;
}

int SetShaderConstants(ShaderConstantCache* cache, int file, int layer, int first,
                       const void* values, int count, int flagUsed) {
    if (layer < 0 || layer >= kShaderConstantLayers || !values ||
        !ValidRange(cache, file, first, count))
        return -1;
    const int bytes = cache->registerBytes[file];
    std::memcpy(cache->values[file][layer] + first * bytes, values,
                static_cast<size_t>(count) * bytes);
    bool allOwned = true;
    for (int reg = first; reg < first + count; ++reg) {
        if (flagUsed) cache->used[file][layer][reg] = 1;
        uint8_t& owner = cache->owner[file][reg];
        if (cache->active[layer] &&
            (owner == kNoShaderConstantOwner || owner <= layer || !cache->active[owner]))
            owner = static_cast<uint8_t>(layer);
        if (owner != layer) allOwned = false;
    }
    if (allOwned) {
        Upload(cache, file, first, count, static_cast<const uint8_t*>(values));
        return 0;
    }
    return UploadShaderConstantRange(cache, file, first, count);
}

int ResetShaderConstants(ShaderConstantCache* cache, int file, int layer, int first, int count) {
    if (layer < 0 || layer >= kShaderConstantLayers || !ValidRange(cache, file, first, count))
        return -1;
    bool changed = false;
    for (int reg = first; reg < first + count; ++reg) {
        cache->used[file][layer][reg] = 0;
        uint8_t& owner = cache->owner[file][reg];
        if (owner != layer) continue;
        owner = kNoShaderConstantOwner;
        for (int lower = layer - 1; lower >= 0; --lower) {
            if (cache->active[lower] && cache->used[file][lower][reg]) {
                owner = static_cast<uint8_t>(lower);
                break;
            }
        }
        changed = true;
    }
    if (changed) UploadShaderConstantRange(cache, file, first, count);
    return 0;
}

int SetActiveShaderLayers(ShaderConstantCache* cache, int mask) {
    mask &= (1 << kShaderConstantLayers) - 1;
    if (mask == cache->activeMask) return 0;
    cache->activeMask = mask;
    for (int layer = 0; layer < kShaderConstantLayers; ++layer)
        cache->active[layer] = (mask >> layer) & 1;
    for (int file = 0; file < kShaderConstantFileCount; ++file) {
        int runStart = -1;
        for (int reg = 0; reg <= cache->registerCount[file]; ++reg) {
            bool changed = false;
            if (reg < cache->registerCount[file]) {
                const uint8_t owner = HighestActiveUser(cache, file, reg);
                changed = owner != cache->owner[file][reg];
                cache->owner[file][reg] = owner;
            }
            if (changed && runStart < 0) runStart = reg;
            if (!changed && runStart >= 0) {
                UploadShaderConstantRange(cache, file, runStart, reg - runStart);
                runStart = -1;
            }
        }
    }
    return 0;
}

int SetShaderConstantUploadsForced(int on) {
    g_uploadsForced = on ? 1 : 0;
    return 0;
}

}  // namespace DuRud
