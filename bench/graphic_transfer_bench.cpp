// Speed of moving pictures into graphics: a 256 x 256 transfer on each road
// (managed lock on the plain device, borrowed work texture on the Ex device,
// system texture for a draw target), and 100 loads of a 256 x 256 PNG,
// synchronous and queued on the loader threads.
#include <benchmark/benchmark.h>

#include <png.h>

#include <cstdio>
#include <vector>

#include "DuRud.h"
#include "bench_engine.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_loading.h"
#include "graphics/graphic_transfer.h"
#include "graphics/screen_state.h"
#include "graphics/work_textures.h"
#include "test_knobs.h"

using namespace DuRud;

namespace {

// The engine windowed at 800 x 600 with graphic handles; the plain device
// when the Ex export is hidden.
struct Engine {
    explicit Engine(bool exDevice) { benchengine::Start(exDevice); }
    ~Engine() { benchengine::Stop(); }
};

struct Picture {
    BaseImage image{};
    Picture() {
        CreateX8R8G8B8BaseImage(256, 256, &image);
        auto* p = static_cast<uint32_t*>(image.pixels);
        for (int i = 0; i < 256 * 256; ++i) p[i] = 0x00204060u + static_cast<uint32_t>(i);
    }
    ~Picture() { FreeBaseImagePixels(&image); }
};

void TransferRoad(benchmark::State& state) {
    const int road = static_cast<int>(state.range(0));  // 0 managed, 1 work texture, 2 target
    Engine engine(road != 0);
    Picture picture;
    const Handle g = road == 2 ? CreateDrawableGraphic(256, 256, 0)
                               : NewGraphicFromBaseImage(&picture.image, nullptr);
    for (auto _ : state)
        TransferImageToGraphic(g, nullptr, 0, 0, &picture.image, nullptr, 0, 0, 0, 0);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    state.SetLabel(road == 0 ? "managed lock" : road == 1 ? "work texture" : "draw target");
}
BENCHMARK(TransferRoad)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void WritePng(const char* path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 256;
    image.height = 256;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(256 * 256 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
    png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr);
}

void PngLoads(benchmark::State& state) {
    const bool queued = state.range(0) != 0;
    Engine engine(true);
    WritePng("bench_load.png");
    std::vector<Handle> handles;
    for (auto _ : state) {
        SetUseAsyncLoad(queued ? 1 : 0);
        for (int i = 0; i < 100; ++i) handles.push_back(LoadGraphic("bench_load.png"));
        SetUseAsyncLoad(0);
        for (Handle h : handles)
            while (IsHandleAsyncPending(h) == 1) {
                ServeMainThreadRequests();
                Sleep(0);
            }
        state.PauseTiming();
        for (Handle h : handles) DeleteGraphic(h);
        handles.clear();
        state.ResumeTiming();
    }
    std::remove("bench_load.png");
    state.SetLabel(queued ? "queued" : "synchronous");
}
BENCHMARK(PngLoads)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
