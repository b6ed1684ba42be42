#include "package_kernels.h"

#include "graphics/shader_package_names.h"
#include "test_knobs.h"

namespace graphicstest {

void RegisterPackageKernels(const std::string& except) {
    auto add = [&](const std::string& name, bool vertex) {
        if (name != except) KnobD3D9RegisterTestKernel(name.c_str(), vertex);
    };
    for (const std::string& name : DuRud::BaseShaderFiles()) add(name, false);
    for (const std::string& name : DuRud::FilterShaderFiles()) add(name, false);
    for (int i = 0; i < 256; ++i) add(DuRud::MixTableKernel(i), false);
    add(DuRud::kModelVertexKernel, true);
    add(DuRud::kModelPixelKernel, false);
    if (!except.empty()) KnobD3D9RefuseShaderKernel(except.c_str());
}

}  // namespace graphicstest
