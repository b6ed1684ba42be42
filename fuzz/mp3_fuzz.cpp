// libFuzzer target: a hostile MP3 file through the compression manager's MP3
// reader (ID3 rules, frame scan, the stand-in's decoding), and through the
// libmpg123 feed wrapper directly, frame by frame, as the graph's decoder uses it.
#include <cstdlib>
#include <vector>

#include "audio/mpeg_audio_feed.h"
#include "sound_fuzz_support.h"

namespace {

// Every whole frame the wrapper finds yields exactly its samples.
void FuzzFeed(const uint8_t* data, size_t size) {
    platform::MpegAudioFeed feed;
    if (!feed.ok()) std::abort();
    std::vector<int16_t> pcm;
    platform::MpegFrameHeader first{}, h{};
    ptrdiff_t at = platform::MpegAudioFeed::FindFrame(data, size, 0, 0, 0, &first);
    h = first;
    for (int frames = 0; at >= 0 && frames < 256 && static_cast<size_t>(at) + h.length <= size;
         ++frames) {
        const size_t before = pcm.size();
        if (!feed.DecodeFrame(data + at, h, &pcm)) std::abort();
        if (pcm.size() - before != static_cast<size_t>(h.samples) * h.channels) std::abort();
        at = platform::MpegAudioFeed::FindFrame(data, size, at + h.length, first.sampleRate,
                                                first.channels, &h);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soundfuzz::StartSoundConversion();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    soundfuzz::FuzzSoundFile(data, size, 0x17);  // the compression manager's MP3 reader alone
    FuzzFeed(data, size);
    return 0;
}
