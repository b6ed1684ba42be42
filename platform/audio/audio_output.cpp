// The SDL output device and the ring of rendered passes its callback copies from.
#include "audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "mixer.h"

namespace platform::audio {

namespace {

// Eight passes (80 ms): enough to ride over a late pass, short enough for effects.
constexpr int kRingFrames = kOutputRingPasses * kPassFrames;

struct Output {
    std::mutex lock;
    SDL_AudioDeviceID device = 0;
    bool sdlStarted = false;
    int16_t ring[2 * kRingFrames] = {};
    int start = 0;  // first queued frame
    int count = 0;  // queued frames
};

Output& TheOutput() {
    static auto* output = new Output;  // SDL's thread may call back during exit
    return *output;
}

void SDLCALL FillFromRing(void*, Uint8* stream, int bytes) {
    Output& o = TheOutput();
    auto* out = reinterpret_cast<int16_t*>(stream);
    int wanted = bytes / 4;
    std::lock_guard<std::mutex> g(o.lock);
    while (wanted > 0 && o.count > 0) {
        const int run = std::min({wanted, o.count, kRingFrames - o.start});
        std::memcpy(out, o.ring + 2 * o.start, static_cast<size_t>(run) * 4);
        out += 2 * run;
        wanted -= run;
        o.count -= run;
        o.start = (o.start + run) % kRingFrames;
    }
    std::memset(out, 0, static_cast<size_t>(wanted) * 4);
}

}  // namespace

void OutputOpen() {
    Output& o = TheOutput();
    {
        std::lock_guard<std::mutex> g(o.lock);
        o.start = o.count = 0;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "audio: no output device (%s); sound is mixed but not played\n",
                     SDL_GetError());
        return;
    }
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = &FillFromRing;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "audio: no output device (%s); sound is mixed but not played\n",
                     SDL_GetError());
    }
    {
        std::lock_guard<std::mutex> g(o.lock);
        o.sdlStarted = true;
        o.device = device;
    }
    if (device) SDL_PauseAudioDevice(device, 0);
}

void OutputClose() {
    Output& o = TheOutput();
    SDL_AudioDeviceID device;
    bool started;
    {
        std::lock_guard<std::mutex> g(o.lock);
        device = o.device;
        started = o.sdlStarted;
        o.device = 0;
        o.sdlStarted = false;
        o.count = 0;
    }
    // Outside the ring's lock: closing waits for a callback in progress.
    if (device) SDL_CloseAudioDevice(device);
    if (started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void OutputPush(const int16_t* frames, int count) {
    Output& o = TheOutput();
    std::lock_guard<std::mutex> g(o.lock);
    if (!o.device) return;
    for (int i = 0; i < count; ++i) {
        if (o.count == kRingFrames) {  // full: the oldest frame goes
            o.start = (o.start + 1) % kRingFrames;
            --o.count;
        }
        const int at = (o.start + o.count) % kRingFrames;
        o.ring[2 * at] = frames[2 * i];
        o.ring[2 * at + 1] = frames[2 * i + 1];
        ++o.count;
    }
}

int OutputOpenCount() {
    Output& o = TheOutput();
    std::lock_guard<std::mutex> g(o.lock);
    return o.device ? 1 : 0;
}

}  // namespace platform::audio
