// Pickup effects: what an item does to the player who takes it, the food
// and treasure counters of the whole game, and the stage requests.
#include "world/item_effects.h"

#include "world/affecters.h"
#include "world/game_random.h"
#include "world/items.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr int food_alert_level = 160;
constexpr int big_bonus_level = 150, small_bonus_level = 50;
constexpr uint32_t slowed_fall = flag_slide_left | flag_slide_right;

// Only a player has a food gauge.
void feed(entity* picker, int amount) {
    if (picker && picker->type_code == type_player) {
        if (tesmo* p = as_tesmo(picker)) p->bomb_gauge += amount;
    }
}

void food_counter_step() {
    play_sound_effect(data_names::sound::tesmo_item);
    food_counter += 2;
    if (food_counter == food_alert_level) play_sound_effect(data_names::sound::alert2);
}

void treasure_step(int amount) {
    play_sound_effect(data_names::sound::tesmo_item);
    if (stage_bonus_settled) return;
    const int before = chest_counter;
    chest_counter += amount;
    if (before <= big_bonus_level && chest_counter > big_bonus_level)
        play_sound_effect(data_names::sound::alert3);
    else if (before <= small_bonus_level && chest_counter > small_bonus_level)
        play_sound_effect(data_names::sound::alert1);
}

void request_stage(int target_stage, int target_dimension) {
    stage_change_request.target_stage = target_stage;
    stage_change_request.target_dimension = target_dimension;
    stage_change_request.flag = 1;
}

void spawn_affecter_for(const char* name, entity* picker) {
    spawn_affecter(name, picker ? *picker : entity{}, 0.0, 0.0, 0.0, 0.0);
}

}  // namespace

int open_door(entity*, entity*) {
    play_sound_effect(data_names::sound::opendoor);
    door_open = 1;
    return 0;
}

int onpickup_redbull(entity* picker, entity*) {
    feed(picker, 5);
    food_counter_step();
    return 0;
}

int onpickup_food(entity* picker, entity*) {
    feed(picker, 1);
    food_counter_step();
    return 0;
}

int onpickup_bigfood(entity* picker, entity*) {
    feed(picker, 33);
    play_sound_effect(data_names::sound::tesmo_bigitem);
    return 0;
}

int onpickup_nothing(entity*, entity*) {
    food_counter_step();
    return 0;
}

int onpickup_nothing_mini(entity*, entity*) {
    play_sound_effect(data_names::sound::tesmo_miniitem);
    return 0;
}

int onpickup_bigitem(entity*, entity*) {
    play_sound_effect(data_names::sound::tesmo_bigitem);
    return 0;
}

int allenemy_destroy(entity*, entity*) {
    int flung = 0;
    for (enemy& e : enemies) {
        if (!(e.flags & flag_in_use)) continue;
        e.knock_away((game_random_draw() & 7) * 45 + 22.5, 12);
        ++flung;
    }
    screen_shake.magnitude += 20.0;
    play_sound_effect(data_names::sound::tesmo_item);
    return flung;
}

int powerup(entity* picker, entity*) {
    play_sound_effect(data_names::sound::tesmo_miniitem);
    if (picker) picker->power_up(1);
    return 0;
}

int powerup_8(entity* picker, entity*) {
    play_sound_effect(data_names::sound::tesmo_item);
    if (picker) picker->power_up(4);
    return 0;
}

int powerup_8_mini(entity* picker, entity*) {
    play_sound_effect(data_names::sound::tesmo_miniitem);
    if (picker) picker->power_up(4);
    return 0;
}

int lifefragment(entity* picker, entity*) {
    play_sound_effect(data_names::sound::tesmo_item);
    if (picker) picker->gain_life(1, 0);
    return 0;
}

int extend(entity* picker, entity*) {
    if (picker) picker->gain_life(0, 1);
    return 0;
}

int stage_progression_normal(entity*, entity*) {
    stage_change_request.step = 1;
    stage_change_request.flag = 1;
    return 0;
}

int treasure_chest_1(entity*, entity*) {
    treasure_step(20);
    return 0;
}

int treasure_chest_2(entity*, entity*) {
    treasure_step(80);
    return 0;
}

int treasure_chest_3(entity*, entity*) {
    treasure_step(140);
    return 0;
}

int itempoints_showup(entity*, entity*) {
    play_sound_effect(data_names::sound::tesmo_item);
    play_sound_effect(data_names::sound::warpzone);
    for (itempoint& spot : itempoints) {
        if (spot.flags & flag_in_use) open_itempoint(&spot);
    }
    return 0;
}

int itempoints_search(entity*, entity*) {
    return 0;
}

int heavy_dropper(entity* picker, entity*) {
    spawn_affecter_for("affecter_heavy_dropper", picker);
    return 0;
}

int gravity_weakener(entity*, entity*) {
    stage_info.gravity /= 1.5;
    return 0;
}

int coin_shower(entity* picker, entity*) {
    spawn_affecter_for("affecter_coin_shower", picker);
    return 0;
}

int allenemy_stun(entity*, entity*) {
    for (enemy& e : enemies) {
        if ((e.flags & (flag_in_use | flag_knocked_away | flag_defeated)) != flag_in_use) continue;
        e.flags &= ~slowed_fall;
        e.stun_frames = 720;
    }
    return 0;
}

int teleporter(entity*, entity*) {
    play_sound_effect(data_names::sound::warpzone);
    request_stage(stage, 2);
    return 0;
}

int teleport_back(entity*, entity*) {
    request_stage(stage + 1, 1);
    return 0;
}

int back_to_first(entity*, entity*) {
    request_stage(0, 1);
    return 0;
}

int special_item(entity*, entity*) {
    play_sound_effect(data_names::sound::alert1);
    return 0;
}
