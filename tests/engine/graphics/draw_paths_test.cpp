// The device's two ways of drawing 2D, pixel shaders and the fixed-function
// stages, give the same pixels within 1 per channel: graphics in every blend
// mode, brightness, transparency and sampling, the blend graphics, the
// texture-colour replacement and boxes, onto an A8R8G8B8 draw target and onto
// the X8R8G8B8 back buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "DuRud.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_draw_workers.h"
#include "graphics/graphic_handles.h"
#include "graphics/render_state_cache.h"
#include "graphics/screen_state.h"
#include "graphics/vertex_batch.h"
#include "graphics_fixture.h"
#include "support/pixel_comparison.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr int kCellW = 24, kCellH = 16, kColumns = 17;

// The ground every cell is drawn over: neighbours differ in every channel.
uint32_t Ground(int x, int y) {
    return 0xFF000000u | uint32_t(x * 7 % 256) << 16 | uint32_t(y * 13 % 256) << 8 |
           uint32_t((x + y) * 5 % 256);
}
// Alpha from 0 to 255 across the graphic.
uint32_t Translucent(int x, int y) {
    return uint32_t(std::min(255, x * 34 + y * 2)) << 24 | uint32_t(40 + x * 25) << 16 |
           uint32_t(200 - y * 20) << 8 | 90;
}
// Opaque, with black (the transparent colour) in a corner.
uint32_t Keyed(int x, int y) {
    if (x < 3 && y < 3 && (x + y) % 2 == 0) return 0;
    return 0xFF000000u | uint32_t(30 + x * 28) << 16 | uint32_t(220 - y * 17) << 8 |
           uint32_t(x * y * 3 + 10);
}
// Grey rising over all 64 pixels with alpha falling: wipe thresholds and the
// alpha mask see every step.
uint32_t BlendPattern(int x, int y) {
    const uint32_t v = uint32_t((y * 8 + x) * 4 + 2);
    return (255 - v) << 24 | v << 16 | v << 8 | v;
}

struct Scene {
    Handle translucent, keyed, blend;
};

struct Cell {
    std::string name;
    std::function<void(const Scene&, int x, int y)> draw;
};

// Each cell drawn on one path in its own place over the ground, then read:
// one picture per cell (empty when the device did not start).
std::vector<std::vector<uint32_t>> DrawCells(int shaders, bool toGraphic,
                                             const std::vector<Cell>& cells) {
    const int rows = int(cells.size() + kColumns - 1) / kColumns;
    const int w = kColumns * kCellW, h = rows * kCellH;
    ScreenSettings settings = WithHandles();
    settings.width = w, settings.height = h;
    std::vector<std::vector<uint32_t>> out;
    if (StartOnPath(shaders, settings) != 0) return out;
    const Scene scene{GraphicOfArgb(8, 8, Translucent), GraphicOfPixels(8, 8, Keyed),
                      GraphicOfArgb(8, 8, BlendPattern)};
    const Handle ground = GraphicOfPixels(w, h, Ground);
    const Handle target = toGraphic ? CreateDrawableGraphic(w, h, 1) : -2;
    D3DSURFACE_DESC desc{};
    if (toGraphic)
        GraphicFromHandle(target, 0)->pieces[0].tile->texture->GetLevelDesc(0, &desc);
    else
        GetDeviceResources().backBuffer->GetDesc(&desc);
    EXPECT_EQ(toGraphic ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, desc.Format);
    SelectDrawTarget(target);
    DrawGraphicAt(0, 0, ground, 0);
    for (size_t i = 0; i < cells.size(); ++i) {
        cells[i].draw(scene, int(i) % kColumns * kCellW, int(i) / kColumns * kCellH);
        FlushVertexBatch();
        SetBlendMode(0, 255);
        SetBrightness(255, 255, 255);
        SetSamplingMode(0);
        SetBlendSourceGraphic(-1, 0, 0, 0);
    }
    const std::vector<uint32_t> pixels = TargetPixels(target, w, h);
    for (size_t i = 0; i < cells.size(); ++i) {
        const int x0 = int(i) % kColumns * kCellW, y0 = int(i) / kColumns * kCellH;
        std::vector<uint32_t> cell;
        for (int y = y0; y < y0 + kCellH; ++y)
            cell.insert(cell.end(), pixels.begin() + y * w + x0,
                        pixels.begin() + y * w + x0 + kCellW);
        out.push_back(std::move(cell));
    }
    StopDevice();
    return out;
}

class DrawPaths : public OwnScreenTest {
  protected:
    static void ExpectPathsAlike(const std::vector<Cell>& cells) {
        for (bool toGraphic : {false, true}) {
            SCOPED_TRACE(toGraphic ? "onto an A8R8G8B8 draw target" : "onto the back buffer");
            const auto fixed = DrawCells(0, toGraphic, cells);
            const auto shaded = DrawCells(1, toGraphic, cells);
            ASSERT_EQ(cells.size(), fixed.size());
            ASSERT_EQ(cells.size(), shaded.size());
            for (size_t i = 0; i < cells.size(); ++i)
                EXPECT_TRUE(testsupport::PixelsWithin(fixed[i], shaded[i], kCellW, 1))
                    << cells[i].name;
        }
    }
};

struct Brightness {
    const char* name;
    int red, green, blue;
};
constexpr Brightness kBrightness[] = {{"White", 255, 255, 255}, {"Tinted", 128, 200, 64}};

TEST_F(DrawPaths, GraphicsInEveryModeBrightnessTransparencyAndSampling) {
    std::vector<Cell> cells;
    for (int mode = 0; mode <= 16; ++mode)
        for (const Brightness& b : kBrightness)
            for (int keyed = 0; keyed < 2; ++keyed)
                for (int trans = 0; trans < 2; ++trans)
                    for (int sampling = 0; sampling < 2; ++sampling)
                        cells.push_back({"Mode" + std::to_string(mode) + b.name +
                                             (keyed ? "AlphaTest" : "AlphaChannel") +
                                             (trans ? "Transparent" : "Plain") +
                                             (sampling ? "Bilinear" : "Nearest"),
                                         [=](const Scene& s, int x, int y) {
                                             SetBlendMode(mode, 160);
                                             SetBrightness(b.red, b.green, b.blue);
                                             SetSamplingMode(sampling);
                                             const Handle g = keyed ? s.keyed : s.translucent;
                                             // Stretched, then whole pixels at one to one.
                                             DrawGraphicStretched(x + 1, y + 1, x + 14, y + 12, g,
                                                                  trans);
                                             DrawGraphicAt(x + 15, y + 4, g, trans);
                                         }});
    ExpectPathsAlike(cells);
}

TEST_F(DrawPaths, BlendGraphicsOfEveryType) {
    struct Blend {
        std::string name;
        int type, first, second;
    };
    std::vector<Blend> blends;
    for (int value : {0, 128, 255})
        blends.push_back({"CrossFade" + std::to_string(value), 0, value, 0});
    for (int threshold : {0, 100, 254})
        for (int range : {0, 64, 128, 200})
            blends.push_back({"Wipe" + std::to_string(threshold) + "Range" + std::to_string(range),
                              1, threshold, range});
    blends.push_back({"AlphaMask", 2, 0, 0});
    std::vector<Cell> cells;
    for (const Blend& blend : blends)
        for (int keyed = 0; keyed < 2; ++keyed)
            for (int trans = 0; trans < 2; ++trans)
                cells.push_back(
                    {blend.name + (keyed ? "AlphaTest" : "AlphaChannel") +
                         (trans ? "Transparent" : "Plain"),
                     [=](const Scene& s, int x, int y) {
                         SetBlendSourceGraphic(s.blend, blend.type, blend.first, blend.second);
                         DrawGraphicAt(x + 2, y + 4, keyed ? s.keyed : s.translucent, trans);
                         SetBrightness(128, 200, 64);
                         DrawGraphicAt(x + 13, y + 4, keyed ? s.keyed : s.translucent, trans);
                     }});
    ExpectPathsAlike(cells);
}

TEST_F(DrawPaths, TextureColourReplacement) {
    std::vector<Cell> cells;
    for (int mode : {0, 1, 2})
        for (const Brightness& b : kBrightness)
            for (int keyed = 0; keyed < 2; ++keyed)
                for (int trans = 0; trans < 2; ++trans)
                    cells.push_back({"Mode" + std::to_string(mode) + b.name +
                                         (keyed ? "AlphaTest" : "AlphaChannel") +
                                         (trans ? "Transparent" : "Plain"),
                                     [=](const Scene& s, int x, int y) {
                                         SetBlendMode(mode, 160);
                                         SetBrightness(b.red, b.green, b.blue);
                                         const Handle g = keyed ? s.keyed : s.translucent;
                                         const GraphicRecord* record = GraphicFromHandle(g, 0);
                                         const uint32_t flags =
                                             kDrawIntegerPlacement |
                                             (trans ? uint32_t(kDrawTransparent) : 0u) |
                                             GraphicImageDrawFlags(*record);
                                         PrepareGraphicDraw(record->pieces[0].tile->texture, flags);
                                         // The setter marks the state changed; applied
                                         // here, the worker draws with it.
                                         SetPendingDrawValue(0, 1);
                                         ApplyPendingDrawState(0, nullptr, 0);
                                         GetRenderStateCache().drawStateChanged = 0;
                                         DrawAsWorker(g, x + 4, y + 4, flags);
                                         FlushVertexBatch();
                                         if (ProgrammableShadersInUse()) {
                                             EXPECT_NE(std::string::npos,
                                                       CurrentPixelKernel().find("_igcolor1_"))
                                                 << "the shader never saw the flag";
                                         }
                                     }});
    ExpectPathsAlike(cells);
}

TEST_F(DrawPaths, BoxesInEveryMode) {
    std::vector<Cell> cells;
    for (int mode = 0; mode <= 16; ++mode)
        for (const Brightness& b : kBrightness)
            for (int filled = 0; filled < 2; ++filled)
                cells.push_back(
                    {"Mode" + std::to_string(mode) + b.name + (filled ? "Filled" : "Outline"),
                     [=](const Scene&, int x, int y) {
                         SetBlendMode(mode, 160);
                         SetBrightness(b.red, b.green, b.blue);
                         DrawBoxShape(x + 1, y + 1, x + 22, y + 14, MakeColorValue(200, 90, 40),
                                      filled);
                     }});
    ExpectPathsAlike(cells);
}

}  // namespace
