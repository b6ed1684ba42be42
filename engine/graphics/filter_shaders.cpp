// Filter shader choice, creation and constants. Handles are cached per slot
// and registered with the handle manager, so a deleted shader (every shader
// goes at graphics end) sets its slot back to -1 and is made again on use.
#include "graphics/filter_shaders.h"

#include <algorithm>
#include <string>

#include "core/text_literals.h"
#include "graphics/filter_kinds.h"
#include "graphics/filter_passes.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/shader_package.h"
#include "graphics/shader_package_names.h"

namespace DuRud {
namespace {

// Slots: the one-source files, the blend kinds, then the mixes.
constexpr int kBlendSlots = 20;
constexpr int kMixTableSlots = kBlendSlots + 16;
constexpr int kMixSingleSlots = kMixTableSlots + 256;
constexpr int kMixIdentitySlots = kMixSingleSlots + 16;
constexpr int kMixBaseSlot = kMixIdentitySlots + 8;

// The mixes' file names, kept for the slot's lifetime.
std::string g_mixNames[kMixBaseSlot - kMixSingleSlots];

int OneSource(int index, FilterShaderChoice* out) {
    *out = {kOneSourceFilterFiles[index], -1, index, 0};
    return 0;
}

int ChooseMix(const int* selectors, FilterShaderChoice* out) {
    int s[4];
    for (int i = 0; i < 4; ++i) s[i] = std::clamp(selectors[i], 0, 7);
    const bool allSource = std::all_of(s, s + 4, [](int v) { return v < 4; });
    const bool allBlend = std::all_of(s, s + 4, [](int v) { return v >= 4; });
    if (allSource || allBlend) {
        const int o = allBlend ? 4 : 0;
        const int index = (((s[0] - o) * 4 + (s[1] - o)) * 4 + (s[2] - o)) * 4 + (s[3] - o);
        *out = {nullptr, index, kMixTableSlots + index, allBlend ? 1 : 0};
        return 0;
    }
    // Colour from one graphic and alpha from the other: swapped so that the
    // colour comes from the source.
    const bool swap = s[0] >= 4;
    int c[3], a = s[3];
    for (int i = 0; i < 3; ++i) c[i] = swap ? s[i] - 4 : s[i];
    a = swap ? a : a - 4;
    const bool colourFromOne = std::all_of(s, s + 3, [&](int v) { return (v >= 4) == swap; });
    const bool alphaFromOther = (s[3] >= 4) != swap;
    if (colourFromOne && alphaFromOther) {
        if (c[0] == c[1] && c[1] == c[2] && c[0] < 3) {
            const int slot = kMixSingleSlots + c[0] * 4 + a;
            g_mixNames[slot - kMixSingleSlots] = SingleChannelMixFile(c[0], a);
            *out = {g_mixNames[slot - kMixSingleSlots].c_str(), -1, slot, swap ? 1 : 0};
            return 0;
        }
        if (c[0] == 0 && c[1] == 1 && c[2] == 2) {
            const int slot = kMixIdentitySlots + a;
            g_mixNames[slot - kMixSingleSlots] = IdentityMixFile(a);
            *out = {g_mixNames[slot - kMixSingleSlots].c_str(), -1, slot, swap ? 1 : 0};
            return 0;
        }
    }
    *out = {kGeneralMixFile, -1, kMixBaseSlot, 0};
    return 0;
}

void Set(float out[4], float a, float b, float c, float d) {
    out[0] = a, out[1] = b, out[2] = c, out[3] = d;
}

void ScreenColour(float out[4], int value, int alpha) {
    int r = 0, g = 0, b = 0;
    SplitColorValue(static_cast<uint32_t>(value), &r, &g, &b);
    Set(out, r / 255.0f, g / 255.0f, b / 255.0f, std::clamp(alpha, 0, 255) / 255.0f);
}

// The texture size behind a graphic's first piece (1 x 1 when unknown).
void TextureSize(Handle graphic, float* width, float* height) {
    *width = *height = 1.0f;
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || !g->image || g->pieceCount < 1 || !g->pieces[0].tile) return;
    *width = static_cast<float>(g->pieces[0].tile->textureWidth);
    *height = static_cast<float>(g->pieces[0].tile->textureHeight);
}

constexpr float kLumaR = 0.299f, kLumaG = 0.587f, kLumaB = 0.114f;

}  // namespace

int ChooseFilterShader(int twoSource, int kind, const int* p, int pass, FilterShaderChoice* out) {
    if (twoSource) {
        if (kind == kBlendRgbaMix) return ChooseMix(p, out);
        if (kind < 0 || kind > 16) return -1;
        *out = {kBlendFilterFiles[kind], -1, kBlendSlots - 1 + (kind == 0 ? 1 : kind), 0};
        return 0;
    }
    switch (kind) {
        case kFilterMono:
            return OneSource(0, out);
        case kFilterGauss:
            return OneSource(p[0] <= 8 ? 1 : p[0] <= 16 ? 2 : 3, out);
        case kFilterDownScale:
            return OneSource(p[0] <= 2 ? 4 : p[0] <= 4 ? 5 : 6, out);
        case kFilterBrightClip:
            if (p[0] != 2 && p[0] != 5) return -1;
            return OneSource(7 + (p[2] ? 1 : 0) + (p[0] == 5 ? 2 : 0), out);
        case kFilterHsb:
            return OneSource(p[0] == 1 ? 13 : pass == 0 ? 11 : 12, out);
        case kFilterInvert:
            return OneSource(14, out);
        case kFilterLevel:
            return OneSource(15, out);
        case kFilterTwoColor:
            return OneSource(16, out);
        case kFilterGradientMap:
            return OneSource(p[1] ? 18 : 17, out);
        case kFilterPremultipliedAlpha:
            return OneSource(19, out);
        default:
            return -1;
    }
}

Handle CreateFilterShader(const char* file) {
    const void* code = nullptr;
    uint32_t size = 0;
    if (ShaderArchiveMember(FilterShaderArchive(), file, &code, &size) != 0) return -1;
    return CreateShaderFromMemory(code, static_cast<int>(size));
}

Handle FilterShaderHandle(const FilterShaderChoice& choice) {
    int32_t* slots = FilterShaderSlotsForUpdate();
    int32_t& slot = slots[choice.slot];
    if (slot >= 0) return slot;
    Handle made = -1;
    if (choice.file) {
        made = CreateFilterShader(choice.file);
    } else {
        const void* code = nullptr;
        uint32_t size = 0;
        if (MixShaderCode(choice.mixIndex, &code, &size) == 0)
            made = CreateShaderFromMemory(code, static_cast<int>(size));
    }
    if (made < 0) {
        if (choice.slot >= kMixTableSlots && !choice.file)
            LogWrite(Cp932Text("RGBAMixS フィルター用シェーダーの作成に失敗しました"));
        else if (choice.slot >= kMixTableSlots)
            LogFormatLine("%s %s", Cp932Text("RGBAMixS フィルター用シェーダーの作成に失敗しました"),
                          choice.file);
        else
            LogFormatLine("%s %s", Cp932Text("フィルター用シェーダーの作成に失敗しました"),
                          choice.file);
        return -1;
    }
    slot = made;
    SetHandleDeletedFlagPointer(made, &slot);
    return made;
}

int FilterShaderConstants(const FilterRequest& r, const int* p, int pass, float c[][4]) {
    if (r.twoSource) {
        Set(c[0], r.blendRatio, r.blendRatio, r.blendRatio, r.blendRatio);
        if (r.kind != kBlendRgbaMix) return 1;
        Set(c[1], p[0] + 0.5f, p[1] + 0.5f, p[2] + 0.5f, p[3] + 0.5f);
        return 2;
    }
    switch (r.kind) {
        case kFilterMono: {
            const float cb = std::clamp(p[0] * 100.0f / 255.0f / 200.0f, -0.5f, 0.5f);
            const float cr = std::clamp(p[1] * 100.0f / 255.0f / 200.0f, -0.5f, 0.5f);
            Set(c[0], kLumaR, kLumaG, kLumaB, 0);
            Set(c[1], 1.402f * cr, -0.34414f * cb - 0.71414f * cr, 1.772f * cb, 0);
            return 2;
        }
        case kFilterGauss: {
            const int taps = p[0] <= 8 ? 8 : p[0] <= 16 ? 16 : 32;
            const float* w = GaussWeightsFor(taps, p[1] / 100.0);
            float width = 1, height = 1;
            TextureSize(r.source, &width, &height);
            const float step = pass == 0 ? 1.0f / width : 1.0f / height;
            for (int i = 0; i < 16; ++i) {
                c[i / 4][i % 4] = w[i];
                c[4 + i / 4][i % 4] = (i == 0 ? 0.0f : 2.0f * i - 0.5f) * step;
            }
            Set(c[8], pass == 0 ? 1.0f / width : 0, pass == 0 ? 0 : 1.0f / height,
                static_cast<float>(taps), static_cast<float>(p[1] / 100.0));
            // Taps stop at the edges of the rectangle the pass reads, as on
            // the CPU: never the pixels around it in a larger graphic, nor
            // what an earlier use left in a work texture.
            if (PassSourceCoords(r, 1, c[9]) != 0) Set(c[9], 0, 0, 0, 0);
            return 10;
        }
        case kFilterDownScale: {
            float width = 1, height = 1;
            TextureSize(r.source, &width, &height);
            const int scale = p[0] <= 2 ? 2 : p[0] <= 4 ? 4 : 8;
            Set(c[0], 1.0f / width, 1.0f / height, static_cast<float>(scale), 0);
            return 1;
        }
        case kFilterBrightClip: {
            const float t = std::clamp(p[1] / 255.0f, 0.0f, 1.0f);
            Set(c[0], t, t, t, t);
            Set(c[1], kLumaR, kLumaG, kLumaB, 0);
            ScreenColour(c[2], p[3], p[4]);
            return 3;
        }
        case kFilterHsb: {
            const double turn = p[0] == 1 ? std::clamp(p[1] / 360.0, 0.0, 1.0)
                                          : std::clamp(p[1] / 360.0, -0.5, 0.5);
            // Held to -1..1 as on the CPU path, so both paths agree past the range.
            double saturation = std::clamp(p[2] * 100.0 / 255.0 / 100.0, -1.0, 1.0);
            if (saturation > 0) saturation *= 5.0;
            const double brightness = std::clamp(p[3] * 100.0 / 255.0 / 100.0, -1.0, 1.0);
            Set(c[0], static_cast<float>(turn * 6.0), static_cast<float>(saturation),
                static_cast<float>(brightness), 0);
            Set(c[1], 0.5f, 0.5f, 0.5f, 0.5f);
            Set(c[2], 1, 1, 1, 1);
            return 3;
        }
        case kFilterLevel: {
            Set(c[0], std::clamp(p[0] / 255.0f, 0.0f, 1.0f), std::clamp(p[1] / 255.0f, 0.0f, 1.0f),
                std::clamp(p[3] / 255.0f, 0.0f, 1.0f), std::clamp(p[4] / 255.0f, 0.0f, 1.0f));
            // The gamma table rides in the constants: 256 entries, four a register.
            const uint8_t* table = GammaTableFor(p[2] / 100.0);
            for (int i = 0; i < 256; ++i) c[1 + i / 4][i % 4] = table[i] / 255.0f;
            return 65;
        }
        case kFilterTwoColor:
            Set(c[0], kLumaR, kLumaG, kLumaB, std::clamp(p[0], 0, 255) / 255.0f);
            ScreenColour(c[1], p[1], p[2]);
            ScreenColour(c[2], p[3], p[4]);
            return 3;
        case kFilterGradientMap: {
            Set(c[0], kLumaR, kLumaG, kLumaB, 0);
            float width = 1, height = 1;
            TextureSize(p[0], &width, &height);
            const GraphicRecord* g = GraphicFromHandle(p[0], 0);
            Set(c[1], g ? static_cast<float>(g->width) : 0.0f, width, height, 0);
            return 2;
        }
        default:
            return 0;
    }
}

}  // namespace DuRud
