// The model shader pair: a vertex kernel that carries a model vertex
// through the world (c94-c97), view (c6-c9) and projection (c2-c5)
// matrices, each stored transposed so that a register is a row of the
// product, and a pixel kernel that shades the model's texture by its
// colour. Vertex-shader draws are refused by the device; the vertex kernel
// runs only where a caller hands it a vertex.
//   vertex inputs: v0 position, v1 normal, v2 colour, v3 texture coordinates
#include "kernel_math.h"

namespace platform::d3d9::kernels {

namespace {

constexpr int kWorld = 94, kView = 6, kProjection = 2;

void Transform(const float (*rows)[4], const float in[4], float out[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = rows[r][0] * in[0] + rows[r][1] * in[1] + rows[r][2] * in[2] + rows[r][3] * in[3];
}

void ModelVertex(VertexShaderIo& io, int) {
    const float position[4] = {io.in[0][0], io.in[0][1], io.in[0][2], 1.0f};
    float world[4], view[4];
    Transform(io.c + kWorld, position, world);
    Transform(io.c + kView, world, view);
    Transform(io.c + kProjection, view, io.position);
    for (int i = 0; i < 4; ++i) {
        io.diffuse[i] = io.in[2][i];
        io.texture[0][i] = io.in[3][i];
    }
}

void ModelPixel(PixelSpan& span, int) {
    uint32_t texels[PixelSpan::kMaxPixels];
    span.Sample(0, texels);
    const uint32_t* d = span.Diffuse();
    for (int k = 0; k < span.count; ++k) {
        const Colour t = Split(texels[k]), c = Split(d[k]);
        span.out[k] = Join(Times(t.r, c.r), Times(t.g, c.g), Times(t.b, c.b), Times(t.a, c.a));
    }
}

}  // namespace

void RegisterModelKernels() {
    static const ShaderKernel vertex = [] {
        ShaderKernel k;
        k.vertex = &ModelVertex;
        return k;
    }();
    static const ShaderKernel pixel = PixelKernel(&ModelPixel, 0, {0});
    RegisterShaderKernel("Model_VS_0", true, &vertex);
    RegisterShaderKernel("Model_PS_0", false, &pixel);
}

}  // namespace platform::d3d9::kernels
