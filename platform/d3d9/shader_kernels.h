// The programs the software device runs for shader blobs, registered by name.
// A blob's first comment block names its kernel; only registered names are
// accepted by CreateVertexShader / CreatePixelShader.
#pragma once

#include <string>

namespace platform::d3d9 {

void RegisterShaderKernel(const std::string& name, bool vertex, void* kernel);
void UnregisterShaderKernel(const std::string& name, bool vertex);
// The kernel registered under the name for that shader kind, or null.
void* FindShaderKernel(const std::string& name, bool vertex);
// A kernel that only names itself, for tests; the knob reset drops them all.
void RegisterTestShaderKernel(const std::string& name, bool vertex);
void UnregisterTestShaderKernels();

}  // namespace platform::d3d9
