// The XAudio2 side of sound buffers that runs on the voice's thread: feeding
// a source voice from the sample data in submissions of at most 1/60 s,
// wrapping or stopping at the end, and the sample data's one tracked block.
#include <algorithm>
#include <atomic>

#include "DuRud.h"
#include "sound/sound_buffer.h"

namespace DuRud {

namespace {

uintptr_t RoundUp16(uintptr_t value) {
    return (value + 15) & ~uintptr_t{15};
}

}  // namespace

// A request smaller than one frame is rounded up to one, and a refused
// submission ends the call: either would otherwise loop for ever here.
void SOUNDBUFFER_CALLBACK::FeedVoiceSamples(UINT32 bytesRequired) {
    if (bytesRequired == 0) return;
    std::lock_guard<std::mutex> guard(lock_);
    SoundBufferRecord& r = *record_;
    auto* voice = static_cast<IXAudio2SourceVoice*>(r.device);
    if (!voice || !r.sampleData || r.length == 0) return;
    const uint32_t frameBytes = r.format.wBitsPerSample * r.format.nChannels / 8u;
    if (frameBytes == 0) return;
    const uint32_t chunkLimit = std::max<uint32_t>(1, r.format.nSamplesPerSec / 60);
    const uint64_t required = (uint64_t{bytesRequired} + frameBytes - 1) / frameBytes * frameBytes;
    const uint8_t* source = r.sampleData->widened ? r.sampleData->widened : r.sampleData->data;
    uint64_t submitted = 0;
    while (submitted < required) {
        if (r.feedPosition >= r.length) {
            if (!r.loop) {
                // The voice plays out what it holds; the stop follows its pass.
                voice->Stop(0);
                r.playing = 0;
                return;
            }
            r.feedPosition = 0;
        }
        uint32_t frames = std::min(r.length - r.feedPosition, chunkLimit);
        const uint64_t fit = (required - submitted) / frameBytes;
        if (frames > fit) frames = static_cast<uint32_t>(fit);
        XAUDIO2_BUFFER buffer{};
        buffer.AudioBytes = frames * frameBytes;
        buffer.pAudioData = source + uint64_t{r.feedPosition} * frameBytes;
        if (FAILED(voice->SubmitSourceBuffer(&buffer))) return;
        r.feedPosition += frames;
        submitted += buffer.AudioBytes;
    }
}

void SOUNDBUFFER_CALLBACK::CommitBufferPosition() {
    std::lock_guard<std::mutex> guard(lock_);
    record_->playPosition = record_->feedPosition;
}

// The descriptor opens the block; the data starts at the descriptor's end
// rounded up to 16 (a 32-bit layout would put it inside a 64-bit
// descriptor), the stereo copy after the data, again on 16.
SampleData* NewSampleData(uint32_t bytes, bool widen) {
    // 15 bytes of room for each rounding.
    const uint64_t total = sizeof(SampleData) + 15 + bytes + (widen ? 15 + uint64_t{bytes} * 2 : 0);
    if (total > 0xFFFFFF00ull) return nullptr;
    void* block = TrackedCalloc(static_cast<uint32_t>(total), __FILE__, __LINE__);
    if (!block) return nullptr;
    auto* sd = static_cast<SampleData*>(block);
    const uintptr_t data = RoundUp16(reinterpret_cast<uintptr_t>(block) + sizeof(SampleData));
    sd->data = reinterpret_cast<uint8_t*>(data);
    sd->widened = widen ? reinterpret_cast<uint8_t*>(RoundUp16(data + bytes)) : nullptr;
    sd->size = bytes;
    sd->references = 1;
    return sd;
}

void ReleaseSampleData(SampleData* sampleData) {
    if (!sampleData) return;
    if (std::atomic_ref<int32_t>(sampleData->references).fetch_sub(1) != 1) return;
    TrackedFree(sampleData);
}

}  // namespace DuRud
