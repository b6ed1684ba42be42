// Filling a whole graphic (see graphic_fill.h).
#include "graphics/graphic_fill.h"

#include <algorithm>

#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/vertex_batch.h"
#include "image/image_record.h"
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
    BaseImage image{};
    if (CreateA8R8G8B8BaseImage(g.width, g.height, &image) != 0) return -1;
    for (int y = 0; y < g.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image.pixels) +
                                                    static_cast<size_t>(y) * image.pitch);
        std::fill(row, row + g.width, argb);
    }
    const int result =
        TransferImageToGraphic(handle, nullptr, 0, 0, &image, nullptr, 0, 0, async, async);
    FreeBaseImagePixels(&image);
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
