// The software renderer's draw state and its setters.
#include <algorithm>

#include "image/memimg.h"

namespace DuRud {

// 32-bit until graphics start-up picks the 16-bit type for a 16-bit screen.
MemImgDrawStateRecord MemImgDrawState = {
    .defaultColorType = kMemImgColor32,
    .clipLeft = 0,
    .clipTop = 0,
    .clipRight = 0,
    .clipBottom = 0,
    .blendMode = 0,
    .blendParameter = 255,
    .drawBright = 0xFFFFFF,
    .blendImageTable = {},
};
uint8_t (&MemImgBlendImageTable)[256] = MemImgDrawState.blendImageTable;

int SetMemImgDefaultColorType(int colorType) {
    if (colorType < kMemImgColor16 || colorType > kMemImgSingle16) return -1;
    MemImgDrawState.defaultColorType = colorType;
    return 0;
}

int SetMemImgDrawArea(const RECT* rect) {
    if (!rect) return -1;
    MemImgDrawState.clipLeft = rect->left;
    MemImgDrawState.clipTop = rect->top;
    MemImgDrawState.clipRight = rect->right;
    MemImgDrawState.clipBottom = rect->bottom;
    return 0;
}

int SetMemImgBlendMode(int mode, int parameter) {
    MemImgDrawState.blendMode = mode;
    MemImgDrawState.blendParameter = parameter;
    return 0;
}

int SetMemImgDrawBright(uint32_t packedRgb) {
    MemImgDrawState.drawBright = packedRgb;
    return 0;
}

// Both inputs are clamped into 0..255: a range of -1 would divide by zero.
int BuildMemImgBlendImageTable(int border, int range) {
    border = std::clamp(border, 0, 255);
    range = std::clamp(range, 0, 255);
    const int d = range + 1;
    const int offset = 256 - ((65536 / d + 256) * border) / 256;
    for (int i = 0; i < 256; ++i) {
        MemImgBlendImageTable[i] = uint8_t(std::clamp(i * 256 / d + offset, 0, 255));
    }
    return 0;
}

}  // namespace DuRud
