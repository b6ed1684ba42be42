// Text: a cached 20-character DrawFormattedText per call on the Direct3D
// road (the device's rasterising left out: the flush draws into an empty
// viewport) and on the software road, and one new glyph rendered at 1x, 4x
// and 8x.
#include <benchmark/benchmark.h>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "font/font_handles.h"
#include "font/font_records.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "graphics/work_textures.h"
#include "image/image_record.h"
#include "image/memimg.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

struct Engine {
    explicit Engine(int software) {
        KnobResetAll();
        StoreScreenSize(800, 600);
        GetScreenState().colorBits = 32;
        GetScreenState().softwareForced = software;
        SetEngineSkipFlags(0, 1, 1, 1);
        ChangeWindowMode(TRUE);
        SetLogOutput(0);
        InitializeEngineLocked();
        InitializeBaseImage();
        RegisterGraphicHandleType();
        SetupScreenDevice();
        BuildMemImgBlendTables();
        ResetDrawSettings();
        PrefillVertexBatch();
        if (GetScreenState().useDirect3D)
            ResendAllRenderState();
        else
            CreateSoftwarePrimary();
        InitializeFonts();
    }
    ~Engine() {
        TerminateFonts();
        ReleaseSoftwarePrimary();
        EndHandleType(HandleTypeGraphic);
        TerminateBaseImage();
        ClearWorkTextureCache();
        ShutdownScreenDevice();
        ShutdownEngineLocked();
    }
};

void CachedText(benchmark::State& state, int software) {
    Engine engine(software);
    if (!software) SetDeviceViewportRect(0, 0, 1, 1);
    SetDefaultFontSize(10);
    const uint32_t white = MakeColorValue(255, 255, 255);
    DrawFormattedText(10, 10, white, "fps:%0.1f frame %05d", 59.9, 12345);  // 20 characters
    for (auto _ : state) {
        DrawFormattedText(10, 10, white, "fps:%0.1f frame %05d", 59.9, 12345);
        if (!software) {
            FlushVertexBatch();
            EndSceneIfBegun();
        }
    }
    state.SetItemsProcessed(state.iterations() * 20);
}

// The frame keeper's counter as the game draws it every pass: eight glyphs
// of the size-9 default font onto the whole back buffer, rasterised.
void BM_FpsTextDevice(benchmark::State& state) {
    Engine engine(0);
    SetDefaultFontSize(9);
    const uint32_t white = MakeColorValue(255, 255, 255);
    DrawFormattedText(0, 0, white, "fps:%0.1f", 59.9);
    for (auto _ : state) {
        DrawFormattedText(0, 0, white, "fps:%0.1f", 59.9);
        FlushVertexBatch();
        EndSceneIfBegun();
    }
    state.SetItemsProcessed(state.iterations() * 8);
}

void BM_CachedTextDevice(benchmark::State& state) {
    CachedText(state, 0);
}
void BM_CachedTextSoftware(benchmark::State& state) {
    CachedText(state, 1);
}

// Renders the same character into the next cell over and over: each call
// is one glyph through GDI, the reduction and the cache upload.
void BM_NewGlyph(benchmark::State& state) {
    Engine engine(0);
    FontCacheSettings settings{};
    const Handle font = CreateFontHandle(&settings, nullptr, 16, 6,
                                         static_cast<int>(state.range(0)), -1, -1, 0, -1, 0);
    const CharRecord c{{'A', 0, 0}};
    for (auto _ : state) benchmark::DoNotOptimize(RasterizeGlyphs(font, 1, &c));
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_FpsTextDevice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CachedTextDevice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CachedTextSoftware)->Unit(benchmark::kMicrosecond);
// Types 2 (1x grey levels), 18 (4x) and 34 (8x).
BENCHMARK(BM_NewGlyph)->Arg(2)->Arg(18)->Arg(34)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
