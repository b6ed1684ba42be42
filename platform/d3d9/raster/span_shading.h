// Shading of horizontal pixel spans. One template holds the whole pixel
// pipeline; each state it is given at compile time folds away, so the
// specialised spans are the generic path with constants and give the same
// bytes by construction (a test compares them on random pixels).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "blending.h"
#include "draw_setup.h"
#include "held_rows.h"
#include "known_depth_rows.h"
#include "pixel_formats.h"
#include "sampling.h"
#include "span_rows.h"
#include "sprite_rows.h"
#include "texture_stages.h"

namespace platform::raster {

struct TriangleSetup;
using SpanFunction = void (*)(const DrawSetup&, const TriangleSetup&, int y, int x0, int x1);

struct TriangleSetup {
    bool affine = true;  // 1/w is the same at every vertex
    Plane q;             // 1/w (perspective only)
    Plane z;
    bool gouraud = false;
    Rgba flatDiffuse{0, 0, 0, 0}, flatSpecular{0, 0, 0, 0};
    Plane diffuse[4], specular[4];                         // r, g, b, a; times 1/w when not affine
    Plane s[D3DMAXTEXTURESTAGES], t[D3DMAXTEXTURESTAGES];  // level-0 texels (times 1/w)
    LevelChoice level[D3DMAXTEXTURESTAGES];
    bool perPixelLod[D3DMAXTEXTURESTAGES] = {};
    Plane coordU[8], coordV[8];  // pixel-kernel draws: coordinate sets (times 1/w)
    // A depth-tested draw's spans: the specialised one, which ignores depth,
    // and the generic one for spans the depth test does not pass whole.
    SpanFunction depthFree = nullptr, fallback = nullptr;
    // For spans that pass whole but write depth only where an alpha test
    // keeps a pixel: a specialised span that writes those depths (null: the
    // generic one draws them).
    SpanFunction depthWriting = nullptr;
};

struct SpanChoice {
    SpanFunction generic = nullptr;
    SpanFunction special = nullptr;       // for affine triangles; null when none fits
    bool depthGated = false;              // special ignores the draw's depth test
    SpanFunction depthWriting = nullptr;  // see TriangleSetup::depthWriting
    // The generic span is a kernel's, which may cover the two halves of a
    // quad as one span like a specialised one (never while the generic path
    // is forced, which tests take as the reference).
    bool genericPairs = false;
};

// The span of a draw with a pixel kernel (kernel_spans.cpp).
void ShadeKernelSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1);

// Picks the span functions for a draw's state.
SpanChoice ChooseSpans(const DrawSetup& setup);

// Level-of-detail from texel-coordinate derivatives: log2 of the longer of
// the two screen-axis footprints.
inline double LevelOfDetail(double dsdx, double dtdx, double dsdy, double dtdy) {
    double x = dsdx * dsdx + dtdx * dtdx, y = dsdy * dsdy + dtdy * dtdy;
    double m = x > y ? x : y;
    if (!(m > 0.0)) return -1000.0;
    return 0.5 * std::log2(m);
}

RASTER_INLINE int ColourFromPlane(double v) {
    if (!(v >= 0.0)) return 0;
    if (v >= 255.0) return 255;
    return int(v + 0.5);
}

#if defined(__SSE2__)
// The widest sprite row loop the processor runs, for one shape.
template <int AlphaFrom, bool Modulate, int DestFactor, uint32_t Target, uint32_t TexFormat>
RASTER_INLINE void SpriteRowShape(const SpriteRow& s, int x0, int x1, uint8_t* row) {
#if defined(__x86_64__)
    if (x1 - x0 >= 8 && SpriteRowAvx2Available()) {
        SpriteRowAvx2Shape<AlphaFrom, Modulate, DestFactor, Target, TexFormat>(s, x0, x1, row);
        return;
    }
#endif
    SpriteRowSse2Shape<AlphaFrom, Modulate, DestFactor, Target, TexFormat>(s, x0, x1, row);
}
#endif

// A sprite row's alpha test, blend and target, from the draw.
inline void TakeDrawOutput(SpriteRow& sr, const DrawSetup& ds, int destFactor, uint32_t target) {
    sr.alphaTest = ds.alphaTest;
    sr.alphaFunc = ds.alphaFunc;
    sr.alphaRef = uint32_t(ds.alphaRef);
    sr.destFactor = destFactor;
    sr.target = target;
    sr.rowPixels = ds.target.width;
}

// A span of a point-sampled picture whose alpha is the flat diffuse's for
// every pixel (opaque texels times it) over pixels that all hold one fill
// still held back: blended onto that colour, the fill not written under the
// pixels so drawn (groups of eight, while the texels are opaque). Returns
// the first pixel left to draw as usual; the fill under it is written.
template <uint32_t TexFormat, uint32_t Target, bool Modulate>
inline int BlendOverHeldFill(const DrawSetup& ds, const TriangleSetup& tri, const uint8_t* pointRow,
                             RowCoords coords, int y, int x0, int x1, uint8_t* row) {
#if defined(__x86_64__) && defined(__SSE2__)
    const Rgba& c = tri.flatDiffuse;
    if (!pointRow || x1 - x0 < 8 || !SpriteRowAvx2Available() ||
        (Modulate && (c.r != 255 || c.g != 255 || c.b != 255)))
        return x0;
    if (ds.alphaTest && !Compare(ds.alphaFunc, uint32_t(c.a), uint32_t(ds.alphaRef))) return x0;
    const RasterSurface& lv = ds.stages[0].texture->levels[0];
    int64_t first;
    uint32_t under;
    if (!OneTexelPerPixel(coords, x0, x1, lv.width, first) ||
        !ds.target.held->HoldsFillOver(y, x0, x1, under))
        return x0;
    ds.target.held->BeforeSpan(ds.target, y, x0, x1, true);
    SpriteRow sr;
    sr.texels = pointRow;
    sr.width = lv.width;
    sr.texFormat = TexFormat;
    sr.coords = coords;
    sr.target = Target;
    const int x =
        OneAlphaGroupsOverColourAvx2(sr, c.a, under, x0, x1, TexFormat == kFormatA8R8G8B8, row);
    FillRow(row, Target, under, x, x1);
    return x;
#else
    (void)ds, (void)tri, (void)pointRow, (void)coords, (void)y, (void)x1, (void)row;
    return x0;
#endif
}

// A row's starting values of the per-pixel attributes, shared by the
// fixed-function spans and the pixel-kernel spans.
struct RowAttributes {
    bool affine = true, gouraud = false;
    double qRow = 1.0, zRow = 0.0;
    double dRow[4] = {}, sRow[4] = {};
    // Texel coordinates of affine rows step in fixed point from x = 0, so
    // every span of a row (and both triangles of a quad) read the same
    // values.
    double texS[D3DMAXTEXTURESTAGES], texT[D3DMAXTEXTURESTAGES];
    int64_t sBase[D3DMAXTEXTURESTAGES], sStep[D3DMAXTEXTURESTAGES];
    int64_t tBase[D3DMAXTEXTURESTAGES], tStep[D3DMAXTEXTURESTAGES];

    RASTER_INLINE void Start(const TriangleSetup& tri, int y, int stageCount, bool isAffine,
                             bool isGouraud) {
        affine = isAffine, gouraud = isGouraud;
        qRow = affine ? 1.0 : tri.q.Row(y);
        zRow = tri.z.Row(y);
        if (gouraud)
            for (int c = 0; c < 4; ++c)
                dRow[c] = tri.diffuse[c].Row(y), sRow[c] = tri.specular[c].Row(y);
        for (int i = 0; i < stageCount; ++i) {
            texS[i] = tri.s[i].Row(y), texT[i] = tri.t[i].Row(y);
            if (affine) {
                sBase[i] = FixedCoord(texS[i]), sStep[i] = FixedStep(tri.s[i].dx);
                tBase[i] = FixedCoord(texT[i]), tStep[i] = FixedStep(tri.t[i].dx);
            }
        }
    }

    // w (1/q) at column x; 1 for affine rows.
    RASTER_INLINE double W(const TriangleSetup& tri, double fx) const {
        return affine ? 1.0 : 1.0 / (qRow + tri.q.dx * fx);
    }

    // Diffuse and specular at column x (flat: the triangle's).
    RASTER_INLINE void Colours(const TriangleSetup& tri, double fx, double w, Rgba& diffuse,
                               Rgba& specular) const {
        if (!gouraud) {
            diffuse = tri.flatDiffuse;
            specular = tri.flatSpecular;
            return;
        }
        double v[8];
        for (int c = 0; c < 4; ++c) {
            v[c] = dRow[c] + tri.diffuse[c].dx * fx;
            v[c + 4] = sRow[c] + tri.specular[c].dx * fx;
            if (!affine) v[c] *= w, v[c + 4] *= w;
        }
        diffuse = Rgba{ColourFromPlane(v[0]), ColourFromPlane(v[1]), ColourFromPlane(v[2]),
                       ColourFromPlane(v[3])};
        specular = Rgba{ColourFromPlane(v[4]), ColourFromPlane(v[5]), ColourFromPlane(v[6]),
                        ColourFromPlane(v[7])};
    }

    // Stage i's texture at column x (its texture bound; null reads white).
    RASTER_INLINE uint32_t SampleStage(const StageSetup& st, const TriangleSetup& tri, int i, int x,
                                       double fx, double w) const {
        const RasterTexture* tex = st.texture;
        if (!tex) return 0xFFFFFFFFu;
        double s, t;
        int64_t fs, ft;
        if (affine) {
            int64_t sf = sBase[i] + int64_t(x) * sStep[i];
            int64_t tf = tBase[i] + int64_t(x) * tStep[i];
            fs = sf >> (kCoordBits - 8), ft = tf >> (kCoordBits - 8);
            s = double(sf) / kCoordOne, t = double(tf) / kCoordOne;
        } else {
            s = (texS[i] + tri.s[i].dx * fx) * w;
            t = (texT[i] + tri.t[i].dx * fx) * w;
            fs = TexelFixed(s), ft = TexelFixed(t);
        }
        LevelChoice choice = tri.level[i];
        if (tri.perPixelLod[i]) {
            double dsdx = (tri.s[i].dx - s * tri.q.dx) * w;
            double dtdx = (tri.t[i].dx - t * tri.q.dx) * w;
            double dsdy = (tri.s[i].dy - s * tri.q.dy) * w;
            double dtdy = (tri.t[i].dy - t * tri.q.dy) * w;
            choice = ChooseLevel(st.sampler, *tex, LevelOfDetail(dsdx, dtdx, dsdy, dtdy));
        }
        if (choice.level == 0 && choice.weight == 0)
            return SampleLevel(tex->levels[0], choice.filter, st.sampler.addressU,
                               st.sampler.addressV, st.sampler.border, fs, ft);
        return SampleTexture(st.sampler, *tex, choice, s, t);
    }
};

// Alpha test, depth test, blend, write mask and write of the pixel at
// column x. FastSrcAlpha: the SIMD twin of the source-alpha blends (with
// FastDest as the destination factor) for the specialised spans.
template <bool FastSrcAlpha = false, int FastDest = 0>
RASTER_INLINE void MergePixel(const DrawSetup& ds, const TriangleSetup& tri,
                              const RowAttributes& ra, int x, Rgba out, uint8_t* pixel,
                              uint8_t* depthRow, int depthBytes, uint32_t target, bool blend,
                              int srcBlend, int destBlend, int blendOp, uint32_t mask,
                              bool depthTest) {
    if (ds.alphaTest && !Compare(ds.alphaFunc, uint32_t(out.a), uint32_t(ds.alphaRef))) return;
    uint8_t* depthPixel = nullptr;
    uint32_t depth = 0;
    if (depthTest) {
        depthPixel = depthRow + size_t(x) * depthBytes;
        depth = QuantiseDepth(ra.zRow + tri.z.dx * double(x), ds.depth.format);
        if (!Compare(ds.depthFunc, depth, ReadDepth(depthPixel, ds.depth.format))) return;
    }
    if (blend || mask != 0xF) {
        Rgba dst = FromArgb(ReadArgb(pixel, target));
        if constexpr (FastSrcAlpha) {
#if defined(__SSE2__)
            out = FromArgb(BlendSrcAlphaSse2(FastDest, ToArgb(out), ToArgb(dst)));
#else
            out = Blend(blendOp, srcBlend, destBlend, out, dst, ds.blendFactor);
#endif
        } else if (blend) {
            out = Blend(blendOp, srcBlend, destBlend, out, dst, ds.blendFactor);
        }
        if (mask != 0xF) out = ApplyWriteMask(mask, out, dst);
    }
    WriteArgb(pixel, target, ToArgb(out));
    if (depthTest && ds.depthWrite) WriteDepth(depthPixel, ds.depth.format, depth);
}

// Compile-time state of a span: -1 is "read from the setup".
template <int Stages, int TexFormat, int Filter, int Address, int ColorOp, int ColorArg1,
          int ColorArg2, int AlphaOp, int AlphaArg1, int AlphaArg2, int BlendOn, int SrcBlend,
          int DestBlend, int Target>
struct SpanState {
    static constexpr int kStages = Stages, kTexFormat = TexFormat, kFilter = Filter,
                         kAddress = Address, kColorOp = ColorOp, kColorArg1 = ColorArg1,
                         kColorArg2 = ColorArg2, kAlphaOp = AlphaOp, kAlphaArg1 = AlphaArg1,
                         kAlphaArg2 = AlphaArg2, kBlend = BlendOn, kSrcBlend = SrcBlend,
                         kDestBlend = DestBlend, kTarget = Target;
    // Specialised spans are for flat, affine, depth-free, fully written,
    // specular-free draws with ADD blending.
    static constexpr bool kGeneric = Stages < 0;
};

using GenericSpanState = SpanState<-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1>;

#define RASTER_PICK(constant, runtime) ((constant) >= 0 ? (constant) : (runtime))

// Stage 0's colour is the texture's, alone or times the diffuse.
template <class K>
constexpr bool TextureColourStage() {
    return K::kColorArg1 == D3DTA_TEXTURE &&
           (K::kColorOp == D3DTOP_SELECTARG1 ||
            (K::kColorOp == D3DTOP_MODULATE && K::kColorArg2 == D3DTA_DIFFUSE));
}

// Stage 0's alpha is the texture's, the diffuse's or their product.
template <class K>
constexpr bool TextureOrDiffuseAlphaStage() {
    return (K::kAlphaOp == D3DTOP_SELECTARG2 && K::kAlphaArg2 == D3DTA_DIFFUSE) ||
           (K::kAlphaOp == D3DTOP_SELECTARG1 && K::kAlphaArg1 == D3DTA_TEXTURE) ||
           (K::kAlphaOp == D3DTOP_MODULATE && K::kAlphaArg1 == D3DTA_TEXTURE &&
            K::kAlphaArg2 == D3DTA_DIFFUSE);
}

// Whether a specialised span's state is one the tested row loop draws:
// unblended, point-sampled, the texture's colour (times the diffuse or not)
// onto a 32-bit target, alpha the texture's, the diffuse's or their product.
template <class K>
constexpr bool TestedRowFits() {
    return K::kTexFormat >= 0 && K::kFilter == kFilterPoint && K::kBlend == 0 &&
           (K::kTarget == int(kFormatA8R8G8B8) || K::kTarget == int(kFormatX8R8G8B8)) &&
           TextureColourStage<K>() && TextureOrDiffuseAlphaStage<K>();
}

// One pixel loop tests and writes each pixel (and its depth, given a depth
// row), with no per-pixel stage or merge set-up.
template <class K>
RASTER_INLINE void RunTestedRow(const DrawSetup& ds, const TriangleSetup& tri,
                                const uint8_t* pointRow, RowCoords coords, int x0, int x1,
                                uint8_t* row, uint8_t* depthRow, uint32_t depth) {
    TestedRow tr;
    tr.diffuse = tri.flatDiffuse;
    tr.alphaFunc = ds.alphaTest ? ds.alphaFunc : int(D3DCMP_ALWAYS);
    tr.alphaRef = uint32_t(ds.alphaRef);
    tr.set = K::kTarget == int(kFormatX8R8G8B8) ? 0xFF000000u : 0u;
    tr.depthRow = depthRow;
    tr.depthFormat = ds.depth.format;
    tr.depth = depth;
    constexpr int alphaFrom = K::kAlphaOp == D3DTOP_SELECTARG2   ? TestedRow::kAlphaDiffuse
                              : K::kAlphaOp == D3DTOP_SELECTARG1 ? TestedRow::kAlphaTexture
                                                                 : TestedRow::kAlphaProduct;
    constexpr uint32_t format = uint32_t(K::kTexFormat);
    const int width = ds.stages[0].texture->levels[0].width;
    // Times 255 is the identity in 8-bit products: a white diffuse colour
    // takes the loop without the multiply (the usual glyph colour).
    const Rgba& d = tri.flatDiffuse;
    if (K::kColorOp == D3DTOP_MODULATE && d.r == 255 && d.g == 255 && d.b == 255)
        TestedPointRow<format, false, alphaFrom>(pointRow, width, coords, tr, x0, x1, row);
    else
        TestedPointRow<format, K::kColorOp == D3DTOP_MODULATE, alphaFrom>(pointRow, width, coords,
                                                                          tr, x0, x1, row);
}

// A depth-gated span of a tested-row state whose one depth passes against
// every stored depth, with depth writes on: each pixel the alpha test keeps
// takes that depth, as the per-pixel path writes it. Spans that are not one
// texture row go to the generic span.
template <class K>
void ShadeTestedSpanWritingDepth(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0,
                                 int x1) {
    const RasterSurface& lv = ds.stages[0].texture->levels[0];
    const int64_t tStep = FixedStep(tri.t[0].dx);
    const int ty = AddressTexel(FixedCoord(tri.t[0].Row(y)) >> kCoordBits, lv.height, K::kAddress);
    if (tStep != 0 || ty < 0) {
        tri.fallback(ds, tri, y, x0, x1);
        return;
    }
    if (ds.depth.known) ds.depth.known->Forget(y, x0, x1);
    const uint32_t depth = QuantiseDepth(tri.z.Row(y) + tri.z.dx * double(x0), ds.depth.format);
    RunTestedRow<K>(ds, tri, lv.pixels + size_t(ty) * lv.pitch,
                    RowCoords{FixedCoord(tri.s[0].Row(y)), FixedStep(tri.s[0].dx)}, x0, x1,
                    ds.target.pixels + size_t(y) * ds.target.pitch,
                    ds.depth.pixels + size_t(y) * ds.depth.pitch, depth);
}

template <class K>
void ShadeSpan(const DrawSetup& ds, const TriangleSetup& tri, int y, int x0, int x1) {
    constexpr bool generic = K::kGeneric;
    const int stageCount = RASTER_PICK(K::kStages, ds.stageCount);
    const bool affine = generic ? tri.affine : true;
    const bool gouraud = generic ? tri.gouraud : false;
    const bool specularAdd = generic ? ds.specularAdd : false;
    const bool depthTest = generic ? ds.depthTest : false;
    const uint32_t mask = generic ? ds.writeMask : 0xF;
    const bool blend = RASTER_PICK(K::kBlend, int(ds.blend)) != 0;
    const int srcBlend = RASTER_PICK(K::kSrcBlend, ds.srcBlend);
    const int destBlend = RASTER_PICK(K::kDestBlend, ds.destBlend);
    const int blendOp = generic ? ds.blendOp : int(D3DBLENDOP_ADD);
    const uint32_t target = uint32_t(RASTER_PICK(K::kTarget, int(ds.target.format)));
    const int targetBytes = target <= kFormatX8R8G8B8 ? 4 : 2;

    const double fy = double(y);
    uint8_t* row = ds.target.pixels + size_t(y) * ds.target.pitch;
    uint8_t* depthRow = depthTest ? ds.depth.pixels + size_t(y) * ds.depth.pitch : nullptr;
    const int depthBytes = depthTest ? FormatBytesPerPixel(ds.depth.format) : 0;
    // The pixels below may write depths of their own.
    if (depthTest && ds.depthWrite && ds.depth.known) ds.depth.known->Forget(y, x0, x1);

    RowAttributes ra;
    ra.Start(tri, y, stageCount, affine, gouraud);
    const int64_t* sBase = ra.sBase;
    const int64_t* sStep = ra.sStep;
    const int64_t* tBase = ra.tBase;
    const int64_t* tStep = ra.tStep;
    (void)fy;

    // Bilinear rows of constant t: the two source rows are weighed once per
    // span (the vertical half of the same integer sum), leaving one
    // horizontal step per pixel.
    RowBlend rowBlend;
    if constexpr (!generic && K::kTexFormat >= 0 && K::kFilter == kFilterLinear) {
        if (tStep[0] == 0)
            rowBlend.Prepare(ds.stages[0].texture->levels[0], K::kTexFormat, K::kAddress,
                             K::kAddress, tBase[0] >> (kCoordBits - 8),
                             (sBase[0] + int64_t(x0) * sStep[0]) >> (kCoordBits - 8),
                             (sBase[0] + int64_t(x1 - 1) * sStep[0]) >> (kCoordBits - 8));
    }

    // Point-sampled rows of constant t read one texture row.
    const uint8_t* pointRow = nullptr;
    if constexpr (!generic && K::kTexFormat >= 0 && K::kFilter == kFilterPoint) {
        const RasterSurface& lv = ds.stages[0].texture->levels[0];
        if (tStep[0] == 0) {
            int ty = AddressTexel(tBase[0] >> kCoordBits, lv.height, K::kAddress);
            if (ty >= 0) pointRow = lv.pixels + size_t(ty) * lv.pitch;
        }
    }

    // Held rows under a source-alpha blend of the texel's own alpha: dropped
    // where every texel the span reads is opaque, else written first.
    if constexpr (!generic) {
        if (ds.settlesInSpan && ds.target.held && ds.target.held->Overlaps(y, x0, x1)) {
            // A modulated alpha is the texel's under an opaque flat diffuse.
            bool opaque = !ds.settleNeedsOpaqueDiffuse || tri.flatDiffuse.a == 255;
            if constexpr (K::kFilter == kFilterPoint && K::kTexFormat == int(kFormatA8R8G8B8))
                opaque = opaque && pointRow &&
                         TexelsOpaque(pointRow, ds.stages[0].texture->levels[0].width,
                                      RowCoords{sBase[0], sStep[0]}, x0, x1);
            else if constexpr (K::kFilter != kFilterPoint || K::kTexFormat != int(kFormatX8R8G8B8))
                opaque = false;
            // A picture faded by the diffuse alpha over a held fill (the
            // first of two backgrounds cross-fading over a cleared target).
            if constexpr (K::kFilter == kFilterPoint &&
                          (K::kTexFormat == int(kFormatA8R8G8B8) ||
                           K::kTexFormat == int(kFormatX8R8G8B8)) &&
                          K::kBlend == 1 && K::kSrcBlend == D3DBLEND_SRCALPHA &&
                          K::kDestBlend == D3DBLEND_INVSRCALPHA &&
                          (K::kTarget == int(kFormatA8R8G8B8) ||
                           K::kTarget == int(kFormatX8R8G8B8)) &&
                          TextureColourStage<K>() && K::kAlphaOp == D3DTOP_MODULATE &&
                          K::kAlphaArg1 == D3DTA_TEXTURE && K::kAlphaArg2 == D3DTA_DIFFUSE) {
                if (!opaque) {
                    x0 = BlendOverHeldFill<uint32_t(K::kTexFormat), uint32_t(K::kTarget),
                                           K::kColorOp == D3DTOP_MODULATE>(
                        ds, tri, pointRow, RowCoords{sBase[0], sStep[0]}, y, x0, x1, row);
                    if (x0 == x1) return;
                }
            }
            ds.target.held->BeforeSpan(ds.target, y, x0, x1, opaque);
        }
    }

    // Unblended spans that write the texture's colour (alpha from the
    // texture or the flat diffuse) to a 32-bit target run as whole rows.
    if constexpr (!generic && K::kTexFormat >= 0 && K::kBlend == 0 &&
                  (K::kTarget == int(kFormatA8R8G8B8) || K::kTarget == int(kFormatX8R8G8B8)) &&
                  TextureColourStage<K>() &&
                  ((K::kAlphaOp == D3DTOP_SELECTARG2 && K::kAlphaArg2 == D3DTA_DIFFUSE) ||
                   (K::kAlphaOp == D3DTOP_SELECTARG1 && K::kAlphaArg1 == D3DTA_TEXTURE))) {
        constexpr bool constantAlpha = K::kAlphaOp == D3DTOP_SELECTARG2;
        // Times a white diffuse colour is the texture's colour (c * 255 / 255).
        bool rows =
            K::kColorOp == D3DTOP_SELECTARG1 ||
            (tri.flatDiffuse.r == 255 && tri.flatDiffuse.g == 255 && tri.flatDiffuse.b == 255);
        uint32_t keep = 0xFFFFFFFFu, set = 0;
        if constexpr (constantAlpha) {
            const uint32_t a = uint32_t(tri.flatDiffuse.a);
            if (ds.alphaTest && !Compare(ds.alphaFunc, a, uint32_t(ds.alphaRef))) return;
            keep = 0x00FFFFFFu, set = a << 24;
        } else {
            rows = rows && !ds.alphaTest;
        }
        if constexpr (K::kTarget == int(kFormatX8R8G8B8)) set |= 0xFF000000u;
        const RowCoords coords{sBase[0], sStep[0]};
        if constexpr (K::kFilter == kFilterLinear) {
            if (rows && rowBlend.ready) {
                BlendRow(rowBlend, coords, x0, x1, keep, set, row);
                return;
            }
        } else if constexpr (K::kTexFormat == int(kFormatA8R8G8B8) ||
                             K::kTexFormat == int(kFormatX8R8G8B8)) {
            if (rows && pointRow) {
                PointRow(pointRow, ds.stages[0].texture->levels[0].width, uint32_t(K::kTexFormat),
                         coords, x0, x1, keep, set, row);
                return;
            }
            // A coloured diffuse over the texture (the fades of whole-screen
            // copies): the same row with each texel's colour times it.
            if constexpr (K::kColorOp == D3DTOP_MODULATE) {
                if (!rows && pointRow && (constantAlpha || !ds.alphaTest)) {
                    TintedPointRow(pointRow, ds.stages[0].texture->levels[0].width,
                                   uint32_t(K::kTexFormat), coords, tri.flatDiffuse, x0, x1, keep,
                                   set, row);
                    return;
                }
            }
        }
    }

    // Unblended point rows under an alpha test, from 16-bit textures too
    // (the glyphs of the font caches).
    if constexpr (!generic && TestedRowFits<K>()) {
        if (pointRow) {
            RunTestedRow<K>(ds, tri, pointRow, RowCoords{sBase[0], sStep[0]}, x0, x1, row, nullptr,
                            0);
            return;
        }
    }

    // Shapes onto a 32-bit target: one colour over the span, filled when
    // unblended; blended, drawn by the sprite row as a texture row of that
    // colour (colour and alpha the texel's: the shape stage's diffuse).
    if constexpr (!generic && K::kTexFormat < 0 &&
                  (K::kTarget == int(kFormatA8R8G8B8) || K::kTarget == int(kFormatX8R8G8B8)) &&
                  (K::kBlend == 0 ||
                   (K::kSrcBlend == D3DBLEND_SRCALPHA &&
                    (K::kDestBlend == D3DBLEND_INVSRCALPHA || K::kDestBlend == D3DBLEND_ONE)))) {
        const uint32_t colour = ToArgb(tri.flatDiffuse);
        if constexpr (K::kBlend == 0) {
            if (ds.alphaTest &&
                !Compare(ds.alphaFunc, uint32_t(tri.flatDiffuse.a), uint32_t(ds.alphaRef)))
                return;
            if (ds.target.held)
                ds.target.held->Hold(ds.target, y, colour, x0, x1);
            else
                FillRow(row, target, colour, x0, x1);
        } else {
            SpriteRow sr;
            sr.texels = ColourRow(colour, x1 - x0);
            sr.width = x1 - x0;
            sr.texFormat = kFormatA8R8G8B8;
            sr.coords =
                RowCoords{-int64_t(x0) * (int64_t(1) << kCoordBits), int64_t(1) << kCoordBits};
            sr.alphaFrom = SpriteRow::kAlphaTexture;
            TakeDrawOutput(sr, ds, K::kDestBlend, uint32_t(K::kTarget));
#if defined(__SSE2__)
            SpriteRowShape<SpriteRow::kAlphaTexture, false, K::kDestBlend, uint32_t(K::kTarget),
                           kFormatA8R8G8B8>(sr, x0, x1, row);
#else
            SpriteRowPlain(sr, x0, x1, row);
#endif
        }
        return;
    }

    // Blended sprites from a 32-bit texture onto a 32-bit target run as
    // whole rows too. Bilinear rows sample the span's texels first (the very
    // values the per-pixel path reads) and run the same loop over them.
    if constexpr (!generic && (K::kFilter == kFilterPoint || K::kFilter == kFilterLinear) &&
                  (K::kTexFormat == int(kFormatA8R8G8B8) ||
                   K::kTexFormat == int(kFormatX8R8G8B8)) &&
                  K::kBlend == 1 && K::kSrcBlend == D3DBLEND_SRCALPHA &&
                  (K::kDestBlend == D3DBLEND_INVSRCALPHA || K::kDestBlend == D3DBLEND_ONE) &&
                  (K::kTarget == int(kFormatA8R8G8B8) || K::kTarget == int(kFormatX8R8G8B8)) &&
                  TextureColourStage<K>() && TextureOrDiffuseAlphaStage<K>()) {
        // Rows of a rotated quad walk across the texture: the same loop
        // reads each pixel's texel from its own row.
        constexpr bool linear = K::kFilter == kFilterLinear;
        // The texel format the row loop reads: bilinear samples are A8R8G8B8.
        constexpr uint32_t rowFormat = linear ? kFormatA8R8G8B8 : uint32_t(K::kTexFormat);
        if (linear || pointRow || tStep[0] != 0) {
            const RasterSurface& lv = ds.stages[0].texture->levels[0];
            SpriteRow sr;
            if constexpr (linear) {
                const int n = x1 - x0;
                uint32_t* samples = SampleRow(n);
                if (rowBlend.ready) {
                    BlendRow(rowBlend, RowCoords{sBase[0] + int64_t(x0) * sStep[0], sStep[0]}, 0, n,
                             0xFFFFFFFFu, 0, reinterpret_cast<uint8_t*>(samples));
                } else {
                    for (int x = x0; x < x1; ++x)
                        samples[x - x0] = SampleLinearFast(
                            lv, K::kTexFormat, K::kAddress, K::kAddress,
                            ds.stages[0].sampler.border,
                            (sBase[0] + int64_t(x) * sStep[0]) >> (kCoordBits - 8),
                            (tBase[0] + int64_t(x) * tStep[0]) >> (kCoordBits - 8));
                }
                sr.texels = reinterpret_cast<const uint8_t*>(samples);
                sr.width = n;
                sr.coords =
                    RowCoords{-int64_t(x0) * (int64_t(1) << kCoordBits), int64_t(1) << kCoordBits};
            } else {
                sr.texels = pointRow ? pointRow : lv.pixels;
                sr.width = lv.width;
                sr.coords = RowCoords{sBase[0], sStep[0]};
                if (!pointRow) {
                    sr.rowCoords = RowCoords{tBase[0], tStep[0]};
                    sr.pitch = lv.pitch;
                    sr.height = lv.height;
                }
            }
            sr.texFormat = rowFormat;
            constexpr bool modulate = K::kColorOp == D3DTOP_MODULATE;
            constexpr int alphaFrom = K::kAlphaOp == D3DTOP_SELECTARG2   ? SpriteRow::kAlphaConstant
                                      : K::kAlphaOp == D3DTOP_SELECTARG1 ? SpriteRow::kAlphaTexture
                                                                         : SpriteRow::kAlphaProduct;
            sr.modulateColour = modulate;
            sr.alphaFrom = alphaFrom;
            sr.constant = tri.flatDiffuse;
            TakeDrawOutput(sr, ds, K::kDestBlend, uint32_t(K::kTarget));
#if defined(__SSE2__)
            // The target and large textures are bigger than the cache, and a
            // span's row starts on a page of its own where the processor's
            // own look-ahead begins cold: ask for the target row after next
            // and the texels it will read while this one is blended. Only
            // a long row's start: once it runs, the processor's look-ahead
            // keeps up with the rest.
            if (y + 2 < ds.target.height) {
                constexpr int64_t kAheadBytes = 512;
                const char* ahead = reinterpret_cast<const char*>(row) + 2 * ds.target.pitch;
                const size_t rowEnd =
                    std::min(size_t(x1) * 4, size_t(x0) * 4 + size_t(kAheadBytes));
                for (size_t at = size_t(x0) * 4; at < rowEnd; at += 64)
                    _mm_prefetch(ahead + at, _MM_HINT_T0);
                _mm_prefetch(ahead + rowEnd - 4, _MM_HINT_T0);
                const int64_t ty = FixedCoord(tri.t[0].Row(y + 2)) >> kCoordBits;
                const int64_t first = std::clamp<int64_t>(sr.coords.At(x0) >> 8, 0, lv.width - 1);
                const int64_t last =
                    std::clamp<int64_t>(sr.coords.At(x1 - 1) >> 8, 0, lv.width - 1);
                if (!linear && pointRow && ty >= 0 && ty < lv.height) {
                    const char* texels =
                        reinterpret_cast<const char*>(lv.pixels) + size_t(ty) * lv.pitch;
                    const int64_t from = std::min(first, last) * 4;
                    const int64_t to = std::min(std::max(first, last) * 4, from + kAheadBytes);
                    for (int64_t at = from; at <= to; at += 64)
                        _mm_prefetch(texels + at, _MM_HINT_T0);
                }
            }
#endif
#if defined(__SSE2__)
            // Times 255 is the identity in 8-bit products: a white or opaque
            // diffuse colour takes the loop without the multiply.
            const bool opaque = sr.constant.a == 255;
            const bool white = sr.constant.r == 255 && sr.constant.g == 255 && sr.constant.b == 255;
            auto run = [&](auto alpha, auto mod) {
                SpriteRowShape<decltype(alpha)::value, decltype(mod)::value, K::kDestBlend,
                               uint32_t(K::kTarget), rowFormat>(sr, x0, x1, row);
            };
            using TextureAlpha = std::integral_constant<int, SpriteRow::kAlphaTexture>;
            using ShapeAlpha = std::integral_constant<int, alphaFrom>;
            if constexpr (alphaFrom == SpriteRow::kAlphaProduct && modulate) {
                if (opaque && white)
                    run(TextureAlpha{}, std::false_type{});
                else if (white)
                    run(ShapeAlpha{}, std::false_type{});
                else
                    run(ShapeAlpha{}, std::true_type{});
            } else if constexpr (alphaFrom == SpriteRow::kAlphaProduct) {
                if (opaque)
                    run(TextureAlpha{}, std::false_type{});
                else
                    run(ShapeAlpha{}, std::false_type{});
            } else if constexpr (modulate) {
                if (white)
                    run(ShapeAlpha{}, std::false_type{});
                else
                    run(ShapeAlpha{}, std::true_type{});
            } else {
                run(ShapeAlpha{}, std::false_type{});
            }
#else
            SpriteRowPlain(sr, x0, x1, row);
#endif
            return;
        }
    }

    constexpr size_t kTexelBytes =
        K::kTexFormat == int(kFormatA8R8G8B8) || K::kTexFormat == int(kFormatX8R8G8B8) ? 4 : 2;
    for (int x = x0; x < x1; ++x) {
        const double fx = double(x);
        const double w = ra.W(tri, fx);
        StageRegisters r;
        ra.Colours(tri, fx, w, r.diffuse, r.specular);
        r.current = r.diffuse;
        r.temp = Rgba{0, 0, 0, 0};
        r.tfactor = ds.tfactor;
        r.texture = Rgba{255, 255, 255, 255};

        for (int i = 0; i < stageCount; ++i) {
            const StageSetup& st = ds.stages[i];
            if constexpr (generic) {
                if (st.usesTexture) r.texture = FromArgb(ra.SampleStage(st, tri, i, x, fx, w));
            } else if constexpr (K::kTexFormat >= 0) {
                const RasterSurface& lv = st.texture->levels[0];
                int64_t fs = (sBase[i] + int64_t(x) * sStep[i]) >> (kCoordBits - 8);
                int64_t ft = (tBase[i] + int64_t(x) * tStep[i]) >> (kCoordBits - 8);
                uint32_t c =
                    K::kFilter == kFilterLinear
                        ? (rowBlend.ready
                               ? rowBlend.Sample(fs)
                               : SampleLinearFast(lv, K::kTexFormat, K::kAddress, K::kAddress,
                                                  st.sampler.border, fs, ft))
                        : (pointRow ? ReadArgb(pointRow + size_t(AddressTexel(fs >> 8, lv.width,
                                                                              K::kAddress)) *
                                                              kTexelBytes,
                                               uint32_t(K::kTexFormat))
                                    : SamplePoint(lv, K::kTexFormat, K::kAddress, K::kAddress,
                                                  st.sampler.border, fs, ft));
                r.texture = FromArgb(c);
            }
            if (generic || i > 0) {
                RunStage(st.colorOp, st.colorArg1, st.colorArg2, st.alphaOp, st.alphaArg1,
                         st.alphaArg2, st.resultTemp, r);
            } else {
                RunStage(K::kColorOp, DWORD(K::kColorArg1), DWORD(K::kColorArg2), K::kAlphaOp,
                         DWORD(K::kAlphaArg1), DWORD(K::kAlphaArg2), false, r);
            }
        }

        Rgba out = r.current;
        if (specularAdd) {
            out.r = Saturate(out.r + r.specular.r);
            out.g = Saturate(out.g + r.specular.g);
            out.b = Saturate(out.b + r.specular.b);
        }
        uint8_t* pixel = row + size_t(x) * targetBytes;
        constexpr bool fast =
            !generic && K::kBlend == 1 && K::kSrcBlend == D3DBLEND_SRCALPHA &&
            (K::kDestBlend == D3DBLEND_INVSRCALPHA || K::kDestBlend == D3DBLEND_ONE) &&
            K::kTarget <= int(kFormatX8R8G8B8);
        MergePixel<fast, K::kDestBlend>(ds, tri, ra, x, out, pixel, depthRow, depthBytes, target,
                                        blend, srcBlend, destBlend, blendOp, mask, depthTest);
    }
}

}  // namespace platform::raster
