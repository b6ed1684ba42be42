// MP3 conversion through the graph (memory reader, decoder, sample grabber,
// null renderer) as a multiple of real time: a 60-second stereo 44.1 kHz
// 128 kbit/s file decoded whole.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "DuRud.h"
#include "core/system_services.h"
#include "media_fixtures.h"
#include "sound/sound_convert.h"

namespace {

constexpr int kSeconds = 60;
constexpr int kOnlyGraph = 0x0F;

void ConvertThroughGraph(benchmark::State& state) {
    DuRud::LoadWinApis();
    const std::string file =
        mediafixtures::EncodeMp3(mediafixtures::Tone(44100 * kSeconds, 2, 44100, 440, 12000), 2,
                                 44100, 128, false)
            .bytes;
    for (auto _ : state) {
        DuRud::StreamHandle h = DuRud::OpenMemoryImageStream(file.data(), uint32_t(file.size()));
        DuRud::SoundConvertState converter{};
        if (DuRud::SetupSoundConvert(&converter, DuRud::GetMemoryImageStreamInterface(), h,
                                     kOnlyGraph, 2, 0) != 0)
            std::abort();
        benchmark::DoNotOptimize(converter.pcm.block);
        DuRud::EndSoundConvert(&converter);
        DuRud::CloseMemoryImageStream(h);
    }
    state.counters["x_realtime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

// Real time: the decoding runs on the graph's threads while this one waits.
BENCHMARK(ConvertThroughGraph)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
