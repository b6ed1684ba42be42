// Enemy bullets: motion programmes, the shrink at the end of life, spin.
#include "world/bullet.h"

#include <cmath>

#include "world/game_random.h"
#include "world/motion.h"
#include "world/pools.h"
#include "world/sprites.h"
#include "world/world_globals.h"

namespace {

constexpr uint32_t flag_shrinking = flag_falling_out;

bullet* take_bullet_slot(int* index) {
    for (int i = 0; i < bullets.size; ++i) {
        if (!(bullets[i].flags & flag_in_use)) return &bullets[*index = i];
    }
    // A full pool gives up the first bullet that is shrinking away.
    for (int i = 0; i < bullets.size; ++i) {
        if (bullets[i].life < 0) return &bullets[*index = i];
    }
    return nullptr;
}

}  // namespace

int update_bullet(bullet* b) {
    b->pattern_result = b->move_pattern(b);
    if (--b->life <= 0) {
        b->draw_scale *= 0.6;
        b->flags |= flag_shrinking;
        if (b->life < -5) b->flags &= ~flag_in_use;
    }
    if (b->motion == 0) {
        b->x += std::cos(b->heading * radians_per_degree) * b->speed;
        b->y += std::sin(b->heading * radians_per_degree) * b->speed;
        b->heading += b->turn;
        b->turn += b->turn_accel;
        b->speed += b->accel;
        b->accel += b->accel_change;
        b->cvx = std::cos(b->heading * radians_per_degree) * b->speed;
        b->cvy = std::sin(b->heading * radians_per_degree) * b->speed;
    } else if (b->motion == 1) {
        b->x += b->cvx;
        b->cvx += b->cax;
        b->cax += b->cjx;
        b->y += b->cvy;
        b->cvy += b->cay;
        b->cay += b->cjy;
    }
    return b->interaction(b, b);
}

int draw_bullet(bullet* b) {
    if (b->sprite_base == -1) return 0;
    float angle = 0;
    if (b->spin_mode == 1) {
        angle = static_cast<float>(b->heading + 180);
    } else if (b->spin_mode == 2) {
        angle = b->spin;
        b->spin += b->spin_speed;
        b->spin_speed += b->spin_accel;
    }
    const bool next_frame = b->flicker && (b->tick % 6) / 3 == 1;
    if (!next_frame) return draw_entity(b, angle);
    ++b->pattern_result;
    const int drawn = draw_entity(b, angle);
    --b->pattern_result;
    return drawn;
}

int spawn_bullet(int life, int flicker, int sprite, int spin_mode, double x, double y, double hit_w,
                 double hit_h, double heading, double speed, double turn, double accel,
                 double turn_accel, double accel_change) {
    int index = -1;
    bullet* b = take_bullet_slot(&index);
    if (!b) return -1;
    reset_entity(b);
    b->spare_byte = 0;
    b->flags = flag_in_use | flag_no_friction | flag_no_gravity | flag_knocked_back;
    b->flags2 = 0;
    b->hit_w = hit_w;
    b->hit_h = hit_h;
    b->sprite_base = sprite;
    b->x = x;
    b->y = y;
    b->life = life;
    b->flicker = flicker;
    b->motion = 0;
    b->move_pattern = move_pattern_default;
    // A reused slot must not carry its last bullet's cartesian programme or spin.
    b->cvx = b->cvy = b->cax = b->cay = b->cjx = b->cjy = 0;
    b->spin = b->spin_speed = b->spin_accel = 0;
    b->spin_mode = spin_mode;
    if (spin_mode == 2) {
        b->spin = static_cast<float>(game_random(360));
        b->spin_speed = static_cast<float>(static_cast<int>(game_random_draw() & 15) - 8);
    }
    b->heading = heading;
    b->speed = speed;
    b->turn = turn;
    b->accel = accel;
    b->turn_accel = turn_accel;
    b->accel_change = accel_change;
    return index;
}

int spawn_bullet_by_type(int type, int life, int flicker, double x, double y, double heading,
                         double speed) {
    if (type < 0 || type >= bullet_type_capacity || type >= bullet_type_count) return -2;
    const bullet_type_record& t = bullet_types[type];
    if (t.code == -1) return -2;
    return spawn_bullet(life, flicker, t.sprite_base, t.extra, x, y, t.hit_w, t.hit_h, heading,
                        speed, 0, 0, 0, 0);
}

void step_bullet(bullet* b) {
    advance_object(b);  // tick and wrap
    apply_entity_physics(b);
    update_bullet(b);
}
