// The names of the shader package's members and kernels, shared by the
// generator that writes the package (tools/shader_package), the engine that
// opens it and the tests. Header only: the generator does not link the engine.
#pragma once

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace DuRud {

// One-source filter files, in the order of their handle slots.
inline constexpr const char* kOneSourceFilterFiles[20] = {"Mono.pso",
                                                          "Gauss_08Pixel_PS.pso",
                                                          "Gauss_16Pixel_PS.pso",
                                                          "Gauss_32Pixel_PS.pso",
                                                          "DownScaleX2.pso",
                                                          "DownScaleX4.pso",
                                                          "DownScaleX8.pso",
                                                          "BrightClipLess.pso",
                                                          "BrightClipFillLess.pso",
                                                          "BrightClipGreater.pso",
                                                          "BrightClipFillGreater.pso",
                                                          "Hsb_RGB_TO_HSB.pso",
                                                          "Hsb_HSB_TO_RGB.pso",
                                                          "Hsb_HSB_HLOCK.pso",
                                                          "Invert.pso",
                                                          "Level.pso",
                                                          "TwoColor.pso",
                                                          "GradientMap.pso",
                                                          "GradientMapRev.pso",
                                                          "PremultipliedAlpha.pso"};
// Two-source kinds 0..16 in kind order; kind 1, the mix, has its own names.
inline constexpr const char* kBlendFilterFiles[17] = {"BasBF_Normal.pso",
                                                      nullptr,
                                                      "BasBF_Multiple.pso",
                                                      "BasBF_Difference.pso",
                                                      "BasBF_Add.pso",
                                                      "BasBF_Screen.pso",
                                                      "BasBF_Overlay.pso",
                                                      "BasBF_Dodge.pso",
                                                      "BasBF_Burn.pso",
                                                      "BasBF_Darken.pso",
                                                      "BasBF_Lighten.pso",
                                                      "BasBF_SoftLight.pso",
                                                      "BasBF_HardLight.pso",
                                                      "BasBF_Exclusion.pso",
                                                      "BasBF_Normal_AlphaCh.pso",
                                                      "BasBF_Add_AlphaCh.pso",
                                                      "BasBF_Multiple_AOnly.pso"};
inline constexpr const char* kGeneralMixFile = "RGBAMix_Base.pso";
inline constexpr const char* kMaskBlendFile = "ps_mask_blend.pso";
inline constexpr const char* kModelVertexKernel = "Model_VS_0";
inline constexpr const char* kModelPixelKernel = "Model_PS_0";

inline std::string FormattedName(const char* format, int a, int b = 0, int c = 0, int d = 0) {
    char name[64];
    std::snprintf(name, sizeof name, format, a, b, c, d);
    return name;
}
inline std::string PlainShaderFile(int kind) {
    return FormattedName("ps_nonetex_type%d.pso", kind);
}
// blend 0 (one texture) or 1..3 (blend-graphic types 0..2); kind 0..3;
// ignore colour and ignore texture alpha 0 or 1.
inline std::string BlendShaderFile(int blend, int kind, int ignoreColour, int ignoreAlpha) {
    return FormattedName("ps_blend%d_type%d_igcolor%d_igtalpha%d.pso", blend, kind, ignoreColour,
                         ignoreAlpha);
}
// One colour channel (0..2) of the source to red, green and blue, alpha from
// channel 0..3 of the blend graphic.
inline std::string SingleChannelMixFile(int channel, int alpha) {
    const char* letters = "RGBA";
    return FormattedName("RGBAMix_S%cS%cS%cB%c.pso", letters[channel], letters[channel],
                         letters[channel], letters[alpha]);
}
inline std::string IdentityMixFile(int alpha) {
    return FormattedName("RGBAMix_SRSGSBB%c.pso", "RGBA"[alpha]);
}
inline std::string MixTableKernel(int index) {
    return FormattedName("RGBAMix_Table_%03d", index);
}

// The 69 members of the base archive.
inline std::vector<std::string> BaseShaderFiles() {
    std::vector<std::string> names;
    for (int t = 0; t < 4; ++t) names.push_back(PlainShaderFile(t));
    for (int b = 0; b < 4; ++b)
        for (int t = 0; t < 4; ++t)
            for (int c = 0; c < 2; ++c)
                for (int a = 0; a < 2; ++a) names.push_back(BlendShaderFile(b, t, c, a));
    names.push_back(kMaskBlendFile);
    return names;
}

// Every member of the filter archive.
inline std::vector<std::string> FilterShaderFiles() {
    std::vector<std::string> names(std::begin(kOneSourceFilterFiles),
                                   std::end(kOneSourceFilterFiles));
    for (const char* file : kBlendFilterFiles)
        if (file) names.push_back(file);
    names.push_back(kGeneralMixFile);
    for (int c = 0; c < 3; ++c)
        for (int a = 0; a < 4; ++a) names.push_back(SingleChannelMixFile(c, a));
    for (int a = 0; a < 4; ++a) names.push_back(IdentityMixFile(a));
    return names;
}

}  // namespace DuRud
