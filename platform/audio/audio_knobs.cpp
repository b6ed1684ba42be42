// The audio knobs: refusals of start-up steps and creations, the capture of
// mixed output, live counts and the last X3DAudio start-up.
#include "audio_knobs.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

#include "audio_output.h"
#include "mixer.h"
#include "test_knobs.h"

namespace platform::audio {

namespace {

constexpr const char* kSteps[] = {
    "XAudio2Create",
    "XAudio2Initialize",
    "CreateMasteringVoice",
    "DirectSoundInitialize",
    "SetCooperativeLevel",
    "PrimaryBuffer",
    "SetFormat",
    "CtrlFrequency",
    "Lock",
};

struct Knobs {
    std::mutex lock;
    std::map<std::string, int> refusals;  // step -> times left (-1: always)
    int failCreation = 0;                 // creations left until the failing one
    bool capturing = false;
    std::vector<int16_t> captured;
    bool x3dCalled = false;
    UINT x3dMask = 0;
    FLOAT x3dSpeed = 0;
};

Knobs& TheKnobs() {
    static auto* knobs = new Knobs;  // the mixer thread may capture during exit
    return *knobs;
}

}  // namespace

bool StepRefused(const char* step) {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    auto it = k.refusals.find(step);
    if (it == k.refusals.end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    return true;
}

bool CreationRefused() {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    return k.failCreation > 0 && --k.failCreation == 0;
}

std::atomic<int>& LiveObjects() {
    static std::atomic<int> count{0};
    return count;
}
std::atomic<int>& LiveBuffers() {
    static std::atomic<int> count{0};
    return count;
}
std::atomic<int>& LiveVoices() {
    static std::atomic<int> count{0};
    return count;
}

void CapturePass(const int16_t* frames, int count) {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    if (k.capturing) k.captured.insert(k.captured.end(), frames, frames + 2 * count);
}

bool CaptureOn() {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    return k.capturing;
}

void RecordX3DAudioInitialize(UINT mask, FLOAT speed) {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.x3dCalled = true;
    k.x3dMask = mask;
    k.x3dSpeed = speed;
}

void ResetAudioKnobs() {
    Knobs& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.refusals.clear();
    k.failCreation = 0;
    k.capturing = false;
    k.captured.clear();
    k.captured.shrink_to_fit();
    k.x3dCalled = false;
}

void ApplyAudioEnvironment() {
    if (const char* list = std::getenv("VESSAMIRE_AUDIO_REFUSE")) {
        std::istringstream in(list);
        for (std::string step; std::getline(in, step, ',');) KnobAudioRefuse(step.c_str());
    }
    if (const char* n = std::getenv("VESSAMIRE_AUDIO_FAIL_BUFFER"))
        KnobAudioFailBuffer(std::atoi(n));
}

}  // namespace platform::audio

using platform::audio::TheKnobs;

void KnobAudioCaptureStart() {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.capturing = true;
    k.captured.clear();
}

void KnobAudioCaptureStop() {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.capturing = false;
}

std::vector<int16_t> KnobAudioCaptured() {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    return k.captured;
}

void KnobAudioCaptureClear() {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.captured.clear();
}

bool KnobAudioWaitPasses(int passes) {
    return platform::audio::MixerWaitPasses(passes);
}

bool KnobAudioRefuse(const char* step, int times) {
    for (const char* known : platform::audio::kSteps) {
        if (step && std::strcmp(step, known) == 0) {
            auto& k = TheKnobs();
            std::lock_guard<std::mutex> g(k.lock);
            k.refusals[known] = times;
            return true;
        }
    }
    return false;
}

void KnobAudioFailBuffer(int n) {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.failCreation = n > 0 ? n : 0;
}

bool KnobAudioLastX3DAudioInitialize(UINT* mask, FLOAT* speedOfSound) {
    auto& k = TheKnobs();
    std::lock_guard<std::mutex> g(k.lock);
    if (!k.x3dCalled) return false;
    if (mask) *mask = k.x3dMask;
    if (speedOfSound) *speedOfSound = k.x3dSpeed;
    return true;
}

KnobAudioCounts KnobAudioLive() {
    using namespace platform::audio;
    return KnobAudioCounts{LiveObjects().load(), LiveBuffers().load(), LiveVoices().load(),
                           OutputOpenCount()};
}
