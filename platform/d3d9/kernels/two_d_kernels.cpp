// The 2D draw kernels: shapes without a texture (4), textured draws with no
// blend graphic or with one of the three blend-graphic layouts (64), and the
// mask compose. They compute what the engine's fixed-function stage lists
// compute, in the same 8-bit arithmetic, from their own rules:
//   kind 0 plain, 1 faded toward the texture factor by alpha, 2 inverted
//   texture colour, 3 colour times four;
//   the texture factor arrives in c5 (red, green, blue, alpha over 255).
// Diffuse always multiplies: it is white and opaque when the draw asks for
// no brightness or alpha, and then the product changes nothing.
#include <string>

#include "d3d9_states.h"
#include "kernel_math.h"
#include "two_d_rows.h"

namespace platform::d3d9::kernels {

namespace {

constexpr int kMax = PixelSpan::kMaxPixels;

void NoTexture(PixelSpan& span, int kind) {
    const uint32_t* d = span.Diffuse();
    const Colour f = ColourOf(span.c[5]);
    for (int k = 0; k < span.count; ++k) {
        const Colour c = Split(d[k]);
        switch (kind) {
            case 1:  // the diffuse colour where opaque, the factor where clear
                span.out[k] = Join(Mix(c.r, f.r, c.a), Mix(c.g, f.g, c.a), Mix(c.b, f.b, c.a), c.a);
                break;
            case 2:
                span.out[k] = Join(255 - c.r, 255 - c.g, 255 - c.b, c.a);
                break;
            case 3:  // times a white texel, four times
                span.out[k] = Join(Shade(c.r, 255, 3), Shade(c.g, 255, 3), Shade(c.b, 255, 3), c.a);
                break;
            default:
                span.out[k] = d[k];
                break;
        }
    }
}

struct BlendVariant {
    int layout;  // 0 one texture, 1 cross-fade, 2 threshold wipe, 3 alpha mask
    int kind;
    bool replaceColour;  // the texture's colour replaced by the factor's
    bool ignoreAlpha;    // the drawn graphic's alpha is not read
};

BlendVariant Decode(int variant) {
    return BlendVariant{variant >> 4 & 3, variant >> 2 & 3, (variant & 2) != 0, (variant & 1) != 0};
}

void OneTexture(PixelSpan& span, const BlendVariant& v) {
    const uint32_t* d = span.Diffuse();
    const int count = span.count;
    uint32_t* out = span.out;
    // Under white, opaque diffuse a plain texel is its own result.
    const bool plain = v.kind == 0 && !v.replaceColour;
    const uint32_t setAlpha = v.ignoreAlpha ? 0xFF000000u : 0u;
    if (plain && std::all_of(d, d + count, [](uint32_t c) { return c == 0xFFFFFFFFu; })) {
        span.Sample(0, out);
        if (setAlpha)
            for (int k = 0; k < count; ++k) out[k] |= setAlpha;
        return;
    }
    uint32_t texels[kMax];
    span.Sample(0, texels);
    BlendGraphicRow row;
    row.drawn = texels, row.diffuse = d;
    row.count = count, row.kind = v.kind;
    row.ignoreAlpha = v.ignoreAlpha, row.replaceColour = v.replaceColour;
    row.factor = ColourOf(span.c[5]);
    OneTextureRow(row, out);
}

// The blend graphic (sampler 0) fades into the drawn one (sampler 1) by the
// factor's alpha.
void CrossFade(PixelSpan& span, const BlendVariant& v) {
    uint32_t blend[kMax], drawn[kMax];
    span.Sample(0, blend);
    span.Sample(1, drawn);
    BlendGraphicRow row;
    row.blend = blend, row.drawn = drawn, row.diffuse = span.Diffuse();
    row.count = span.count, row.kind = v.kind;
    row.weight = ColourOf(span.c[5]).a;
    CrossFadeRow(row, span.out);
}

// The blend graphic's alpha (sampler 0) moved by c5.w and scaled by c5.z
// (1, 2 or 4) gives the ramp; the drawn graphic (sampler 1) gives colour.
void Wipe(PixelSpan& span, const BlendVariant& v) {
    uint32_t blend[kMax], drawn[kMax];
    span.Sample(0, blend);
    span.Sample(1, drawn);
    BlendGraphicRow row;
    row.blend = blend, row.drawn = drawn, row.diffuse = span.Diffuse();
    row.specular = span.Specular();
    row.count = span.count, row.kind = v.kind, row.ignoreAlpha = v.ignoreAlpha;
    row.shift = StepsOf(span.c[5][3]);
    row.scale = std::clamp(int(span.c[5][2] + 0.5f), 1, 4);
    WipeRow(row, span.out);
}

// The drawn graphic (sampler 0) with its alpha times the blend graphic's
// (sampler 1).
void AlphaMask(PixelSpan& span, const BlendVariant& v) {
    uint32_t drawn[kMax], mask[kMax];
    span.Sample(0, drawn);
    span.Sample(1, mask);
    BlendGraphicRow row;
    row.blend = mask, row.drawn = drawn, row.diffuse = span.Diffuse();
    row.count = span.count, row.kind = v.kind;
    AlphaMaskRow(row, span.out);
}

void Textured(PixelSpan& span, int variant) {
    BlendVariant v = Decode(variant);
    // Blend graphics never meet kind 1: those draws are kind 0.
    if (v.layout != 0 && v.kind == 1) v.kind = 0;
    switch (v.layout) {
        case 1:
            CrossFade(span, v);
            break;
        case 2:
            Wipe(span, v);
            break;
        case 3:
            AlphaMask(span, v);
            break;
        default:
            OneTexture(span, v);
            break;
    }
}

// The work screen's colour (sampler 0) with the mask's alpha (sampler 1) as
// the alpha the compose's test sees: complemented in normal mode, where
// mask byte 0 lets the drawing through; as it is with c5.x = 1 (reversed).
void MaskCompose(PixelSpan& span, int) {
    uint32_t screen[kMax], mask[kMax];
    span.Sample(0, screen);
    span.Sample(1, mask);
    const bool reversed = span.c[5][0] >= 0.5f;
    for (int k = 0; k < span.count; ++k) {
        const int m = int(mask[k] >> 24);
        span.out[k] = (screen[k] & 0x00FFFFFFu) | uint32_t(reversed ? m : 255 - m) << 24;
    }
}

// The fixed-function stage a kernel equals, where one stage does: kinds 0,
// 2 and 3 of one texture whose own colour is used (the texel, complemented
// for kind 2, times diffuse; four times for kind 3; alpha the texel's times
// diffuse, or diffuse alone), and the plain shape (diffuse as it is). Kind
// 1 and the replaced colour need the factor in c5, which no stage reads.
StageOperations EqualStage(int kind, bool replaceColour, bool ignoreAlpha) {
    StageOperations s;
    if (kind == 1 || replaceColour) return s;
    s.colorOp = kind == 3 ? D3DTOP_MODULATE4X : D3DTOP_MODULATE;
    s.colorArg1 = kind == 2 ? D3DTA_TEXTURE | D3DTA_COMPLEMENT : D3DTA_TEXTURE;
    s.colorArg2 = D3DTA_DIFFUSE;
    s.alphaOp = ignoreAlpha ? D3DTOP_SELECTARG2 : D3DTOP_MODULATE;
    s.alphaArg1 = D3DTA_TEXTURE;
    s.alphaArg2 = D3DTA_DIFFUSE;
    return s;
}

const KernelTable& Table() {
    static const KernelTable table = [] {
        KernelTable t;
        for (int kind = 0; kind < 4; ++kind) {
            ShaderKernel k = PixelKernel(&NoTexture, kind, {});
            if (kind == 0)
                k.equalStage = StageOperations{D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_DIFFUSE,
                                               D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_DIFFUSE};
            t.Add("ps_nonetex_type" + std::to_string(kind) + ".pso", k);
        }
        // Coordinate sets per layout: the blend graphic reads set 0, the
        // drawn graphic set 1 (set 0 with no blend graphic).
        const int sets[4][2] = {{0, -1}, {0, 1}, {0, 1}, {1, 0}};
        for (int layout = 0; layout < 4; ++layout)
            for (int kind = 0; kind < 4; ++kind)
                for (int colour = 0; colour < 2; ++colour)
                    for (int alpha = 0; alpha < 2; ++alpha) {
                        ShaderKernel k =
                            PixelKernel(&Textured, layout << 4 | kind << 2 | colour << 1 | alpha,
                                        {sets[layout][0], sets[layout][1]});
                        if (layout == 0) k.equalStage = EqualStage(kind, colour != 0, alpha != 0);
                        t.Add("ps_blend" + std::to_string(layout) + "_type" + std::to_string(kind) +
                                  "_igcolor" + std::to_string(colour) + "_igtalpha" +
                                  std::to_string(alpha) + ".pso",
                              k);
                    }
        t.Add("ps_mask_blend.pso", PixelKernel(&MaskCompose, 0, {0, 0}));
        return t;
    }();
    return table;
}

}  // namespace

void RegisterTwoDKernels() {
    Table().Register();
}

}  // namespace platform::d3d9::kernels
