// Sound conversion speed as a multiple of real time: ten seconds of a
// stereo 44.1 kHz tone converted whole from MP3 (compression manager), Ogg
// Vorbis, IMA ADPCM (compression manager) and 32-bit float WAVE. The aim is
// at least 50 x real time for each.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "DuRud.h"
#include "media_fixtures.h"
#include "sound/sound_convert.h"

namespace {

using namespace mediafixtures;

constexpr int kRate = 44100;
constexpr int kSeconds = 10;

std::string Source(int which) {
    auto pcm = Tone(kRate * kSeconds, 2, kRate, 440, 12000);
    switch (which) {
        case 0:
            return EncodeMp3(pcm, 2, kRate, 128, false).bytes;
        case 1:
            return EncodeVorbis(pcm, 2, kRate, 0.4f);
        case 2:
            return ImaAdpcmWave(EncodeImaAdpcm(pcm, 2, 2048), 2, kRate);
        default: {
            std::string floats;
            for (int16_t v : pcm) {
                float f = v / 32768.0f;
                floats.append(reinterpret_cast<const char*>(&f), 4);
            }
            return SimpleWave(3, 2, kRate, 32, floats);
        }
    }
}

void ConvertWhole(benchmark::State& state) {
    static bool loaded = DuRud::InitSoundConvert() == 0;
    if (!loaded) {
        state.SkipWithError("msacm32.dll did not load");
        return;
    }
    const std::string file = Source(int(state.range(0)));
    for (auto _ : state) {
        DuRud::StreamHandle h = DuRud::OpenMemoryImageStream(file.data(), uint32_t(file.size()));
        DuRud::SoundConvertState converter{};
        if (DuRud::SetupSoundConvert(&converter, DuRud::GetMemoryImageStreamInterface(), h, 0, 2,
                                     0) != 0)
            std::abort();
        void* block = nullptr;
        int bytes = 0;
        DuRud::ConvertSoundAll(&converter, nullptr, &block, &bytes);
        benchmark::DoNotOptimize(block);
        DuRud::TrackedFree(block);
        DuRud::EndSoundConvert(&converter);
        DuRud::CloseMemoryImageStream(h);
    }
    state.counters["x_realtime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

BENCHMARK(ConvertWhole)
    ->ArgName("mp3_vorbis_ima_float")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
