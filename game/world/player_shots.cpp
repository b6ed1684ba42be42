// The player's shots (crackers): the shot table, the spawners and the
// cracker's step of the stage frame.
#include <cmath>

#include "world/motion.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/data_names.h"

namespace {

struct shot_row {
    int max_live;
    double speed;
    int damage, second_damage, remaining_life;
    double hitbox;
};

// Row = shot kind x 5 + power level; the game only uses kind 0.
constexpr shot_row shot_table[20] = {
    {2, 9, 45, 15, 13, 16},    {3, 9, 55, 20, 13, 18},    {3, 10, 65, 25, 13, 20},
    {4, 10, 80, 30, 14, 24},   {5, 11, 90, 35, 14, 24},   {6, 7, 133, 7, 10, 16},
    {7, 9, 133, 9, 11, 18},    {8, 11, 133, 11, 12, 20},  {9, 13, 133, 13, 13, 24},
    {10, 15, 133, 15, 14, 24}, {5, 8, 30, 10, 10, 16},    {5, 8, 35, 11, 11, 18},
    {7, 9, 40, 12, 12, 20},    {7, 9, 50, 13, 13, 24},    {7, 9, 60, 14, 14, 24},
    {99, 12, 100, 20, 20, 16}, {99, 12, 105, 25, 25, 18}, {99, 12, 110, 30, 30, 20},
    {99, 12, 115, 35, 35, 24}, {99, 12, 120, 50, 50, 24},
};
constexpr int first_shot_sprite = data_names::sprite::player_shot;

}  // namespace

int fire_player_shots(tesmo* p, double angle) {
    return spawn_player_shot(p->shot_kind, player_number(p), player_power_level(p, -1, false), p->x,
                             p->y, angle);
}

int spawn_player_shot(int kind, int owner, int level, double x, double y, double angle) {
    if (kind < 0 || kind > 3 || level < 0 || level > 4) return 0;
    const int row = kind * 5 + level;
    const shot_row& r = shot_table[row];
    int live = 0;
    for (cracker& c : crackers)
        if ((c.flags & flag_in_use) && c.owner == owner) ++live;
    if (live >= r.max_live) return 0;
    play_sound_effect(data_names::sound::tesmoshot);
    return spawn_cracker(r.damage, r.second_damage, r.remaining_life, owner,
                         first_shot_sprite + row, x, y, r.hitbox, r.hitbox, angle, r.speed);
}

int spawn_cracker(int damage, int second_damage, int remaining_life, int owner, int sprite,
                  double x, double y, double hit_w, double hit_h, double angle, double speed) {
    for (int i = 0; i < crackers.size; ++i) {
        cracker& c = crackers[i];
        if (c.flags & flag_in_use) continue;
        c.flags = flag_in_use | flag_no_friction | flag_knockback_state;
        c.flags2 = 0;
        c.sprite_base = sprite;
        c.x = x;
        c.y = y;
        c.hit_w = hit_w;
        c.hit_h = hit_h;
        c.vx = std::cos(angle * radians_per_degree) * speed;
        c.vy = std::sin(angle * radians_per_degree) * speed;
        c.damage = damage;
        c.second_damage = second_damage;
        c.remaining_life = remaining_life;
        c.owner = owner;
        return i;
    }
    return -1;
}

void step_cracker(cracker* c) {
    ++c->tick;
    wrap_entity_position(c);
    apply_entity_physics(c);
    if (c->remaining_life < 0) c->flags &= ~flag_in_use;  // still moves this frame
    c->x += c->vx;
    c->y += c->vy;
    --c->remaining_life;
    c->interaction(c, c);
}
