// The shader-constant cache: six register files, each with four layers
// ("sets"); a register's value on the device is its owner's, the highest
// active layer that uses it. Only what changes is uploaded, and only while
// programmable shaders are in use.
#pragma once

#include <cstdint>

namespace DuRud {

enum ShaderConstantFile : int {
    kVertexFloatConstants,
    kVertexIntConstants,
    kVertexBoolConstants,
    kPixelFloatConstants,
    kPixelIntConstants,
    kPixelBoolConstants,
    kShaderConstantFileCount
};
constexpr int kShaderConstantLayers = 4;
constexpr int kMaxShaderConstantRegisters = 256;
constexpr uint8_t kNoShaderConstantOwner = 255;

struct ShaderConstantCache {
    int32_t registerCount[kShaderConstantFileCount];
    int32_t registerBytes[kShaderConstantFileCount];
    uint8_t values[kShaderConstantFileCount][kShaderConstantLayers]
                  [kMaxShaderConstantRegisters * 16];
    uint8_t used[kShaderConstantFileCount][kShaderConstantLayers][kMaxShaderConstantRegisters];
    uint8_t owner[kShaderConstantFileCount][kMaxShaderConstantRegisters];
    uint8_t uploaded[kShaderConstantFileCount][kMaxShaderConstantRegisters * 16];
    int32_t activeMask;
    int32_t active[kShaderConstantLayers];
};

// The engine's own cache.
ShaderConstantCache& EngineShaderConstants();

// Zeroes the cache (no owners) and sets each file's register count. 0.
int InitShaderConstantCache(ShaderConstantCache* cache);
// -1 for a layer outside 0..3, a file out of range or a range outside the file.
int SetShaderConstants(ShaderConstantCache* cache, int file, int layer, int first,
                       const void* values, int count, int flagUsed);
int ResetShaderConstants(ShaderConstantCache* cache, int file, int layer, int first, int count);
int SetActiveShaderLayers(ShaderConstantCache* cache, int mask);
// Uploads the range with each register's owner's value (a register without
// owner keeps what was uploaded last).
int UploadShaderConstantRange(ShaderConstantCache* cache, int file, int first, int count);
// Engine-internal test switch: uploads reach the device even with shaders off.
int SetShaderConstantUploadsForced(int on);

}  // namespace DuRud
