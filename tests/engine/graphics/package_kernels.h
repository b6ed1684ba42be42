// Registers a test kernel under every name the shader package's blobs carry,
// so that the device accepts the engine's shader objects; the knob reset at
// each test's start drops them again.
#pragma once

#include <string>
#include <vector>

namespace graphicstest {

// The 69 members of the base archive.
std::vector<std::string> BaseShaderFileNames();
// Every member of the filter archive.
std::vector<std::string> FilterShaderFileNames();
// Every kernel of the package but `except` (pixel and vertex alike).
void RegisterPackageKernels(const std::string& except = "");

}  // namespace graphicstest
