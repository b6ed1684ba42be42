// The game's voice on the real engine: an effect played by name and a music
// slot's loop and stop, heard in the mixer's captured output.
#include <string>
#include <vector>

#include "media_fixtures.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "world/sound_effects.h"
#include "world_engine.h"

namespace {

using GameSound = WorldEngine;

constexpr int frames_per_ms = 44;  // 44.1 rounded down: a bound, not a count

// A 44.1 kHz 16-bit stereo WAVE: each run of (frames, value) on both channels.
std::string wave_of(std::initializer_list<std::pair<int, int16_t>> runs) {
    std::string data;
    for (const auto& [frames, value] : runs) {
        for (int i = 0; i < 2 * frames; ++i) {
            data.push_back(static_cast<char>(value & 0xFF));
            data.push_back(static_cast<char>((value >> 8) & 0xFF));
        }
    }
    return mediafixtures::SimpleWave(1, 2, 44100, 16, data);
}

std::vector<int16_t> capture_while(int passes, const auto& start) {
    KnobAudioCaptureStart();
    start();
    KnobAudioWaitPasses(passes);
    KnobAudioCaptureStop();
    return KnobAudioCaptured();
}

long first_sound(const std::vector<int16_t>& c) {
    for (size_t i = 0; i < c.size(); ++i)
        if (c[i] != 0) return static_cast<long>(i / 2);
    return -1;
}

// Frames [from, to) all hold value on both channels.
bool all_frames(const std::vector<int16_t>& c, long from, long to, int16_t value) {
    if (from < 0 || to * 2 > static_cast<long>(c.size())) return false;
    for (long i = 2 * from; i < 2 * to; ++i)
        if (c[i] != value) return false;
    return true;
}

TEST_F(GameSound, AnEffectByItsNameIsHeardWithinFiftyMilliseconds) {
    testsupport::WriteFile("kvorn.wav", wave_of({{4410, 3000}}));
    const int32_t handle = DuRud::LoadSoundFromFile("kvorn.wav", 3, -1);
    ASSERT_GE(handle, 0);
    sound_entry[4] = {"kvorn.wav", "xkvorn", handle};  // found without its first character
    int result = -1;
    const std::vector<int16_t> c = capture_while(5, [&] { result = play_sound_effect("kvorn"); });
    EXPECT_EQ(result, 0);
    const long first = first_sound(c);
    ASSERT_GE(first, 0) << "nothing heard";
    EXPECT_LT(first, 50 * frames_per_ms);
    // Effect volume 1.0 plays the samples as they are.
    EXPECT_TRUE(all_frames(c, first, first + 441, 3000));
}

TEST_F(GameSound, MusicPlaysOnThroughItsLoopPointUntilStopped) {
    // 50 ms at 1000, then 50 ms at 2000; the loop starts at the second half.
    testsupport::WriteFile("theme.wav", wave_of({{2205, 1000}, {2205, 2000}}));
    ASSERT_EQ(register_music("theme", "theme.wav", 2205), 0);
    ASSERT_GE(music_slot[0].handle, 0);
    bgm_volume = 1.0;
    int result = -1;
    // 300 ms: three times the sound's length.
    const std::vector<int16_t> c = capture_while(30, [&] { result = control_music(1, 0, 0); });
    EXPECT_EQ(result, 0);
    const long first = first_sound(c);
    ASSERT_GE(first, 0) << "nothing heard";
    const long end = static_cast<long>(c.size() / 2);
    ASSERT_GE(end - first, 3 * 4410) << "too little captured past the start";
    EXPECT_TRUE(all_frames(c, first, first + 2205, 1000)) << "the first half once";
    EXPECT_TRUE(all_frames(c, first + 2205, end, 2000)) << "then the loop, past the end, on and on";

    const std::vector<int16_t> after = capture_while(10, [] { control_music(4, 0, 0); });
    EXPECT_EQ(current_music, -1);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(first_sound(after), -1) << "still heard after the stop";
}

}  // namespace
