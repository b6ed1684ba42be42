// Music slots and sound effects by name on the fake: what each command asks
// of the engine, the retry of a failed start and the name lookup.
#include <cstdio>
#include <cstring>

#include "fake_engine_test.h"
#include "world/debug_overlay.h"
#include "world/music.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"

namespace {

// Slot k holds "music/k.ogg" on handle 100 + k with loop point 1000 x k.
class Music : public FakeEngineTest {
  protected:
    void SetUp() override {
        FakeEngineTest::SetUp();
        debug_mode = 1;
        bgm_volume = 1.0;
        for (debug_line& line : debug_log) line = {};
        current_music = -1;
        music_retry_pending = 0;
        reset_music_slots();
        fake_engine::script("LoadSoundFromFile", {100, 101, 102, 103, 104, 105, 106, 107});
        for (int k = 0; k < music_slot_count; ++k) {
            const std::string file = "music/" + std::to_string(k) + ".ogg";
            register_music(("m" + std::to_string(k)).c_str(), file.c_str(), 1000 * k);
        }
        registered = fake_engine::trace();
        fake_engine::reset();
    }
    void TearDown() override {
        debug_mode = 0;
        bgm_volume = 0.5;
    }
    // Track 3 playing, then a fresh record.
    void play_track_3() {
        fake_engine::script("PlaySoundHandle", {0});
        ASSERT_EQ(control_music(music_play, 3, 0), 0);
        fake_engine::reset();
    }
    std::vector<std::string> registered;
};
using MusicDeathTest = Music;
using SoundEffects = FakeEngineTest;

TEST_F(Music, RegisteringFillsTheSlotsInOrderAndANinthFindsNone) {
    ASSERT_EQ(registered.size(), 8u);
    EXPECT_EQ(registered[7], "LoadSoundFromFile(music/7.ogg, 3, -1)");
    const music_slot_record& slot = music_slot[7];
    EXPECT_EQ(slot.index, 7);
    EXPECT_STREQ(slot.name, "m7");
    EXPECT_EQ(slot.state, 2);
    EXPECT_EQ(slot.handle, 107);
    EXPECT_EQ(slot.loop_position, 7000);
    EXPECT_EQ(slot.frequency, 44100);
    EXPECT_EQ(slot.saved_position, -1);
    EXPECT_EQ(register_music("ninth", "music/8.ogg", 0), 0);
    EXPECT_TRUE(fake_engine::calls().empty());
}

TEST_F(MusicDeathTest, AMusicFileThatCannotBeLoadedStopsTheGame) {
    reset_music_slots();
    fake_engine::script("LoadSoundFromFile", {100, -1});
    fake_engine::script("CheckKeyDown", {1});  // ESC on the STOP screen
    register_music("first", "music/0.ogg", 0);
    EXPECT_EXIT(register_music("lost", "music/lost.ogg", 0), testing::ExitedWithCode(1),
                "fake engine: ShutdownEngineLocked");
}

TEST_F(Music, PlayingTheCurrentTrackAgainOnlyRefreshesIt) {
    fake_engine::script("PlaySoundHandle", {0});
    EXPECT_EQ(control_music(music_play, 3, 0), 0);
    EXPECT_EQ(
        fake_engine::trace(),
        (std::vector<std::string>{"SetSoundVolume(255, 103)", "SetSoundLoopPoint(3000, 103)",
                                  "SetSoundFrequency(44100, 103)", "PlaySoundHandle(103, 3, 1)"}));
    fake_engine::reset();
    fake_engine::script("GetSoundPositionSamples", {777});
    EXPECT_EQ(control_music(music_play, 3, 0), 0);
    EXPECT_EQ(fake_engine::trace(), (std::vector<std::string>{"GetSoundPositionSamples(103)",
                                                              "SetSoundVolume(255, 103)"}));
    EXPECT_EQ(music_slot[3].saved_position, 777);
}

TEST_F(Music, SwitchingKeepsThePlayPosition) {
    play_track_3();
    fake_engine::script("GetSoundPositionSamples", {500, 12345});
    fake_engine::script("IsSoundPlaying", {1});
    EXPECT_EQ(control_music(music_switch, 4, 0), 0);
    EXPECT_EQ(fake_engine::trace(),
              (std::vector<std::string>{
                  "GetSoundPositionSamples(103)", "SetSoundVolume(255, 103)",
                  "GetSoundPositionSamples(103)", "IsSoundPlaying(103)", "StopSoundHandle(103)",
                  "SetSoundVolume(255, 104)", "SetSoundLoopPoint(4000, 104)",
                  "SetSoundFrequency(44100, 104)", "SetSoundPositionSamples(12345, 104)",
                  "PlaySoundHandle(104, 3, 1)"}));
    EXPECT_EQ(current_music, 4);
    EXPECT_EQ(music_slot[3].saved_position, -1);
}

TEST_F(Music, VolumeTakesEffectAtTheNextRefresh) {
    play_track_3();
    EXPECT_EQ(control_music(music_volume, 128, 0), 0);
    fake_engine::reset();
    EXPECT_EQ(refresh_music(), 0);
    EXPECT_EQ(fake_engine::trace(), (std::vector<std::string>{"GetSoundPositionSamples(103)",
                                                              "SetSoundVolume(128, 103)"}));
}

TEST_F(Music, CommandsWithoutATrackOrACurrentSlotChangeNothing) {
    struct Row {
        const char* name;
        bool playing;
        int command, track;
        int current_after;
    };
    const Row rows[] = {
        {"play track 8", false, music_play, 8, -1},
        {"play track -1", false, music_play, -1, -1},
        {"switch to track 8", true, music_switch, 8, 3},
        {"switch to track -1", true, music_switch, -1, 3},
        {"volume without a current slot", false, music_volume, 128, -1},
        {"stop with nothing playing", false, music_stop, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        current_music = -1;
        for (music_slot_record& slot : music_slot) slot.volume_factor = 1.0;
        if (row.playing) play_track_3();
        fake_engine::reset();
        EXPECT_EQ(control_music(row.command, row.track, 0), 0);
        EXPECT_EQ(current_music, row.current_after);
        for (const fake_engine::call& c : fake_engine::calls())
            EXPECT_TRUE(c.name == "GetSoundPositionSamples" || c.name == "SetSoundVolume")
                << c.name;
        for (const music_slot_record& slot : music_slot) EXPECT_EQ(slot.volume_factor, 1.0);
    }
}

TEST_F(Music, StoppingReadsThePositionStopsAndClearsTheCurrentSlot) {
    play_track_3();
    fake_engine::script("IsSoundPlaying", {1});
    EXPECT_EQ(control_music(music_stop, 0, 0), 0);
    EXPECT_EQ(fake_engine::trace().back(), "StopSoundHandle(103)");
    EXPECT_EQ(current_music, -1);
    EXPECT_EQ(music_slot[3].saved_position, -1);
}

TEST_F(Music, AFailedStartIsReportedAndRetriedEachFrameUntilItPlays) {
    fake_engine::script("PlaySoundHandle", {-1, -1, 0});
    EXPECT_EQ(control_music(music_play, 5, 9), -1);
    EXPECT_STREQ(debug_log[0].text, "Music not loaded yet, or cannot be loaded!");
    EXPECT_EQ(debug_log[0].lifetime, 25);
    EXPECT_EQ(music_retry_pending, -1);
    EXPECT_EQ(music_retry_argument, 9);
    EXPECT_EQ(refresh_music(), -1);
    EXPECT_EQ(refresh_music(), 0);
    EXPECT_EQ(music_retry_pending, 0);
    fake_engine::reset();
    EXPECT_EQ(refresh_music(), 0);
    EXPECT_EQ(fake_engine::trace(), (std::vector<std::string>{"GetSoundPositionSamples(105)",
                                                              "SetSoundVolume(255, 105)"}));
}

TEST_F(SoundEffects, NamesMatchExactlyFirstThenWithoutTheirFirstCharacter) {
    const char* const names[] = {"xkvorn", "xbang", "bang", "", "zap"};
    for (int k = 0; k < sound_entry_count; ++k) {
        sound_entry[k] = {};
        if (k < 5) std::snprintf(sound_entry[k].name, 256, "%s", names[k]);
        if (k < 5) sound_entry[k].handle = 10 + k;
    }
    se_volume = 0.5;
    struct Row {
        const char* name;
        const char* call;
        int handle;  // -1: no entry
    };
    const Row rows[] = {
        {"extra leading character", "kvorn", 10},
        {"exact match before a longer name", "bang", 12},
        {"exact match", "zap", 14},
        {"two extra characters", "vorn", -1},
        {"unknown", "boom", -1},
        {"empty", "", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake_engine::reset();
        EXPECT_EQ(play_sound_effect(row.call), row.handle == -1 ? -1 : 0);
        std::vector<std::string> expected;
        if (row.handle != -1)
            expected = {"SetSoundVolume(127, " + std::to_string(row.handle) + ")",
                        "PlaySoundHandle(" + std::to_string(row.handle) + ", 1, 1)"};
        EXPECT_EQ(fake_engine::trace(), expected);
    }
    se_volume = 1.0;
}

}  // namespace
