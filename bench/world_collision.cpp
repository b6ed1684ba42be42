// The world's contact test and the block-ignorance detection: nanoseconds per
// entities_overlap (overlapping; apart with the wrap on; apart with it off),
// one all-pairs pass of 256 enemies against 1280 blocks, and the detection
// over 1280 blocks. Aims: under 10 ns per test, detection under 0.5 s.
// The engine is not started; nothing here calls it.
#include <benchmark/benchmark.h>

#include "world/block_ignorance.h"
#include "world/collision_geometry.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

entity box_at(double x, double y) {
    entity e;
    e.x = x;
    e.y = y;
    e.hit_w = e.hit_h = 32;
    return e;
}

void OverlapCase(benchmark::State& state, double bx, bool wrap) {
    stage_info = stage_info_record{};
    stage_info.horizontal_wrap = stage_info.vertical_wrap = wrap;
    const entity a = box_at(100, 100), b = box_at(bx, 300);
    for (auto _ : state) {
        benchmark::DoNotOptimize(entities_overlap(a, b));
    }
    state.SetItemsProcessed(state.iterations());
}
void Overlapping(benchmark::State& state) {
    stage_info = stage_info_record{};
    const entity a = box_at(100, 100), b = box_at(110, 110);
    for (auto _ : state) benchmark::DoNotOptimize(entities_overlap(a, b));
    state.SetItemsProcessed(state.iterations());
}
void ApartWrapOn(benchmark::State& state) {
    OverlapCase(state, 500, true);
}
void ApartWrapOff(benchmark::State& state) {
    OverlapCase(state, 500, false);
}

// A stage of 40 x 32 blocks of 32 pixels (1280) under 256 scattered enemies.
void FillStage() {
    stage_info = stage_info_record{};
    stage_info.width = 1280;
    stage_info.height = 1024;
    reset_world();
    for (int k = 0; k < blocks.size; ++k) {
        blocks[k].flags = flag_in_use;
        blocks[k].x = 16 + 32 * (k % 40);
        blocks[k].y = 16 + 32 * (k / 40);
        blocks[k].hit_w = blocks[k].hit_h = 32;
    }
    for (int k = 0; k < enemies.size; ++k) {
        enemies[k].flags = flag_in_use;
        enemies[k].x = (k * 97) % 1280;
        enemies[k].y = (k * 61) % 1024;
        enemies[k].hit_w = enemies[k].hit_h = 24;
    }
}

void EnemyBlockPass(benchmark::State& state) {
    FillStage();
    for (auto _ : state) {
        int touching = 0;
        for (const enemy& e : enemies) {
            for (const block& b : blocks) touching += entities_overlap(e, b);
        }
        benchmark::DoNotOptimize(touching);
    }
    state.SetItemsProcessed(state.iterations() * enemies.size * blocks.size);
}

void Detection(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FillStage();
        state.ResumeTiming();
        detect_ignorable_blocks();
    }
}

}  // namespace

BENCHMARK(Overlapping);
BENCHMARK(ApartWrapOn);
BENCHMARK(ApartWrapOff);
BENCHMARK(EnemyBlockPass)->Unit(benchmark::kMillisecond);
BENCHMARK(Detection)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
