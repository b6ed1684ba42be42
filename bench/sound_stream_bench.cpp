// Stream sound refills: the time of one RefillStreamSounds pass (an eighth
// of a second decoded into the ring) and of a first fill (three quarters of a
// second), for a Vorbis and an MP3 stream, on the default sound interface
// with the virtual clock.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "DuRud.h"
#include "core/system_services.h"
#include "media_fixtures.h"
#include "sound/sound_handles.h"
#include "sound/sound_system.h"
#include "test_knobs.h"

namespace {

using namespace DuRud;

// One stream handle of ten seconds of tone, Vorbis (0) or MP3 (1), read from memory.
struct StreamBench {
    explicit StreamBench(int which) {
        KnobSetVirtualClock(true);
        LoadWinApis();
        InitializeCom();
        MutableSystemState().processorCount = 1;
        InitSoundConvert();
        if (InitSoundSystem() != 0) std::abort();
        const auto pcm = mediafixtures::Tone(441000, 2, 44100, 440, 12000);
        bytes = which == 0 ? mediafixtures::EncodeVorbis(pcm, 2, 44100, 0.4f)
                           : mediafixtures::EncodeMp3(pcm, 2, 44100, 128, false).bytes;
        SoundCreateSettings settings{0, 2, {0, 2, 0}};
        handle = CreateSoundHandle(-1);
        if (AddStreamSoundMemory(&settings, bytes.data(), uint32_t(bytes.size()), 0, handle, 2, -1,
                                 0) != 0)
            std::abort();
    }
    ~StreamBench() {
        TerminateSoundSystem();
        TerminateSoundConvert();
        TerminateCom();
        UnloadWinApis();
    }
    std::string bytes;
    Handle handle = -1;
};

void FirstFill(benchmark::State& state) {
    StreamBench b(int(state.range(0)));
    for (auto _ : state) {
        StopSoundHandle(b.handle);
        SetSoundPositionBytes(0, b.handle);  // not started: the next prepare fills afresh
        PrepareStreamSound(b.handle, 0);
    }
    state.SetLabel(state.range(0) == 0 ? "vorbis" : "mp3");
}

void RefillPass(benchmark::State& state) {
    StreamBench b(int(state.range(0)));
    PlaySoundHandle(b.handle, 3, 1);
    for (auto _ : state) {
        state.PauseTiming();
        KnobAudioWaitPasses(13);  // the cursor moves on an eighth of a second
        state.ResumeTiming();
        RefillStreamSounds();
    }
    state.SetLabel(state.range(0) == 0 ? "vorbis" : "mp3");
}

BENCHMARK(FirstFill)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(RefillPass)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
