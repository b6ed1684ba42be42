// The programs the software device runs for shader blobs, registered by name.
// A blob's first comment block names its kernel; only registered names are
// accepted by CreateVertexShader / CreatePixelShader.
//
// A pixel kernel runs once per span of covered pixels of one row, never per
// pixel: it reads the span's inputs through PixelSpan and writes one colour
// per pixel (or discards it); alpha test, depth, blending and the write mask
// follow in the device as for fixed-function draws.
#pragma once

#include <cstdint>
#include <string>

namespace platform::d3d9 {

// Level 0 of the texture bound to a sampler, as its pixels lie in memory.
struct KernelImage {
    const uint8_t* pixels = nullptr;  // null: no texture bound
    int pitch = 0;
    int width = 0;
    int height = 0;
    uint32_t format = 0;  // D3DFORMAT number
};

// One span: pixels x .. x + count - 1 of row y.
class PixelSpan {
  public:
    static constexpr int kMaxPixels = 256;  // longer rows come as several spans

    int x = 0, y = 0, count = 0;
    // c0 to c223, i0 to i15, b0 to b15 as the device stores them.
    const float (*c)[4] = nullptr;
    const int (*i)[4] = nullptr;
    const int* b = nullptr;
    // Outputs: A8R8G8B8 colours, and keep[k] = 0 discards pixel k. Every
    // keep is 1 on entry.
    uint32_t* out = nullptr;
    uint8_t* keep = nullptr;

    // v0 and v1: diffuse and specular of every pixel (flat or Gouraud as the
    // shade mode says), A8R8G8B8.
    virtual const uint32_t* Diffuse() = 0;
    virtual const uint32_t* Specular() = 0;
    // t0 to t7: coordinate set `set` of every pixel; a set the vertex format
    // lacks reads 0.
    virtual void Coordinates(int set, float* u, float* v) = 0;
    // s0 to s7: the sampler's texture at the coordinate set the kernel
    // declared for it, under the sampler states, by the fixed-function
    // sampling code; an unbound sampler reads opaque white.
    virtual void Sample(int sampler, uint32_t* texels) = 0;
    // Level 0 of the sampler's texture, for kernels that read texels by
    // position (neighbours, blocks, tables).
    virtual KernelImage Image(int sampler) = 0;

  protected:
    ~PixelSpan() = default;
};

// Inputs and outputs of one vertex through a vertex kernel.
struct VertexShaderIo {
    float in[16][4] = {};           // v0 .. v15 as the declaration delivers them
    const float (*c)[4] = nullptr;  // c0 .. c255
    float position[4] = {};
    float diffuse[4] = {}, specular[4] = {};
    float texture[8][4] = {};
};

using PixelKernelFunction = void (*)(PixelSpan& span, int variant);
using VertexKernelFunction = void (*)(VertexShaderIo& io, int variant);

// One fixed-function texture stage: colour and alpha operations with their
// arguments (D3DTOP_* and D3DTA_* numbers).
struct StageOperations {
    uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0;
    uint32_t alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
};

struct ShaderKernel {
    PixelKernelFunction pixel = nullptr;    // set for pixel kernels
    VertexKernelFunction vertex = nullptr;  // set for vertex kernels
    int variant = 0;                        // handed to the function (one function, many files)
    // The coordinate set each sampler is read at by Sample(); -1 for a
    // sampler the kernel never reads. A draw whose render target is bound
    // to a sampler the kernel reads is refused.
    int8_t coordinateSet[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // When every output equals what this single stage makes of sampler 0's
    // texel (none: the diffuse colour alone) and the diffuse colour, bit for
    // bit: the rasteriser may run the stage's row code instead. colorOp 0:
    // no such stage.
    StageOperations equalStage;
};

// The registry. Kernels live as long as the program (static storage).
void RegisterShaderKernel(const std::string& name, bool vertex, const ShaderKernel* kernel);
void UnregisterShaderKernel(const std::string& name, bool vertex);
// The kernel registered under the name for that shader kind, or null.
const ShaderKernel* FindShaderKernel(const std::string& name, bool vertex);
// A kernel for tests, found before the device's own under the same name;
// the knob reset drops them all. Without a kernel the name alone is
// registered (shaders of it are made, draws with it refused), unless the
// device has a kernel of that name, which then stays in use.
void RegisterTestShaderKernel(const std::string& name, bool vertex,
                              const ShaderKernel* kernel = nullptr);
void UnregisterTestShaderKernels();

// Every kernel of the engine's shader package, under the names its blobs
// carry. Called when "d3d9.dll" is registered; calling it again changes
// nothing.
void RegisterPackageShaderKernels();

}  // namespace platform::d3d9
