// The engine's own cost per call of the public draws on the device path, 400
// calls of a 32 x 32 sprite or box per frame and the one flush at the end.
// The device's rasterising is left out: the flush draws with an empty viewport.
#include <benchmark/benchmark.h>

#include "DuRud.h"
#include "bench_engine.h"
#include "core/engine_lifecycle.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/vertex_batch.h"
#include "graphics/work_textures.h"
#include "image/pixel_conversion.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

struct Engine {
    Handle sprite = -1;
    Engine() {
        benchengine::Start();
        BaseImage image{};
        CreateA8R8G8B8BaseImage(32, 32, &image);
        sprite = NewGraphicFromBaseImage(&image, nullptr);
        FreeBaseImagePixels(&image);
    }
    ~Engine() { benchengine::Stop(); }
};

// 400 draws of one 32 x 32 sprite (or box) per frame, then the one flush.
template <typename Draw>
void FourHundred(benchmark::State& state, Draw draw) {
    Engine engine;
    SetDeviceViewportRect(0, 0, 1, 1);
    for (auto _ : state) {
        for (int i = 0; i < 400; ++i) draw(engine.sprite, i % 20 * 40, i / 20 * 30);
        FlushVertexBatch();
        EndSceneIfBegun();
    }
    state.SetItemsProcessed(state.iterations() * 400);
}

void BM_DrawGraphicAt(benchmark::State& state) {
    FourHundred(state, [](Handle g, int x, int y) { DrawGraphicAt(x, y, g, 1); });
}
void BM_DrawGraphicRotated(benchmark::State& state) {
    FourHundred(state, [](Handle g, int x, int y) { DrawGraphicRotated(x, y, 1.0, 0.5, g, 1, 0); });
}
void BM_DrawBoxShape(benchmark::State& state) {
    FourHundred(state,
                [](Handle, int x, int y) { DrawBoxShape(x, y, x + 32, y + 32, 0xFFFFFF, 1); });
}
BENCHMARK(BM_DrawGraphicAt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawGraphicRotated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawBoxShape)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
