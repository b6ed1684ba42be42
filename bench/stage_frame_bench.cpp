// The stage frame's update and contact steps on full pools: 2 players, 1280
// blocks, 256 enemies, 512 bullets, 128 crackers and 256 items scattered
// over a 1280 x 1024 stage. Each iteration starts again from the same
// stage. The engine is not started. Aim: under 4 ms a frame for both.
#include <benchmark/benchmark.h>

#include <vector>

#include "world/interactions.h"
#include "world/pools.h"
#include "world/stage_frame.h"
#include "world/world_globals.h"

namespace {

template <class T>
void scatter(T& e, int k, int step_x, int step_y, double size) {
    e.flags = flag_in_use;
    e.x = (k * step_x) % 1280;
    e.y = (k * step_y) % 1024;
    e.hit_w = e.hit_h = size;
}

struct stage_copy {
    std::vector<block> b;
    std::vector<enemy> e;
    std::vector<bullet> u;
    std::vector<cracker> c;
    std::vector<item> i;
    template <class P, class V>
    static void put(P& pool, const V& saved) {
        for (int k = 0; k < pool.size; ++k) pool[k] = saved[k];
    }
    void restore() {
        put(blocks, b), put(enemies, e), put(bullets, u), put(crackers, c), put(items, i);
    }
};

stage_copy fill_stage() {
    stage_info = stage_info_record{};
    stage_info.width = 1280;
    stage_info.height = 1024;
    reset_world();
    for (int k = 0; k < blocks.size; ++k) {
        scatter(blocks[k], 0, 0, 0, 32);
        blocks[k].x = 16 + 32 * (k % 40), blocks[k].y = 16 + 32 * (k / 40);
    }
    for (int k = 0; k < enemies.size; ++k) scatter(enemies[k], k, 97, 61, 24);
    for (int k = 0; k < bullets.size; ++k) scatter(bullets[k], k, 53, 89, 8);
    for (int k = 0; k < crackers.size; ++k) scatter(crackers[k], k, 71, 43, 16);
    for (int k = 0; k < items.size; ++k) scatter(items[k], k, 37, 101, 16);
    for (int k = 0; k < players.size; ++k) scatter(players[k], k, 640, 512, 16);
    return {{blocks.begin(), blocks.end()},
            {enemies.begin(), enemies.end()},
            {bullets.begin(), bullets.end()},
            {crackers.begin(), crackers.end()},
            {items.begin(), items.end()}};
}

template <int (*Step)()>
void FullPools(benchmark::State& state) {
    stage_copy saved = fill_stage();
    for (auto _ : state) {
        state.PauseTiming();
        saved.restore();
        state.ResumeTiming();
        benchmark::DoNotOptimize(Step());
    }
}
BENCHMARK(FullPools<update_world>)->Name("UpdateWorld")->Unit(benchmark::kMillisecond);
BENCHMARK(FullPools<process_interactions>)
    ->Name("ProcessInteractions")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
