// Registers a test kernel under every name the shader package's blobs carry,
// so that the device accepts the engine's shader objects; the knob reset at
// each test's start drops them again.
#pragma once

#include <string>

namespace graphicstest {

// Every kernel of the package but `except` (pixel and vertex alike).
void RegisterPackageKernels(const std::string& except = "");

}  // namespace graphicstest
