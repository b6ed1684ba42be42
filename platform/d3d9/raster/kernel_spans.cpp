// Spans of draws with a pixel shader: the kernel runs once per run of up to
// PixelSpan::kMaxPixels pixels over inputs the span works out on demand;
// each kept pixel then takes the same alpha test, depth test, blend and
// write as fixed-function pixels.
#include <algorithm>
#include <cstring>

#include "span_shading.h"
#include "known_depth_rows.h"

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
        // Flat colours stay: later runs fill only what is new.
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
        if (SampleAffineLevel0(st, sampler, texels)) return;
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
    // Affine spans that read level 0 step their coordinates in fixed point
    // exactly as SampleStage does, without its per-pixel choices; rows of
    // constant t weigh the two texture rows once (the same integer sums).
    bool SampleAffineLevel0(const StageSetup& st, int i, uint32_t* texels) {
        const RasterTexture* tex = st.texture;
        const LevelChoice& choice = tri_.level[i];
        if (!tex || !ra_.affine || tri_.perPixelLod[i] || choice.level != 0 || choice.weight != 0)
            return false;
        const RasterSurface& lv = tex->levels[0];
        const int format = int(lv.format);
        const SamplerSetup& sm = st.sampler;
        const int64_t sBase = ra_.sBase[i] + int64_t(x) * ra_.sStep[i], sStep = ra_.sStep[i];
        const int64_t tBase = ra_.tBase[i] + int64_t(x) * ra_.tStep[i], tStep = ra_.tStep[i];
        constexpr int kShift = kCoordBits - 8;
        if (choice.filter == kFilterLinear) {
            if (tStep == 0 && sm.addressU != D3DTADDRESS_BORDER &&
                sm.addressV != D3DTADDRESS_BORDER) {
                rowBlend_.ready = false;
                rowBlend_.Prepare(lv, format, sm.addressU, sm.addressV, tBase >> kShift,
                                  sBase >> kShift, (sBase + int64_t(count - 1) * sStep) >> kShift);
                if (rowBlend_.ready) {
                    // The fixed-function row routine, writing the texels themselves.
                    BlendRow(rowBlend_, RowCoords{sBase, sStep}, 0, count, 0xFFFFFFFFu, 0,
                             reinterpret_cast<uint8_t*>(texels));
                    return true;
                }
            }
            for (int k = 0; k < count; ++k)
                texels[k] = SampleLinearFast(lv, format, sm.addressU, sm.addressV, sm.border,
                                             (sBase + int64_t(k) * sStep) >> kShift,
                                             (tBase + int64_t(k) * tStep) >> kShift);
            return true;
        }
        if (tStep == 0 && format >= int(kFormatR5G6B5) && format <= int(kFormatA4R4G4B4)) {
            // One row of a 16-bit texture: its address worked out once, the
            // texels converted by a loop made for their format.
            const int ty = AddressTexel(tBase >> kCoordBits, lv.height, sm.addressV);
            if (ty >= 0) {
                const uint8_t* texRow = lv.pixels + size_t(ty) * lv.pitch;
                switch (format) {
                    case kFormatR5G6B5:
                        return SixteenBitRow<kFormatR5G6B5>(texRow, lv.width, sm, sBase, sStep,
                                                            texels);
                    case kFormatX1R5G5B5:
                        return SixteenBitRow<kFormatX1R5G5B5>(texRow, lv.width, sm, sBase, sStep,
                                                              texels);
                    case kFormatA1R5G5B5:
                        return SixteenBitRow<kFormatA1R5G5B5>(texRow, lv.width, sm, sBase, sStep,
                                                              texels);
                    default:
                        return SixteenBitRow<kFormatA4R4G4B4>(texRow, lv.width, sm, sBase, sStep,
                                                              texels);
                }
            }
        }
        if ((format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8) && tStep == 0) {
            // One texture row: the texels straight from it.
            const int ty = AddressTexel(tBase >> kCoordBits, lv.height, sm.addressV);
            if (ty >= 0 && sm.addressU == D3DTADDRESS_CLAMP) {
                PointRow(lv.pixels + size_t(ty) * lv.pitch, lv.width, uint32_t(format),
                         RowCoords{sBase, sStep}, 0, count, 0xFFFFFFFFu, 0,
                         reinterpret_cast<uint8_t*>(texels));
                return true;
            }
            if (ty >= 0) {
                const uint8_t* texRow = lv.pixels + size_t(ty) * lv.pitch;
                const uint32_t set = format == kFormatX8R8G8B8 ? 0xFF000000u : 0u;
                for (int k = 0; k < count; ++k) {
                    const int tx = AddressTexel((sBase + int64_t(k) * sStep) >> kCoordBits,
                                                lv.width, sm.addressU);
                    uint32_t c = sm.border;
                    if (tx >= 0) std::memcpy(&c, texRow + size_t(tx) * 4, 4), c |= set;
                    texels[k] = c;
                }
                return true;
            }
        }
        for (int k = 0; k < count; ++k)
            texels[k] = SamplePoint(lv, format, sm.addressU, sm.addressV, sm.border,
                                    (sBase + int64_t(k) * sStep) >> kShift,
                                    (tBase + int64_t(k) * tStep) >> kShift);
        return true;
    }

    // Texels of one 16-bit texture row, as SamplePoint reads them.
    template <uint32_t Format>
    bool SixteenBitRow(const uint8_t* texRow, int width, const SamplerSetup& sm, int64_t sBase,
                       int64_t sStep, uint32_t* texels) {
        for (int k = 0; k < count; ++k) {
            const int tx =
                AddressTexel((sBase + int64_t(k) * sStep) >> kCoordBits, width, sm.addressU);
            texels[k] = tx >= 0 ? ReadArgb(texRow + size_t(tx) * 2, Format) : sm.border;
        }
        return true;
    }

    void Colours() {
        if (!ra_.gouraud) {
            if (flatFilled_ < count) {
                std::fill(diffuse_ + flatFilled_, diffuse_ + count, ToArgb(tri_.flatDiffuse));
                std::fill(specular_ + flatFilled_, specular_ + count, ToArgb(tri_.flatSpecular));
                flatFilled_ = count;
            }
            return;
        }
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
    int flatFilled_ = 0;  // flat colours already in the buffers
    uint32_t diffuse_[kMaxPixels], specular_[kMaxPixels];
    uint32_t out_[kMaxPixels];
    uint8_t keep_[kMaxPixels];
    RowBlend rowBlend_;
};

// The merges most 2D draws make: a 32-bit target, no depth, every channel
// written, and no blending or one of the two source-alpha blends.
bool FastMerge(const DrawSetup& ds, bool depthTest) {
    const uint32_t target = ds.target.format;
    if (depthTest || ds.writeMask != 0xF ||
        (target != kFormatA8R8G8B8 && target != kFormatX8R8G8B8))
        return false;
    if (!ds.blend) return true;
    return ds.blendOp == D3DBLENDOP_ADD && ds.srcBlend == D3DBLEND_SRCALPHA &&
           (ds.destBlend == D3DBLEND_INVSRCALPHA || ds.destBlend == D3DBLEND_ONE);
}

// One pixel of MergeFast.
RASTER_INLINE void MergeOne(const DrawSetup& ds, uint32_t c, uint32_t opaque, uint8_t* p) {
    if (ds.alphaTest && !Compare(ds.alphaFunc, c >> 24, uint32_t(ds.alphaRef))) return;
    if (ds.blend) {
        const uint32_t dst = ReadArgb(p, ds.target.format);
#if defined(__SSE2__)
        c = BlendSrcAlphaSse2(ds.destBlend, c, dst);
#else
        c = ToArgb(Blend(ds.blendOp, ds.srcBlend, ds.destBlend, FromArgb(c), FromArgb(dst),
                         ds.blendFactor));
#endif
    }
    c |= opaque;
    std::memcpy(p, &c, 4);
}

#if defined(__SSE2__)
// Two pixels' channels (16-bit lanes) blended by their source alpha:
// round(x / 255) as (y + 1 + (y >> 8)) >> 8 with y = x + 127, exact for
// every sum of two products of channels.
RASTER_INLINE __m128i BlendPair(__m128i s, __m128i d, bool inverse) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i round = _mm_set1_epi16(127), one = _mm_set1_epi16(1);
    auto div255 = [&](__m128i x) {
        __m128i y = _mm_add_epi16(x, round);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(y, one), _mm_srli_epi16(y, 8)), 8);
    };
    if (!inverse) return div255(_mm_mullo_epi16(s, a));
    const __m128i ia = _mm_sub_epi16(_mm_set1_epi16(255), a);
    return div255(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, ia)));
}
#endif

// MergePixel's result for the draws FastMerge admits, a span at a time
// (four pixels at once where the alpha test is one of the usual ones).
void MergeFast(const DrawSetup& ds, const uint32_t* out, const uint8_t* keep, int n,
               uint8_t* pixels) {
    const uint32_t opaque = ds.target.format == kFormatX8R8G8B8 ? 0xFF000000u : 0u;
    int k = 0;
#if defined(__SSE2__)
    const bool simple = !ds.alphaTest || ds.alphaFunc == D3DCMP_ALWAYS ||
                        ((ds.alphaFunc == D3DCMP_GREATER || ds.alphaFunc == D3DCMP_GREATEREQUAL) &&
                         ds.alphaRef >= 0 && ds.alphaRef <= 255);
    if (simple) {
        const __m128i zero = _mm_setzero_si128();
        const int ref = ds.alphaFunc == D3DCMP_GREATEREQUAL ? ds.alphaRef - 1 : ds.alphaRef;
        const bool test = ds.alphaTest && ds.alphaFunc != D3DCMP_ALWAYS;
        const __m128i refs = _mm_set1_epi32(ref), set = _mm_set1_epi32(int(opaque));
        const bool inverse = ds.destBlend == D3DBLEND_INVSRCALPHA;
        for (; k + 4 <= n; k += 4) {
            int keeps;
            std::memcpy(&keeps, keep + k, 4);
            __m128i mask =
                _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(keeps), zero), zero);
            mask = _mm_xor_si128(_mm_cmpeq_epi32(mask, zero), _mm_set1_epi32(-1));
            const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
            if (test) mask = _mm_and_si128(mask, _mm_cmpgt_epi32(_mm_srli_epi32(src, 24), refs));
            const int lanes = _mm_movemask_epi8(mask);
            if (lanes == 0) continue;
            uint8_t* p = pixels + size_t(k) * 4;
            if (!ds.blend && lanes == 0xFFFF) {  // the target is not read
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(src, set));
                continue;
            }
            // Blends read an X8 pixel as opaque; pixels left alone keep their bytes.
            const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i dst = _mm_or_si128(raw, set);
            __m128i c = src;
            if (ds.blend) {
                const __m128i lo =
                    BlendPair(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(dst, zero), inverse);
                const __m128i hi =
                    BlendPair(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(dst, zero), inverse);
                c = _mm_packus_epi16(lo, hi);
                if (!inverse) c = _mm_adds_epu8(c, dst);
            }
            c = _mm_or_si128(c, set);
            c = _mm_or_si128(_mm_and_si128(mask, c), _mm_andnot_si128(mask, raw));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), c);
        }
    }
#endif
    for (; k < n; ++k)
        if (keep[k]) MergeOne(ds, out[k], opaque, pixels + size_t(k) * 4);
}

// Whether the depth test settles nothing on [x0, x1) of row y: one depth
// along the row that passes against every stored depth, or that the row is
// known to hold already (it passes against itself and its write changes
// nothing). The span then draws as if depth were off and the row stays known.
bool DepthSettled(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1) {
    if (tri.z.dx != 0.0) return false;
    const uint32_t d = QuantiseDepth(tri.z.Row(y) + tri.z.dx * double(x0), ds.depth.format);
    if (!ds.depthWrite &&
        (ds.depthFunc == D3DCMP_ALWAYS || (ds.depthFunc == D3DCMP_LESSEQUAL && d == 0)))
        return true;
    return ds.depth.known && ds.depth.known->Holds(y, x0, x1, d) && Compare(ds.depthFunc, d, d);
}

}  // namespace

void ShadeKernelSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1) {
    RowAttributes ra;
    ra.Start(tri, y, ds.stageCount, tri.affine, tri.gouraud);
    RasterPixelSpan span(ds, tri, ra, y);
    const uint32_t target = ds.target.format;
    const int targetBytes = FormatBytesPerPixel(target);
    uint8_t* row = ds.target.pixels + size_t(y) * ds.target.pitch;
    const bool depthTest = ds.depthTest && !DepthSettled(ds, tri, y, x0, x1);
    uint8_t* depthRow = depthTest ? ds.depth.pixels + size_t(y) * ds.depth.pitch : nullptr;
    const int depthBytes = depthTest ? FormatBytesPerPixel(ds.depth.format) : 0;
    if (depthTest && ds.depthWrite && ds.depth.known) ds.depth.known->Forget(y, x0, x1);
    const bool fast = FastMerge(ds, depthTest);
    for (int first = x0; first < x1; first += d3d9::PixelSpan::kMaxPixels) {
        const int n = std::min(x1 - first, d3d9::PixelSpan::kMaxPixels);
        span.Begin(first, n);
        ds.kernel->pixel(span, ds.kernel->variant);
        if (fast) {
            MergeFast(ds, span.out, span.keep, n, row + size_t(first) * 4);
            continue;
        }
        for (int k = 0; k < n; ++k) {
            if (!span.keep[k]) continue;
            const int x = first + k;
            MergePixel(ds, tri, ra, x, FromArgb(span.out[k]), row + size_t(x) * targetBytes,
                       depthRow, depthBytes, target, ds.blend, ds.srcBlend, ds.destBlend,
                       ds.blendOp, ds.writeMask, depthTest);
        }
    }
}

}  // namespace platform::raster
