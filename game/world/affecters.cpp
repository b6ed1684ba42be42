// The affecter handlers: the player's bomb, the heavy weight an item drops
// and the border that fences an arena. They act on the pools' entities; the
// record's entity is only a copy of whoever started them.
#include "world/affecters.h"

#include "world/draw_queue.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/motion.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t slowed_fall = flag_slide_left | flag_slide_right;

bool standing_enemy(const enemy& e) {
    return (e.flags & (flag_in_use | flag_knocked_away | flag_defeated)) == flag_in_use;
}

// The bomb's blast: four waves, one every five frames.
void bomb_wave(const entity& bomber) {
    for (enemy& e : enemies) {
        if (!standing_enemy(e)) continue;
        e.take_damage(100);
        if ((e.flags & flag_stunned) || e.health < 0) {
            e.flags &= ~slowed_fall;
            e.stun_frames = 900;
        }
        for (int n = 0; n < 6; ++n)
            spawn_burst_particle(data_names::effect::small_particle_darkball, e.x, e.y);
    }
    spawn_effect(data_names::effect::tesmo_bomb, bomber.x, bomber.y, 1.0, 0, 0, 0, 0);
}

constexpr int weight_picture = data_names::sprite::heavy_weight, weight_layer = 110,
              weight_strike = 40;

// The weight lands: everyone is stunned, every enemy flung out for nothing.
void weight_strikes() {
    for (tesmo& p : players) {
        p.flags &= ~slowed_fall;
        ++p.stun_count;
        p.stun_frames = 180;
    }
    for (enemy& e : enemies) {
        if ((e.flags & (flag_in_use | flag_defeated)) != flag_in_use) continue;
        e.points = 0;
        e.vx = e.vy = 0;
        e.facing = 0;
        e.knock_away(game_random_draw() % 360, 20);
        e.chain_level = -1;  // the payout pays nothing for it
        e.flags |= flag_defeated;
        e.health = 0;
    }
    screen_shake.magnitude += 100.0;
}

}  // namespace

int affecter_default(affecter*, entity*) {
    return -1;
}

int affecter_tesmobomb(affecter* record, entity* carried) {
    const int t = record->tick;
    if (t == 1) play_sound_effect(data_names::sound::tesmo_bomb1);
    if (t == 1 || t == 6 || t == 11 || t == 16) bomb_wave(*carried);
    return t < 21 ? 0 : -1;
}

int affecter_coin_shower(affecter*, entity*) {
    return 0;
}

int affecter_heavy_dropper(affecter* record, entity*) {
    const int t = record->tick;
    if (t == 1) {
        record->work[0] = 0;
        if (game_random_draw() % 20 == 0) {
            game_random(4);  // drawn and unused: the rare variant's own roll
            record->work[0] = 1;
        }
    }
    if (t == weight_strike) weight_strikes();
    const bool shown = t <= 120 || (t <= 180 && t % 6 < 3);
    if (shown) {
        const double y = t < weight_strike ? t * 13.4 - 268.0 : 268.0;
        queue_sprite(weight_picture + record->work[0], weight_layer, 0, 400.0, y, 0, 1.0, 0, 0);
    }
    return t < 181 ? 0 : -1;
}

int affecter_absolute_border(affecter*, entity* carried) {
    const entity& a = *carried;
    const int left = static_cast<int>(a.x - a.hit_w / 2 + a.hit_dx);
    const int right = static_cast<int>(a.x + a.hit_w / 2 + a.hit_dx);
    const int top = static_cast<int>(a.y - a.hit_h / 2 + a.hit_dy);
    const int bottom = static_cast<int>(a.y + a.hit_h / 2 + a.hit_dy);
    stage_info.horizontal_wrap = stage_info.vertical_wrap = 0;
    auto clamp = [&](entity& e) { clamp_entity_position(&e, left, right, top, bottom); };
    for (enemy& e : enemies) {
        if (standing_enemy(e)) clamp(e);
    }
    for (item& i : items) {
        if (i.flags & flag_in_use) clamp(i);
    }
    for (cracker& c : crackers) {
        if (c.flags & flag_in_use) clamp(c);
    }
    for (tesmo& p : players) {
        if ((p.flags & (flag_in_use | flag_knocked_away | flag_defeated)) == flag_in_use) clamp(p);
    }
    for (bullet& b : bullets) {
        if (b.flags & flag_in_use) clamp(b);
    }
    return 0;
}
