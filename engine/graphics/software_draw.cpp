// The software primary image, the software draw target and the wrappers
// that turn a graphic draw into a software renderer call.
#include "graphics/software_draw.h"

#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/graphic_handles.h"
#include "graphics/screen_state.h"
#include "soft/memimg_renderer.h"
#include "window/main_window.h"

namespace DuRud {
namespace {

MEMIMG g_primary{};
MEMIMG g_work[2]{};  // without and with an alpha plane
MEMIMG* g_target = nullptr;

const MEMIMG* GraphicImage(Handle graphic) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!g || !g->image || !MemImgIsValid(&g->view)) return nullptr;
    return &g->view;
}

// The blend graphic's image, or none while the blend graphic is cleared.
const MEMIMG* BlendImage() {
    const int blend = GetDrawSettings().blendGraphic;
    return blend < 1 ? nullptr : GraphicImage(blend);
}

}  // namespace

int CreateSoftwarePrimary() {
    ReleaseSoftwarePrimary();
    const ScreenState& s = GetScreenState();
    const int colorType = QueryColorBits() == 16 ? kMemImgColor16 : kMemImgColor32;
    if (SetupMemImg(&g_primary, s.screenWidth, s.screenHeight, -1, 0, colorType, 0, 0, 1,
                    nullptr) != 0 ||
        SetupMemImg(&g_work[0], s.screenWidth, s.screenHeight, -1, 0, colorType, 0, 0, 1,
                    nullptr) != 0 ||
        SetupMemImg(&g_work[1], s.screenWidth, s.screenHeight, -1, 0, colorType, 0, 1, 1,
                    nullptr) != 0)
        FatalExit(Cp932Text("プライマリサーフェス用の MEMIMG の作成に失敗しました\n"));
    BaseImage format{};
    format.colorFormat = *g_primary.body->colorFormat;
    ClearMemImgRect(
        &g_primary, nullptr,
        PackBaseImageColor(&format, s.backgroundRed, s.backgroundGreen, s.backgroundBlue, 255));
    g_target = &g_primary;
    return 0;
}

int ReleaseSoftwarePrimary() {
    for (MEMIMG* image : {&g_primary, &g_work[0], &g_work[1]})
        if (MemImgIsValid(image)) DropMemImg(image);
    g_target = nullptr;
    return 0;
}

MEMIMG* SoftwarePrimary() {
    return MemImgIsValid(&g_primary) ? &g_primary : nullptr;
}
MEMIMG* SoftwareWorkImage(int withAlpha) {
    MEMIMG* image = &g_work[withAlpha ? 1 : 0];
    return MemImgIsValid(image) ? image : nullptr;
}
MEMIMG* SoftwareDrawTarget() {
    return g_target;
}
int SetSoftwareDrawTarget(MEMIMG* target) {
    g_target = target ? target : SoftwarePrimary();
    return 0;
}

int SoftDrawGraphic(int x, int y, int trans, Handle graphic) {
    const MEMIMG* image = GraphicImage(graphic);
    if (g_target && image) MemImgBlit(g_target, image, x, y, trans, BlendImage());
    return 0;
}

int SoftDrawGraphicStretched(int x1, int y1, int x2, int y2, Handle graphic, int trans) {
    const MEMIMG* image = GraphicImage(graphic);
    const RECT rect{x1, y1, x2, y2};
    if (g_target && image) MemImgBlitStretch(g_target, image, &rect, trans, BlendImage());
    return 0;
}

int SoftDrawGraphicRotated(float centreX, float centreY, float scale, float angle, Handle graphic,
                           int trans, int turn) {
    const MEMIMG* image = GraphicImage(graphic);
    if (g_target && image)
        MemImgBlitRotate(g_target, image, TruncFloatToInt(centreX), TruncFloatToInt(centreY), angle,
                         scale, trans, turn, BlendImage());
    return 0;
}

int SoftDrawGraphicFree(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                        Handle graphic, int trans) {
    const MEMIMG* image = GraphicImage(graphic);
    if (!g_target || !image) return 0;
    const int w = image->width, h = image->height;
    const MemImgVertex corners[4] = {
        {x1, y1, 0, 0}, {x2, y2, w, 0}, {x3, y3, 0, h}, {x4, y4, w, h}};
    MemImgTriangle(g_target, image, &corners[0], trans, BlendImage(), 0);
    MemImgTriangle(g_target, image, &corners[1], trans, BlendImage(), 0);
    return 0;
}

int SoftDrawGraphicFreeF(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, Handle graphic, int trans) {
    return SoftDrawGraphicFree(TruncFloatToInt(x1), TruncFloatToInt(y1), TruncFloatToInt(x2),
                               TruncFloatToInt(y2), TruncFloatToInt(x3), TruncFloatToInt(y3),
                               TruncFloatToInt(x4), TruncFloatToInt(y4), graphic, trans);
}

int SoftFillRect(const RECT* rect, uint32_t colour) {
    if (g_target) MemImgFillRect(g_target, rect, colour);
    return 0;
}

int PresentSoftwarePrimary(const RECT& source, const RECT& destination) {
    const MEMIMG* primary = SoftwarePrimary();
    if (!primary) return 0;
    const ScreenState& s = GetScreenState();
    const ColorFormat& f = *primary->body->colorFormat;
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = primary->body->pitch / f.bytesPerPixel;
    info.header.biHeight = -s.screenHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = f.bitsPerPixel;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = f.redMask;
    info.masks[1] = f.greenMask;
    info.masks[2] = f.blueMask;
    HWND window = static_cast<HWND>(GetDisplayWindowHandle());
    HDC dc = GetDC(window);
    if (!dc) return -1;
    const auto* bitmap = reinterpret_cast<const BITMAPINFO*>(&info);
    const LONG sourceWidth = source.right - source.left, sourceHeight = source.bottom - source.top;
    const LONG destinationWidth = destination.right - destination.left;
    const LONG destinationHeight = destination.bottom - destination.top;
    if (sourceWidth == destinationWidth && sourceHeight == destinationHeight &&
        sourceWidth == s.screenWidth && sourceHeight == s.screenHeight)
        SetDIBitsToDevice(dc, destination.left, destination.top, static_cast<DWORD>(sourceWidth),
                          static_cast<DWORD>(sourceHeight), 0, 0, 0,
                          static_cast<UINT>(s.screenHeight), primary->pixels, bitmap,
                          DIB_RGB_COLORS);
    else
        StretchDIBits(dc, destination.left, destination.top, destinationWidth, destinationHeight,
                      source.left, source.top, sourceWidth, sourceHeight, primary->pixels, bitmap,
                      DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window, dc);
    return 0;
}

}  // namespace DuRud
