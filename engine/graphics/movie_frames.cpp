// Movie frames into graphics: through the decoder's frame surface, by
// transfer of the frame image (colour left and alpha right when packed), or
// straight into the graphic's MEMIMG.
#include "graphics/movie_frames.h"

#include <cstdint>
#include <cstring>

#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_transfer.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

void FrameCallback(MovieHandleRecord* movie, void* userData) {
    MovieFrameToTexture(movie, static_cast<Handle>(reinterpret_cast<intptr_t>(userData)));
}

// The frame's left and right halves as two images over the same pixels.
void SplitPacked(const BaseImage& frame, BaseImage* colour, BaseImage* alpha) {
    *colour = frame;
    colour->width = frame.width / 2;
    *alpha = *colour;
    alpha->pixels = static_cast<uint8_t*>(frame.pixels) +
                    static_cast<size_t>(colour->width) * frame.colorFormat.bytesPerPixel;
}

bool SameLayout(const ColorFormat* a, const ColorFormat& b) {
    return a->bitsPerPixel == b.bitsPerPixel && a->redMask == b.redMask &&
           a->greenMask == b.greenMask && a->blueMask == b.blueMask;
}

}  // namespace

int CreateGraphicFromMovie(const GraphicCreateParams& params, Handle graphic, const char* fileName,
                           int option, int setting, int fromWorker) {
    int width = 0, height = 0;
    const Handle movie = OpenMovieFile(&params, fileName, &width, &height, option, setting);
    MovieHandleRecord* record = movie >= 0 ? GetMovieRecord(movie) : nullptr;
    if (!record) {
        if (movie >= 0) DeleteHandle(movie);
        LogFormatLine(Cp932Text("右記のグラフィックファイルのロードに失敗しました：%s "), fileName);
        return -1;
    }
    const int packed = record->alphaBesideColour;
    const int hasAlpha = packed || record->alphaInFrame;
    if (CreateSharedImage(params, graphic, packed ? width / 2 : width, height, hasAlpha, 0, 0, 1, 1,
                          fromWorker) != 0) {
        DeleteHandle(movie);
        LogFormatLine(
            Cp932Text("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s"),
            fileName);
        return -1;
    }
    GraphicFromHandle(graphic, 1)->movie = movie;
    SetMovieFrameCallback(movie, FrameCallback,
                          reinterpret_cast<void*>(static_cast<intptr_t>(graphic)));
    return 0;
}

int MovieFrameToTexture(MovieHandleRecord* movie, Handle graphic) {
    GraphicRecord* g = GraphicFromHandle(graphic, 0);
    if (!movie || !g || !g->image) return 0;
    SharedImage* shared = g->image;
    const int packed = movie->alphaBesideColour;
    if (!shared->request.software) {
        if (movie->isTheora) {
            // The conversion may make the surface again: ask for it afterwards.
            if (!TheoraConvertCurrentFrame(movie->theora, 1, packed ? 0 : 1, 0)) return 0;
            IDirect3DSurface9* surface = packed ? nullptr : TheoraGetFrameSurface(movie->theora);
            if (surface && HasDevice() && shared->tileCount > 0) {
                TextureTile& tile = shared->tiles[0];
                IDirect3DSurface9* target = nullptr;
                if (SUCCEEDED(TextureGetSurfaceLevel(tile.texture, 0, &target))) {
                    const RECT used{0, 0, tile.usedWidth, tile.usedHeight};
                    const HRESULT hr =
                        DeviceStretchRect(surface, &used, target, &used, D3DTEXF_NONE);
                    target->Release();
                    if (SUCCEEDED(hr)) return 0;
                }
                // A managed or non-target tile takes no StretchRect: the RGB road.
            }
        }
        if (!movie->frameImage.pixels) return 0;
        const RECT whole{0, 0, g->width, g->height};
        if (packed) {
            BaseImage colour{}, alpha{};
            SplitPacked(movie->frameImage, &colour, &alpha);
            TransferImageToGraphic(graphic, &whole, 0, 0, &colour, &alpha, 0, 0, 0, 0);
        } else {
            TransferImageToGraphic(graphic, &whole, 0, 0, &movie->frameImage, nullptr, 0, 0, 0, 0);
        }
        return 0;
    }
    if (movie->isTheora && !TheoraConvertCurrentFrame(movie->theora, 1, 0, 0)) return 0;
    const BaseImage& frame = movie->frameImage;
    if (!frame.pixels) return 0;
    MEMIMG& view = g->view;
    const ColorFormat* format = view.body ? view.body->colorFormat : nullptr;
    if (!packed && movie->frameMode != 2 && format && SameLayout(format, frame.colorFormat)) {
        const int rowBytes =
            (frame.width < view.width ? frame.width : view.width) * format->bytesPerPixel;
        const int rows = frame.height < view.height ? frame.height : view.height;
        for (int y = 0; y < rows; ++y)
            std::memcpy(view.pixels + y * view.body->pitch,
                        static_cast<const uint8_t*>(frame.pixels) + y * frame.pitch, rowBytes);
        return 0;
    }
    if (packed) {
        BaseImage colour{}, alpha{};
        SplitPacked(frame, &colour, &alpha);
        TransferBaseImageToMemImg(&colour, &alpha, &view, 0, 0, colour.width, colour.height, 0, 0,
                                  0);
    } else {
        TransferBaseImageToMemImg(&frame, nullptr, &view, 0, 0, frame.width, frame.height, 0, 0, 0);
    }
    return 0;
}

}  // namespace DuRud
