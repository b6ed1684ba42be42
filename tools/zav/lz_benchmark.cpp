// LZ decode and encode speed, and the packing ratio, on 16 MiB of mixed
// data (text, runs, random and repeated blocks).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "files/archive_format.h"
#include "lz_encoder.h"

namespace {

const std::vector<unsigned char>& MixedData() {
    static const std::vector<unsigned char> data = [] {
        std::vector<unsigned char> d;
        d.reserve(16u << 20);
        std::mt19937 rng(42);
        const std::string words[] = {"vessel ", "mire ", "prelude ", "sword ", "\r\n", "stage01 "};
        while (d.size() < (16u << 20)) {
            switch (rng() % 4) {
                case 0:
                    for (int i = 0; i < 2000; ++i) {
                        const std::string& w = words[rng() % 6];
                        d.insert(d.end(), w.begin(), w.end());
                    }
                    break;
                case 1:
                    d.insert(d.end(), 3000 + rng() % 5000, static_cast<unsigned char>(rng()));
                    break;
                case 2:
                    for (int i = 0; i < 8000; ++i) d.push_back(static_cast<unsigned char>(rng()));
                    break;
                default: {
                    const size_t from = rng() % (d.size() + 1);
                    const size_t n = std::min<size_t>(6000, d.size() - from);
                    d.insert(d.end(), d.begin() + from, d.begin() + from + n);
                }
            }
        }
        d.resize(16u << 20);
        return d;
    }();
    return data;
}

void LzEncode(benchmark::State& state) {
    const auto& data = MixedData();
    size_t packed = 0;
    for (auto _ : state) packed = zav::LzPack(data.data(), data.size()).size();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed) / data.size();
}

void LzDecode(benchmark::State& state) {
    const auto& data = MixedData();
    const auto packed = zav::LzPack(data.data(), data.size());
    std::vector<unsigned char> out(data.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            DuRud::ArchiveDecompress(packed.data(), packed.size(), out.data(), out.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / data.size();
}

}  // namespace

BENCHMARK(LzEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(LzDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
