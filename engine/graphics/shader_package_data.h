// The shader package the engine carries: four LZ-packed blobs made at build
// time by tools/shader_package. Beneath the packing:
// - the base archive: the 2D pixel shaders as ".pso" members (stored, no key);
// - the mix code table: 64 entries of four 16-bit code sizes, then the code of
//   every non-empty entry in order (the precompiled RGBA mixes);
// - the filter archive: the filter pixel shaders as ".pso" members;
// - the model code table: the 16-bit sizes of both model tables, then the code
//   of every non-empty entry in order.
// The header holds only what generator and reader must agree on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace DuRud {

enum ShaderPackageBlobIndex : int {
    kModelCodeBlob,
    kMixCodeBlob,
    kFilterArchiveBlob,
    kBaseArchiveBlob,
    kShaderPackageBlobCount
};

struct ShaderPackageBlob {
    const unsigned char* data;
    size_t size;
};

constexpr int kMixCodeEntries = 64;
constexpr int kMixCodesPerEntry = 4;
constexpr int kMixCodes = kMixCodeEntries * kMixCodesPerEntry;
constexpr int kModelVertexCodes = 196608;
constexpr int kModelPixelCodes = 622080;
constexpr int kModelCodes = kModelVertexCodes + kModelPixelCodes;

// The package as the build made it.
extern const ShaderPackageBlob kShaderPackage[kShaderPackageBlobCount];

}  // namespace DuRud
