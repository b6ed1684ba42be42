// The stage file read and its entity placement (block-ignorance detection
// excluded) for a full stage: 1024 placement records, half of them repeat
// copies, and 256 item points. The engine is not started: the text comes
// from memory. Aim: under 5 ms a stage.
#include <benchmark/benchmark.h>

#include <string>

#include "shell/line_source.h"
#include "shell/stage_file.h"
#include "shell/stage_placement.h"
#include "world/world_globals.h"

namespace {

std::string full_stage() {
    std::string text =
        "STAGE_INFORMATION\r\n500,501\r\n0\r\n1280x1024\r\n0,0\r\n0,0\r\n0\r\n1\r\n0\r\n";
    const char* sections[] = {"PLACEMENT_BLOCK", "PLACEMENT_ENEMY", "PLACEMENT_ITEM"};
    const int counts[] = {768, 128, 128};
    for (int s = 0; s < 3; ++s) {
        text += std::string(sections[s]) + "\r\n";
        for (int k = 0; k < counts[s] / 2; ++k) {
            text += "grass3," + std::to_string(k * 32 % 1280) + "," +
                    std::to_string(k * 32 / 1280 * 32) +
                    ",1,move_pattern_default,interaction_block_typical,nothing,-1,-1,1.0\r\n";
            if (k % 8 == 7) text += "REPEAT_PLACEMENT RIGHT,8,32x0\r\n";
        }
    }
    text += "PLACEMENT_ITEMPOINT\r\n";
    for (int k = 0; k < 128; ++k)
        text += std::to_string(k * 10) + ",100,4,2,move_pattern_default,nothing\r\n";
    text += "REPEAT_PLACEMENT d,128,0,4\r\n";
    return text;
}

void BM_ReadAndPlaceFullStage(benchmark::State& state) {
    const std::string text = full_stage();
    for (auto _ : state) {
        text_line_source source(text);
        item_points_placed = 0;
        read_stage_file(source);
        place_stage_entities();
        benchmark::DoNotOptimize(placement_record_count);
    }
    state.counters["records"] = placement_record_count;
    state.counters["item points"] = item_points_placed;
}
BENCHMARK(BM_ReadAndPlaceFullStage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
