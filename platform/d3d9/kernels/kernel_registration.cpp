// The one function that puts every kernel of the shader package into the
// registry, and the helpers the kernel families share.
#include <mutex>

#include "../raster/pixel_formats.h"
#include "kernel_math.h"

namespace platform::d3d9 {

namespace kernels {

uint32_t ReadTexel(const KernelImage& image, int x, int y) {
    if (!image.pixels || image.width <= 0 || image.height <= 0) return 0xFFFFFFFFu;
    x = std::clamp(x, 0, image.width - 1);
    y = std::clamp(y, 0, image.height - 1);
    return raster::ReadArgb(image.pixels + size_t(y) * image.pitch +
                                size_t(x) * raster::FormatBytesPerPixel(image.format),
                            image.format);
}

ShaderKernel PixelKernel(PixelKernelFunction fn, int variant, std::initializer_list<int> sets) {
    ShaderKernel k;
    k.pixel = fn;
    k.variant = variant;
    int i = 0;
    for (int set : sets) k.coordinateSet[i++] = int8_t(set);
    return k;
}

}  // namespace kernels

void RegisterPackageShaderKernels() {
    // The families build their tables once; registering again puts the
    // same kernels under the same names.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    kernels::RegisterTwoDKernels();
    kernels::RegisterFilterKernels();
    kernels::RegisterBlendFilterKernels();
    kernels::RegisterModelKernels();
}

}  // namespace platform::d3d9
