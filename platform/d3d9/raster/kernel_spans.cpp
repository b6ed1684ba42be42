// Spans of draws with a pixel shader: the kernel runs once per run of up to
// PixelSpan::kMaxPixels pixels over inputs the span works out on demand;
// each kept pixel then takes the same alpha test, depth test, blend and
// write as fixed-function pixels.
#include <algorithm>

#include "span_shading.h"

namespace platform::raster {

namespace {

// Constant registers of a draw that names none: all zero.
const float kNoFloats[224][4] = {};
const int kNoInts[16][4] = {};
const int kNoBools[16] = {};

class RasterPixelSpan final : public d3d9::PixelSpan {
  public:
    RasterPixelSpan(const DrawSetup& ds, const TriangleSetup& tri, const RowAttributes& ra, int row)
        : ds_(ds), tri_(tri), ra_(ra) {
        y = row;
        c = ds.constF ? ds.constF : kNoFloats;
        i = ds.constI ? ds.constI : kNoInts;
        b = ds.constB ? ds.constB : kNoBools;
        out = out_;
        keep = keep_;
    }

    void Begin(int first, int n) {
        x = first;
        count = n;
        haveDiffuse_ = haveSpecular_ = false;
        std::fill(keep_, keep_ + n, uint8_t(1));
    }

    const uint32_t* Diffuse() override {
        if (!haveDiffuse_) Colours();
        return diffuse_;
    }
    const uint32_t* Specular() override {
        if (!haveSpecular_) Colours();
        return specular_;
    }

    void Coordinates(int set, float* u, float* v) override {
        if (set < 0 || set >= ds_.layout.texCount) {
            std::fill(u, u + count, 0.0f);
            std::fill(v, v + count, 0.0f);
            return;
        }
        const Plane& pu = tri_.coordU[set];
        const Plane& pv = tri_.coordV[set];
        const double ru = pu.Row(y), rv = pv.Row(y);
        for (int k = 0; k < count; ++k) {
            const double fx = double(x + k), w = ra_.W(tri_, fx);
            u[k] = float((ru + pu.dx * fx) * w);
            v[k] = float((rv + pv.dx * fx) * w);
        }
    }

    void Sample(int sampler, uint32_t* texels) override {
        if (sampler < 0 || sampler >= ds_.stageCount || !ds_.stages[sampler].usesTexture) {
            std::fill(texels, texels + count, 0xFFFFFFFFu);
            return;
        }
        const StageSetup& st = ds_.stages[sampler];
        for (int k = 0; k < count; ++k) {
            const double fx = double(x + k);
            texels[k] = ra_.SampleStage(st, tri_, sampler, x + k, fx, ra_.W(tri_, fx));
        }
    }

    d3d9::KernelImage Image(int sampler) override {
        d3d9::KernelImage image;
        if (sampler < 0 || sampler >= ds_.stageCount || !ds_.stages[sampler].texture) return image;
        const RasterSurface& l0 = ds_.stages[sampler].texture->levels[0];
        image.pixels = l0.pixels;
        image.pitch = l0.pitch;
        image.width = l0.width;
        image.height = l0.height;
        image.format = l0.format;
        return image;
    }

  private:
    void Colours() {
        for (int k = 0; k < count; ++k) {
            const double fx = double(x + k);
            Rgba d, s;
            ra_.Colours(tri_, fx, ra_.W(tri_, fx), d, s);
            diffuse_[k] = ToArgb(d);
            specular_[k] = ToArgb(s);
        }
        haveDiffuse_ = haveSpecular_ = true;
    }

    const DrawSetup& ds_;
    const TriangleSetup& tri_;
    const RowAttributes& ra_;
    bool haveDiffuse_ = false, haveSpecular_ = false;
    uint32_t diffuse_[kMaxPixels], specular_[kMaxPixels];
    uint32_t out_[kMaxPixels];
    uint8_t keep_[kMaxPixels];
};

}  // namespace

void ShadeKernelSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1) {
    RowAttributes ra;
    ra.Start(tri, y, ds.stageCount, tri.affine, tri.gouraud);
    RasterPixelSpan span(ds, tri, ra, y);
    const uint32_t target = ds.target.format;
    const int targetBytes = FormatBytesPerPixel(target);
    uint8_t* row = ds.target.pixels + size_t(y) * ds.target.pitch;
    uint8_t* depthRow = ds.depthTest ? ds.depth.pixels + size_t(y) * ds.depth.pitch : nullptr;
    const int depthBytes = ds.depthTest ? FormatBytesPerPixel(ds.depth.format) : 0;
    for (int first = x0; first < x1; first += d3d9::PixelSpan::kMaxPixels) {
        const int n = std::min(x1 - first, d3d9::PixelSpan::kMaxPixels);
        span.Begin(first, n);
        ds.kernel->pixel(span, ds.kernel->variant);
        for (int k = 0; k < n; ++k) {
            if (!span.keep[k]) continue;
            const int x = first + k;
            MergePixel(ds, tri, ra, x, FromArgb(span.out[k]), row + size_t(x) * targetBytes,
                       depthRow, depthBytes, target, ds.blend, ds.srcBlend, ds.destBlend,
                       ds.blendOp, ds.writeMask, ds.depthTest);
        }
    }
}

}  // namespace platform::raster
