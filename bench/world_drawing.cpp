// The world side of one full frame of drawing: 4096 pushes into the draw
// queue and the stage frame's four flushes with wrap copies. The engine is
// not started, so each draw call returns at once. Aim: under 1 ms, no
// allocation.
#include <benchmark/benchmark.h>

#include "world/draw_queue.h"
#include "world/world_globals.h"

namespace {

void FullFrame(benchmark::State& state) {
    for (int i = 0; i < sprite_table_size; ++i) sprite_table[i] = {i, 32, 32};
    for (auto _ : state) {
        clear_draw_queue();
        for (int i = 0; i < draw_queue_size; ++i) {
            queue_sprite(i % 1500, (i * 37) % 255, 0, (i * 13) % 800, (i * 7) % 576, 0, 1, 0, 1);
        }
        flush_draw_queue(0, 29, 1, 0, 0, 800, 576, 0, 0);
        flush_draw_queue(30, 49, 1, 0, 0, 800, 576, 0, 0);
        flush_draw_queue(50, 249, 1, 0, 0, 800, 576, 0, 0);
        flush_draw_queue(250, 254, 1, 0, 0, 800, 576, 0, 0);
    }
}
BENCHMARK(FullFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
