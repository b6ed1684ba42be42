// Filling a whole graphic (see graphic_fill.h).
#include "graphics/graphic_fill.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/vertex_batch.h"
#include "image/image_record.h"
#include "image/pixel_conversion.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

// A draw target's pieces are colour-filled on the device, each in its
// rectangle of its tile's surface.
int FillDrawTarget(const GraphicRecord& g, D3DCOLOR argb, int async) {
    // Draws already batched for this target must land before the fill.
    FlushVertexBatch(async);
    for (int i = 0; i < g.pieceCount; ++i) {
        const TileDrawPiece& p = g.pieces[i];
        if (!p.tile->surface) return -1;
        const RECT r{p.srcX, p.srcY, p.srcX + p.width, p.srcY + p.height};
        if (FAILED(ColorFillOnMainThread(p.tile->surface, &r, argb, async))) return -1;
    }
    return 0;
}

// Other textures cannot be colour-filled by the device: the graphic takes
// an image of its size in the colour through the image transfer.
int FillThroughTransfer(Handle handle, const GraphicRecord& g, D3DCOLOR argb, int async) {
    BaseImage row{};
    if (CreateA8R8G8B8BaseImage(g.width, 1, &row) != 0) return -1;
    std::fill_n(static_cast<uint32_t*>(row.pixels), g.width, argb);
    const ColorFormat* format = GraphicKindColorFormat(g.image->colorFormatKind);
    int result = -1;
    if (format && format->formatCode == kFormatPlain && format->bytesPerPixel > 1 &&
        g.image->mipLevels <= 1) {
        // Every pixel of a fill converts alike (no dithering), so one row is
        // converted into the texture's own format and every row of the
        // picture is that row (pitch 0): the transfer then copies rows
        // instead of converting each pixel of a whole picture in the colour.
        std::vector<uint8_t> converted(static_cast<size_t>(g.width) * format->bytesPerPixel);
        const RECT one{0, 0, g.width, 1};
        BaseImage image{};
        image.colorFormat = *format;
        image.width = g.width;
        image.height = g.height;
        image.pitch = 0;
        image.pixels = converted.data();
        if (ConvertPixelRect(converted.data(), static_cast<int>(converted.size()), format,
                             row.pixels, row.pitch, &row.colorFormat, nullptr, 0, nullptr, 0, 0,
                             &one, 0, 0, 0, kDitherNone, 0, 0, 0, 0) >= 0)
            result =
                TransferImageToGraphic(handle, nullptr, 0, 0, &image, nullptr, 0, 0, async, async);
    } else {
        BaseImage image{};
        if (CreateA8R8G8B8BaseImage(g.width, g.height, &image) == 0) {
            for (int y = 0; y < g.height; ++y)
                std::memcpy(
                    static_cast<uint8_t*>(image.pixels) + static_cast<size_t>(y) * image.pitch,
                    row.pixels, static_cast<size_t>(g.width) * 4);
            result =
                TransferImageToGraphic(handle, nullptr, 0, 0, &image, nullptr, 0, 0, async, async);
            FreeBaseImagePixels(&image);
        }
    }
    FreeBaseImagePixels(&row);
    return result;
}

}  // namespace

int FillGraphic(Handle graphic, int red, int green, int blue, int alpha, int async) {
    GraphicRecord* g = GraphicFromHandle(graphic, async);
    if (!g || !g->image) return -1;
    const int r = std::clamp(red, 0, 255), gr = std::clamp(green, 0, 255);
    const int b = std::clamp(blue, 0, 255), a = std::clamp(alpha, 0, 255);
    if (g->image->request.software) {
        MEMIMG& view = g->view;
        if (!MemImgIsValid(&view)) return -1;
        const uint32_t value = PackColorFormatColor(view.body->colorFormat, r, gr, b, a);
        return ClearMemImgRect(&view, nullptr, value);
    }
    if (!HasDevice()) return -1;
    const D3DCOLOR argb = D3DCOLOR_ARGB(a, r, gr, b);
    if (g->image->request.drawTarget) return FillDrawTarget(*g, argb, async);
    return FillThroughTransfer(graphic, *g, argb, async);
}

}  // namespace DuRud
