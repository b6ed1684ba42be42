// The in-place filter probe: four coloured pixels on the diagonal of an
// 8 x 8 graphic are inverted with the graphic as its own source and
// destination; each channel must come back as 255 minus itself (within 1).
#include "graphics/in_place_filter_probe.h"

#include "DuRud.h"
#include "core/text_literals.h"
#include "graphics/graphic_create_params.h"
#include "graphics/graphic_filters.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/surface_readback.h"
#include "image/pixel_conversion.h"

namespace DuRud {
namespace {

constexpr int kSide = 8;
constexpr int kInvertKind = 5;
constexpr int kProbeColours[4][3] = {
    {204, 168, 80}, {128, 100, 245}, {66, 222, 143}, {34, 255, 78}};

int CountInvertedChannels(const BaseImage& back) {
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t argb = GetBaseImagePixelArgb(&back, i, i);
        const int read[3] = {static_cast<int>(argb >> 16 & 0xFF),
                             static_cast<int>(argb >> 8 & 0xFF), static_cast<int>(argb & 0xFF)};
        for (int c = 0; c < 3; ++c) {
            const int sum = kProbeColours[i][c] + read[c];
            if (sum >= 254 && sum <= 256) ++count;
        }
    }
    return count;
}

}  // namespace

int ProbeInPlaceFilter() {
    GraphicCreateParams params{};
    FillGraphicCreateParams(&params, 0);
    params.words[kWordDrawTarget] = 1;
    const Handle graphic = CreateEmptyGraphic(params, kSide, kSide, 0, 0);
    if (graphic < 0) return 0;
    BaseImage image{}, back{};
    int works = 0;
    if (CreateX8R8G8B8BaseImage(kSide, kSide, &image) == 0) {
        for (int i = 0; i < 4; ++i)
            SetBaseImagePixel(&image, i, i, kProbeColours[i][0], kProbeColours[i][1],
                              kProbeColours[i][2], 255);
        if (CreateGraphicFromBaseImage(&image, nullptr, 0, graphic, 0, 0, 0, 0) == 0) {
            if (SetGraphicRestoreSource(graphic, nullptr, nullptr, 0, nullptr, 0, &image, nullptr,
                                        0, -1, 0) != 0)
                LogWrite(
                    Cp932Text("転送する基本イメージを保存するメモリ領域の確保に失敗しました\n"));
            SetFilterInPlace(1);
            const int filtered = FilterGraphic(graphic, kInvertKind);
            SetFilterInPlace(0);
            if (filtered == 0 && ReadGraphicToBaseImage(graphic, &back, nullptr) == 0)
                works = CountInvertedChannels(back) == 12 ? 1 : 0;
        }
    }
    DeleteGraphic(graphic);
    if (image.pixels) FreeBaseImagePixels(&image);
    if (back.pixels) FreeBaseImagePixels(&back);
    return works;
}

}  // namespace DuRud
