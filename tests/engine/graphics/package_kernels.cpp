#include "package_kernels.h"

#include <cstdio>

#include "test_knobs.h"

namespace graphicstest {

std::vector<std::string> BaseShaderFileNames() {
    std::vector<std::string> names;
    char name[64];
    for (int t = 0; t < 4; ++t) {
        std::snprintf(name, sizeof name, "ps_nonetex_type%d.pso", t);
        names.push_back(name);
    }
    for (int b = 0; b < 4; ++b)
        for (int t = 0; t < 4; ++t)
            for (int c = 0; c < 2; ++c)
                for (int a = 0; a < 2; ++a) {
                    std::snprintf(name, sizeof name, "ps_blend%d_type%d_igcolor%d_igtalpha%d.pso",
                                  b, t, c, a);
                    names.push_back(name);
                }
    names.push_back("ps_mask_blend.pso");
    return names;
}

std::vector<std::string> FilterShaderFileNames() {
    std::vector<std::string> names = {"Mono.pso",
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
                                      "PremultipliedAlpha.pso",
                                      "BasBF_Normal.pso",
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
                                      "BasBF_Multiple_AOnly.pso",
                                      "RGBAMix_Base.pso"};
    const char* letters = "RGBA";
    for (int c = 0; c < 3; ++c)
        for (int a = 0; a < 4; ++a)
            names.push_back(std::string("RGBAMix_S") + letters[c] + "S" + letters[c] + "S" +
                            letters[c] + "B" + letters[a] + ".pso");
    for (int a = 0; a < 4; ++a)
        names.push_back(std::string("RGBAMix_SRSGSBB") + letters[a] + ".pso");
    return names;
}

void RegisterPackageKernels(const std::string& except) {
    auto add = [&](const std::string& name, bool vertex) {
        if (name != except) KnobD3D9RegisterTestKernel(name.c_str(), vertex);
    };
    for (const std::string& name : BaseShaderFileNames()) add(name, false);
    for (const std::string& name : FilterShaderFileNames()) add(name, false);
    char name[32];
    for (int i = 0; i < 256; ++i) {
        std::snprintf(name, sizeof name, "RGBAMix_Table_%03d", i);
        add(name, false);
    }
    add("Model_VS_0", true);
    add("Model_PS_0", false);
}

}  // namespace graphicstest
