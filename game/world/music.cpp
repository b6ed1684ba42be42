// Music slots: registration, the play / switch / volume / stop commands and
// the per-frame refresh with the retry of a failed start.
#include "world/music.h"

#include <cstdio>

#include "DuRud.h"
#include "world/debug_overlay.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

constinit music_slot_record music_slot[music_slot_count];
constinit int current_music = -1;
constinit int music_retry_pending = 0;
constinit int music_retry_track = 0;
constinit int music_retry_argument = 0;

namespace {

constexpr uint32_t music_load_failure = 0x55555000;
constexpr int play_loop = 3;

bool is_track(int track) {
    return track >= 0 && track < music_slot_count;
}

music_slot_record* current_slot() {
    return is_track(current_music) ? &music_slot[current_music] : nullptr;
}

int slot_volume(const music_slot_record& slot) {
    return static_cast<int>(bgm_volume * 255.0 * slot.volume_factor);
}

// Stores the current slot's position and applies its volume.
void refresh_current() {
    if (music_slot_record* slot = current_slot()) {
        slot->saved_position = DuRud::GetSoundPositionSamples(slot->handle);
        DuRud::SetSoundVolume(slot_volume(*slot), slot->handle);
    }
}

void stop_current() {
    if (music_slot_record* slot = current_slot()) {
        if (DuRud::IsSoundPlaying(slot->handle) == 1) DuRud::StopSoundHandle(slot->handle);
        slot->saved_position = -1;
    }
}

// Makes track current at full factor and readies it to play.
music_slot_record& make_current(int track) {
    current_music = track;
    music_slot_record& slot = music_slot[track];
    slot.volume_factor = 1.0;
    DuRud::SetSoundVolume(slot_volume(slot), slot.handle);
    DuRud::SetSoundLoopPoint(slot.loop_position, slot.handle);
    DuRud::SetSoundFrequency(slot.frequency, slot.handle);
    return slot;
}

int play(int track, int argument) {
    const bool retrying = music_retry_pending == -1 && music_retry_track == track;
    if (!is_track(track) || (track == current_music && !retrying)) return 0;
    stop_current();
    music_slot_record& slot = make_current(track);
    music_retry_pending = 0;
    if (DuRud::PlaySoundHandle(slot.handle, play_loop, 1) != -1) return 0;
    add_debug_message("Music not loaded yet, or cannot be loaded!", 25);
    music_retry_track = track;
    music_retry_argument = argument;
    music_retry_pending = -1;
    return -1;
}

int switch_keeping_position(int track) {
    if (!is_track(track) || track == current_music) return 0;
    const music_slot_record* old = current_slot();
    const int position = old ? DuRud::GetSoundPositionSamples(old->handle) : 0;
    stop_current();
    music_slot_record& slot = make_current(track);
    DuRud::SetSoundPositionSamples(position, slot.handle);
    DuRud::PlaySoundHandle(slot.handle, play_loop, 1);
    return 0;
}

void stop() {
    if (const music_slot_record* slot = current_slot())
        DuRud::GetSoundPositionSamples(slot->handle);
    stop_current();
    current_music = -1;
}

}  // namespace

void reset_music_slots() {
    for (music_slot_record& slot : music_slot) slot = music_slot_record{};
}

int register_music(const char* name, const char* file, int loop_position) {
    for (int k = 0; k < music_slot_count; ++k) {
        music_slot_record& slot = music_slot[k];
        if (slot.index != -1) continue;
        slot.index = k;
        std::snprintf(slot.name, sizeof(slot.name), "%s", name ? name : "");
        std::snprintf(slot.file, sizeof(slot.file), "%s", file ? file : "");
        slot.state = 2;
        slot.handle = DuRud::LoadSoundFromFile(slot.file, 3, -1);
        if (slot.handle == -1)
            stop_screen(stop_file_load_error, music_load_failure, static_cast<uint32_t>(k), 0, 0);
        slot.volume_factor = 1.0;
        slot.loop_position = loop_position;
        slot.frequency = 44100;
        slot.saved_position = -1;
        return 0;
    }
    return 0;
}

int control_music(int command, int track, int argument) {
    refresh_current();
    switch (command) {
        case music_play:
            return play(track, argument);
        case music_switch:
            return switch_keeping_position(track);
        case music_volume:
            if (music_slot_record* slot = current_slot()) slot->volume_factor = track / 255.0;
            return 0;
        case music_stop:
            stop();
            return 0;
        default:
            if (music_retry_pending == -1)
                return control_music(music_play, music_retry_track, music_retry_argument);
            return 0;
    }
}

int refresh_music() {
    refresh_current();
    if (music_retry_pending == -1)
        return control_music(music_play, music_retry_track, music_retry_argument);
    return 0;
}
