// CPU time the mixer spends per second of output with 32 DirectSound
// buffers at mixed steps (a quarter copy at the output rate, the rest
// interpolate), in real time. Aim: under 2 % of a core (20 ms a second).
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <vector>

#include "dsound.h"
#include "windows.h"

namespace {

double ProcessCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void ThirtyTwoVoicesOneSecond(benchmark::State& state) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IDirectSound* sound = nullptr;
    if (CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                         reinterpret_cast<void**>(&sound)) != S_OK ||
        sound->Initialize(nullptr) != DS_OK) {
        state.SkipWithError("no DirectSound");
        return;
    }
    sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY);
    std::vector<IDirectSoundBuffer*> buffers;
    for (int i = 0; i < 32; ++i) {
        const WORD channels = i % 3 == 0 ? 1 : 2;
        const WORD bits = i % 5 == 0 ? 8 : 16;
        const WORD block = static_cast<WORD>(channels * bits / 8);
        WAVEFORMATEX format{WAVE_FORMAT_PCM, channels, 44100, 44100u * block, block, bits, 0};
        DSBUFFERDESC desc{sizeof desc, 0x80E2, 44100u * block, 0, &format, {}};
        IDirectSoundBuffer* buffer = nullptr;
        if (sound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) continue;
        void *p1, *p2;
        DWORD n1, n2;
        buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER);
        auto* bytes = static_cast<BYTE*>(p1);
        for (DWORD b = 0; b < n1; ++b) bytes[b] = static_cast<BYTE>(b * 2654435761u >> 13);
        buffer->Unlock(p1, n1, p2, n2);
        buffer->SetFrequency(i % 4 == 0 ? 44100 : 11025 + 2731 * i);
        buffer->SetVolume(-100 * (i % 7));
        buffer->SetPan(-3000 + 200 * i);
        buffer->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(buffer);
    }
    double cpu = 0;
    for (auto _ : state) {
        const double before = ProcessCpuSeconds();
        Sleep(1000);
        cpu += ProcessCpuSeconds() - before;
    }
    const double perSecond = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_output_s"] = perSecond * 1000.0;
    state.counters["percent_of_a_core"] = perSecond * 100.0;
    std::printf("mixer: %.2f ms of CPU per second of output (%.2f %% of a core; aim under 2 %%)\n",
                perSecond * 1000.0, perSecond * 100.0);
    for (IDirectSoundBuffer* buffer : buffers) buffer->Release();
    sound->Release();
    CoUninitialize();
}
BENCHMARK(ThirtyTwoVoicesOneSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
