// Sound handles: loading, playback through the buffer rotation, streams and
// their ring, loop points, pauses and deletion, heard through the capture.
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "media_fixtures.h"
#include "sound/sound_handles.h"
#include "sound_output_support.h"

using namespace DuRud;
using namespace soundtest;
namespace mf = mediafixtures;

namespace {

class SoundHandleTest : public testing::Test {
  protected:
    void SetUp() override {
        StartServices();
        InitSoundConvert();
        ASSERT_EQ(InitSoundSystem(), 0);
        blocks_ = MemGetCount();
    }
    void TearDown() override {
        DeleteAllHandles(HandleTypeSound, nullptr);
        EXPECT_EQ(MemGetCount(), blocks_);
        EndServices();
        TerminateSoundConvert();
    }
    // A stereo 16-bit 44.1 kHz WAVE of the ramp, written to `name`.
    static std::vector<int16_t> WriteRamp(const char* name, int frames, int step = 1) {
        std::vector<int16_t> pcm = mf::Ramp(frames, 2, step);
        testsupport::WriteFile(name, mf::SimpleWave(1, 2, 44100, 16, mf::Bytes(pcm)));
        return pcm;
    }
    static StreamState& Stream(Handle h) { return GetSoundRecord(h)->stream; }
    int blocks_ = 0;
};

// Frames [from, from + count) of the capture.
std::vector<int16_t> Slice(const std::vector<int16_t>& c, long from, size_t count) {
    if (from < 0 || 2 * (from + count) > c.size()) return {};
    return {c.begin() + 2 * from, c.begin() + 2 * (from + static_cast<long>(count))};
}

TEST_F(SoundHandleTest, StreamRingFillsThenTopsUpAndEnds) {
    SoundCreateSettings settings{0, 2, {0, 2, 0}};
    const std::vector<int16_t> pcm = WriteRamp("ramp.wav", 66150, 1);  // 1.5 s
    const Handle h = LoadSoundFileWithSettings(&settings, "ramp.wav", 1, -1, 0, 0);
    ASSERT_GE(h, 0);
    EXPECT_EQ(Stream(h).writeCursor, 132300);  // 3/4 s
    std::vector<int16_t> c = Capture(200, [&] {
        ASSERT_EQ(PlaySoundHandle(h, 1, 1), 0);
        for (int i = 0; i < 200; ++i) {
            KnobAudioWaitPasses(1);
            RefillStreamSounds();
        }
    });
    EXPECT_EQ(IsSoundPlaying(h), 0);
    const long start = FirstSound(c) - 1;  // the ramp opens with 0
    EXPECT_EQ(Slice(c, start, pcm.size() / 2), pcm);
}

}  // namespace
