// The opaque white 8 x 8 graphic that the colour-times-four draws without a
// texture modulate: our own run-length TGA, made synchronously on first use.
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "image/image_loading.h"

namespace DuRud {
namespace {

// Type 10 (run-length true colour), 8 x 8, 24 bits, top-left origin; one
// run of 64 white pixels.
const uint8_t kWhiteTga[] = {0, 0, 10, 0, 0, 0,  0,    0,    0,    0,    0,
                             0, 8, 0,  8, 0, 24, 0x20, 0xBF, 0xFF, 0xFF, 0xFF};

Handle g_white = -1;
int32_t g_whiteDeleted = 0;

}  // namespace

Handle WhiteTextureGraphic() {
    if (g_whiteDeleted) {
        g_white = -1;
        g_whiteDeleted = 0;
    }
    if (g_white >= 0) return g_white;
    BaseImage image{};
    if (LoadBaseImage(nullptr, kWhiteTga, sizeof kWhiteTga, 1, &image, 0) != 0) return -1;
    // Default creation settings, no load queue: the draw uses it at once.
    GraphicCreateParams params{};
    params.words[kWordTransparentColor] = 0xFF00FF;
    params.words[kWordAlphaTest] = 1;
    params.words[kWordManaged] = 1;
    params.words[kWordDepthBuffer] = 1;
    const Handle handle = NewGraphicHandle();
    // The picture is kept as its restore source: a rebuilt device refills it
    // like any other graphic.
    if (handle >= 0 && CreateGraphicFromImage(params, 0, handle, &image, nullptr, 0, 0) == 0 &&
        SetGraphicRestoreSource(handle, nullptr, kWhiteTga, sizeof kWhiteTga, nullptr, 0, nullptr,
                                nullptr, 0, -1, 0) == 0) {
        SetGraphicDeletedFlag(handle, &g_whiteDeleted);
        g_white = handle;
    } else if (handle >= 0) {
        DeleteHandle(handle);
    }
    FreeBaseImagePixels(&image);
    return g_white;
}

}  // namespace DuRud
