// The colour value: an integer colour in the screen's pixel format, the form
// every drawing function takes, and its inverse.
#include "DuRud.h"
#include "graphics/device_setup.h"
#include "graphics/screen_state.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

// The screen's format: the device's X8R8G8B8 or R5G6B5, or the software
// renderer's 16- or 32-bit colour without alpha.
const ColorFormat* ScreenColorFormat() {
    const bool bits32 = QueryColorBits() == 32;
    if (GetScreenState().useDirect3D)
        return ColorFormatForD3DFormat(bits32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5);
    return GetMemImgColorFormat(bits32 ? kMemImgColor32 : kMemImgColor16, 0, 0);
}

uint32_t PackChannel(int value, int width, int shift) {
    if (width == 0) return 0;
    return (static_cast<uint32_t>(value & 0xFF) >> (8 - width)) << shift;
}

int UnpackChannel(uint32_t value, uint32_t mask, int width, int shift) {
    if (width == 0) return 0;
    return static_cast<int>(((value & mask) >> shift) * 255 / ((1u << width) - 1));
}

}  // namespace

uint32_t MakeColorValue(int red, int green, int blue) {
    const ColorFormat* f = ScreenColorFormat();
    if (!f) return 0;
    return PackChannel(red, f->redWidth, f->redShift) +
           PackChannel(green, f->greenWidth, f->greenShift) +
           PackChannel(blue, f->blueWidth, f->blueShift) + f->unusedMask;
}

int SplitColorValue(uint32_t color, int* red, int* green, int* blue) {
    const ColorFormat* f = ScreenColorFormat();
    if (!f) return -1;
    if (red) *red = UnpackChannel(color, f->redMask, f->redWidth, f->redShift);
    if (green) *green = UnpackChannel(color, f->greenMask, f->greenWidth, f->greenShift);
    if (blue) *blue = UnpackChannel(color, f->blueMask, f->blueWidth, f->blueShift);
    return 0;
}

}  // namespace DuRud
