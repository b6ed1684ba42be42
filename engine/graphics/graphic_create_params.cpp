// The creation settings record, its reset values and its two public setters.
#include "graphics/graphic_create_params.h"

#include "DuRud.h"
#include "graphics/screen_state.h"

namespace DuRud {

GraphicCreateParams& CurrentGraphicCreateParams() {
    static GraphicCreateParams params = [] {
        GraphicCreateParams p{};
        p.words[kWordAlphaTest] = 1;
        p.words[kWordManaged] = 1;
        p.words[kWordDepthBuffer] = 1;
        return p;
    }();
    return params;
}

int ResetGraphicCreateParams() {
    GraphicCreateParams& p = CurrentGraphicCreateParams();
    p = GraphicCreateParams{};
    p.words[kWordAlphaTest] = 1;
    p.words[kWordManaged] = 1;
    p.words[kWordDepthBuffer] = 1;
    return 0;
}

int FillGraphicCreateParams(GraphicCreateParams* out, int forImageLoad) {
    const GraphicCreateParams& p = CurrentGraphicCreateParams();
    *out = GraphicCreateParams{};
    const int count = forImageLoad ? kGraphicCreateWordCount : kWordKeepTransparentColor;
    for (int i = 0; i < count; ++i) out->words[i] = p.words[i];
    return 0;
}

int SetTransparentColor(int red, int green, int blue) {
    // An 8-bit screen has no colour to key.
    if (GetScreenState().colorBits == 8) return 0;
    CurrentGraphicCreateParams().words[kWordTransparentColor] =
        ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
    return 0;
}

int SetTransparentColorToAlpha(int flag) {
    CurrentGraphicCreateParams().words[kWordTransparentToAlpha] = flag;
    return 0;
}

}  // namespace DuRud
