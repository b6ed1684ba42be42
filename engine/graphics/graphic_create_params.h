// The creation settings every graphic load or creation copies: the
// transparent colour and the twenty creation words, kept with the draw
// settings and reset with them.
#pragma once

#include <cstdint>

namespace DuRud {

enum GraphicCreateWord : int {
    kWordTransparentColor = 0,
    kWordColorBits = 1,
    kWordDrawBitsPerChannel = 2,
    kWordAlphaTest = 3,
    kWordEmptyAlpha = 4,
    kWordBlendImage = 5,
    kWordManaged = 6,
    kWordDrawTarget = 7,
    kWordDrawAlpha = 8,
    kWordDrawFloat = 9,
    kWordDepthBuffer = 10,
    kWordDrawChannels = 11,
    kWordMultisampleCount = 12,
    kWordMultisampleQuality = 13,
    kWordMipLevels = 14,
    kWordMaxTileSize = 15,
    kWordTextureOption = 16,
    kWordKeepTransparentColor = 17,
    kWordTransparentToAlpha = 18,
    kWordTopLeftTransparent = 19,
    kGraphicCreateWordCount = 20
};

struct GraphicCreateParams {
    int32_t words[kGraphicCreateWordCount];
};

// The settings' own record and its reset (the draw-settings reset calls it).
GraphicCreateParams& CurrentGraphicCreateParams();
int ResetGraphicCreateParams();
// Copies words 0 to 16, and 17 to 19 as well for image loads.
int FillGraphicCreateParams(GraphicCreateParams* out, int forImageLoad);

// Also public (DuRud.h): SetTransparentColor, SetTransparentColorToAlpha.

}  // namespace DuRud
