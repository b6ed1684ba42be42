// The engine's own cost per sprite on the device path, for 400 sprites of one
// texture as the draw workers make them: prepare (only when dirty or changed),
// reserve, six vertex writes, append, and the one flush at the end. The
// device's rasterising is left out: the flush draws with an empty viewport.
#include <benchmark/benchmark.h>

#include "DuRud.h"
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
        KnobResetAll();
        KnobD3D9ShaderVersions(0, 0);
        StoreScreenSize(800, 600);
        GetScreenState().colorBits = 32;
        SetEngineSkipFlags(0, 1, 1, 1);
        ChangeWindowMode(TRUE);
        SetLogOutput(0);
        InitializeEngineLocked();
        InitializeBaseImage();
        RegisterGraphicHandleType();
        SetupScreenDevice();
        ResetDrawSettings();
        PrefillVertexBatch();
        ResendAllRenderState();
        BaseImage image{};
        CreateA8R8G8B8BaseImage(32, 32, &image);
        sprite = NewGraphicFromBaseImage(&image, nullptr);
        FreeBaseImagePixels(&image);
    }
    ~Engine() {
        EndHandleType(HandleTypeGraphic);
        TerminateBaseImage();
        ClearWorkTextureCache();
        ShutdownScreenDevice();
        ShutdownEngineLocked();
    }
};

void BM_FourHundredSprites(benchmark::State& state) {
    Engine engine;
    const TileDrawPiece& piece = GraphicFromHandle(engine.sprite, 0)->pieces[0];
    IDirect3DBaseTexture9* texture = piece.tile->texture;
    const uint32_t flags = 3u | (1u << 15);  // transparent, integer placement, alpha channel
    SetDeviceViewportRect(0, 0, 1, 1);
    const int order[6] = {0, 1, 2, 1, 3, 2};
    for (auto _ : state) {
        EnsureSceneBegun();
        for (int i = 0; i < 400; ++i) {
            if (NeedsPrepareGraphicDraw(texture, flags)) PrepareGraphicDraw(texture, flags);
            auto* v = static_cast<Vertex2DTex*>(ReserveVertices(6));
            const float x = static_cast<float>(i % 20 * 40), y = static_cast<float>(i / 20 * 30);
            const uint32_t colour = DrawDiffuseColor();
            for (int k = 0; k < 6; ++k) {
                const auto& c = piece.corners[order[k]];
                v[k].x = x + c.x - 0.5f;
                v[k].y = y + c.y - 0.5f;
                v[k].diffuse = colour;
                v[k].u = c.u;
                v[k].v = c.v;
            }
            AppendVertices(6);
        }
        FlushVertexBatch();
        EndSceneIfBegun();
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(BM_FourHundredSprites)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
