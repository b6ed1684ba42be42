// Makes sure the device accepts every name the shader package's blobs carry
// (it registers its own kernels with "d3d9.dll"; a bare test name never
// replaces one), and refuses one through the knob; the knob reset at each
// test's start drops both again.
#pragma once

#include <string>

namespace graphicstest {

// Every kernel of the package but `except`, whose shaders the device refuses
// to create (pixel and vertex alike).
void RegisterPackageKernels(const std::string& except = "");

}  // namespace graphicstest
