// The unpacked shader package: the base and filter archives opened from
// memory, the precompiled mixes' code table and the two model code tables.
// Unpacked once, on the first device set-up with shaders, and kept across
// device rebuilds until graphics shut down.
#pragma once

#include <cstdint>

#include "files/archive.h"
#include "graphics/shader_package_data.h"

namespace DuRud {

// 1 unpacked (or already unpacked), 0 failed with nothing left allocated.
int UnpackShaderPackage();
// 1: both archives closed, every unpacked buffer freed.
int ReleaseShaderPackage();
int ShaderPackageUnpacked();

// Engine-internal test switch: the blobs the next unpack reads (null: the
// package the build made). The blobs must outlive the unpacked package.
void SetShaderPackageSource(const ShaderPackageBlob* blobs);

Archive* BaseShaderArchive();    // null until unpacked
Archive* FilterShaderArchive();  // null until unpacked
// A member's bytes inside the archive's image (stored members only); 0 or -1.
int ShaderArchiveMember(Archive* archive, const char* name, const void** code, uint32_t* size);
// The code of a precompiled mix (0..255) or of a model table entry (vertex
// table 0..196,607, pixel table 0..622,079): 0 with its bytes, -1 when the
// entry is empty, out of range or the package is not unpacked.
int MixShaderCode(int index, const void** code, uint32_t* size);
int ModelVertexShaderCode(int index, const void** code, uint32_t* size);
int ModelPixelShaderCode(int index, const void** code, uint32_t* size);

}  // namespace DuRud
