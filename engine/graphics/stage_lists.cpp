// The engine blend modes and the 192 prebuilt stage lists, generated once
// from the rules of each blend-graphic layout.
#include "graphics/draw_state_apply.h"

namespace DuRud {
namespace {

constexpr int kKinds = 4, kBlendSlots = 4, kAlphaSources = 3;
constexpr int kListCount = kKinds * kBlendSlots * 2 * 2 * kAlphaSources;
static_assert(kListCount == 192);

constexpr int16_t kTex = D3DTA_TEXTURE, kDiffuse = D3DTA_DIFFUSE, kCurrent = D3DTA_CURRENT,
                  kFactor = D3DTA_TFACTOR, kSpecular = D3DTA_SPECULAR;

const BlendModeRow kBlendModes[17] = {
    {-1, -1, D3DBLENDOP_ADD, 0},                                   // 0 none
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0},  // 1 alpha
    {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},          // 2 additive
    {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0},     // 3 subtractive
    {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0},         // 4 multiply
    {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},          // 5 additive
    {-1, -1, D3DBLENDOP_ADD, 0},                                   // 6 none
    {-1, -1, D3DBLENDOP_ADD, 0},                                   // 7 factors left
    {D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, 0},              // 8 destination kept
    {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0},     // 9 inverted destination
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 2},  // 10 inverted colour
    {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 1},         // 11 faded multiply
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 3},  // 12 alpha, times four
    {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 3},          // 13 additive, times four
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0},              // 14 copy
    {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0},       // 15 premultiplied
    {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0},  // 16 native subtract
};

StageDesc Stage(int coords, int16_t colorOp, int16_t colorArg1, int16_t colorArg2, int16_t alphaOp,
                int16_t alphaArg1, int16_t alphaArg2) {
    return StageDesc{0, coords, 0, alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp};
}

// The stage that colours by the diffuse colour: times four for kind 3.
StageDesc DiffuseStage(int kind) {
    return Stage(0, kind == 3 ? D3DTOP_MODULATE4X : D3DTOP_MODULATE, kCurrent, kDiffuse,
                 D3DTOP_MODULATE, kCurrent, kDiffuse);
}

// The drawn graphic's colour: its texel (complemented for kind 2), times
// the diffuse colour (or `with`) when asked, four times for kind 3.
void DrawnColour(StageDesc& s, int kind, int diffuseColour, int16_t with) {
    const int16_t tex = kind == 2 ? int16_t(kTex | D3DTA_COMPLEMENT) : kTex;
    s.colorArg1 = tex;
    s.colorArg2 = with;
    s.colorOp = kind == 3 ? D3DTOP_MODULATE4X : diffuseColour ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
}

int BuildList(int kind, int slot, int dc, int da, int as, StageDesc* out) {
    int n = 0;
    switch (slot) {
        case 0: {  // no blend graphic
            StageDesc s = Stage(0, 0, 0, 0, 0, kTex, kDiffuse);
            DrawnColour(s, kind, dc, kDiffuse);
            if (kind == 3) s.colorArg2 = kDiffuse;
            s.alphaOp = as == 0 ? D3DTOP_SELECTARG2 : da ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
            out[n++] = s;
            if (kind == 1)
                out[n++] = Stage(1, D3DTOP_BLENDCURRENTALPHA, kCurrent, kFactor, D3DTOP_SELECTARG1,
                                 kCurrent, kFactor);
            break;
        }
        case 1: {  // cross-fade: the factor's alpha weights the blend graphic
            out[n++] =
                Stage(0, D3DTOP_SELECTARG1, kTex, kDiffuse, D3DTOP_SELECTARG1, kTex, kDiffuse);
            const int16_t drawn = kind == 2 ? int16_t(kTex | D3DTA_COMPLEMENT) : kTex;
            out[n++] = Stage(1, D3DTOP_BLENDFACTORALPHA, kCurrent, drawn, D3DTOP_BLENDFACTORALPHA,
                             kCurrent, kTex);
            if (dc || da || kind == 3) out[n++] = DiffuseStage(kind);
            break;
        }
        case 2: {  // threshold wipe: the blend graphic's alpha against the factor
            const bool plain = as == 0 && !dc && !da;
            out[n++] = Stage(0, D3DTOP_SELECTARG2, kTex, kDiffuse,
                             plain ? D3DTOP_MODULATE : D3DTOP_ADD, kTex, kFactor);
            if (as == 0) {
                StageDesc s = Stage(1, 0, 0, 0, D3DTOP_MODULATE, kCurrent, kDiffuse);
                DrawnColour(s, kind, dc, kDiffuse);
                out[n++] = s;
            } else {
                if (as == 1)
                    out[n++] = Stage(1, D3DTOP_SELECTARG1, kCurrent, kDiffuse, D3DTOP_MODULATE,
                                     kSpecular, kCurrent);
                StageDesc s = Stage(1, 0, 0, 0, D3DTOP_MODULATE, kTex, kCurrent);
                DrawnColour(s, kind, dc, kCurrent);
                out[n++] = s;
                if (da)
                    out[n++] = Stage(0, D3DTOP_SELECTARG1, kCurrent, kDiffuse, D3DTOP_MODULATE,
                                     kCurrent, kDiffuse);
            }
            break;
        }
        default: {  // alpha mask: the blend graphic's alpha multiplies
            StageDesc s = Stage(1, 0, 0, 0, D3DTOP_SELECTARG1, kTex, kDiffuse);
            DrawnColour(s, kind == 3 ? 0 : kind, 0, kDiffuse);
            out[n++] = s;
            out[n++] =
                Stage(0, D3DTOP_SELECTARG1, kCurrent, kDiffuse, D3DTOP_MODULATE, kCurrent, kTex);
            if (dc || da || kind == 3) out[n++] = DiffuseStage(kind);
            break;
        }
    }
    out[n] = Stage(0, D3DTOP_DISABLE, kCurrent, kDiffuse, D3DTOP_DISABLE, kCurrent, kDiffuse);
    return n;
}

struct StageListTable {
    StageDesc lists[kListCount][kMaxDrawStages];
    StageListTable() {
        for (int i = 0; i < kListCount; ++i) {
            int rest = i;
            const int as = rest % kAlphaSources;
            rest /= kAlphaSources;
            const int da = rest % 2;
            rest /= 2;
            const int dc = rest % 2;
            rest /= 2;
            const int slot = rest % kBlendSlots;
            const int kind = rest / kBlendSlots;
            StageDesc* list = lists[i];
            for (int s = 0; s < kMaxDrawStages; ++s) list[s] = StageDesc{};
            // Kind 1 never meets a blend graphic: those rows are kind 0's.
            list[0].texture = BuildList(kind == 1 && slot ? 0 : kind, slot, dc, da, as, list);
        }
    }
};

}  // namespace

const BlendModeRow& BlendModeTableRow(int mode) {
    return kBlendModes[mode < 0 || mode > 16 ? 0 : mode];
}

const StageDesc* PrebuiltStageList(int kind, int blendSlot, int diffuseColour, int diffuseAlpha,
                                   int alphaSource) {
    static const StageListTable table;
    if (kind < 0 || kind >= kKinds || blendSlot < 0 || blendSlot >= kBlendSlots ||
        alphaSource < 0 || alphaSource >= kAlphaSources)
        return nullptr;
    const int index = (((kind * kBlendSlots + blendSlot) * 2 + (diffuseColour ? 1 : 0)) * 2 +
                       (diffuseAlpha ? 1 : 0)) *
                          kAlphaSources +
                      alphaSource;
    return table.lists[index];
}

}  // namespace DuRud
