// Move patterns of the ordinary enemies: trollfaces, rabbits, fairies, furballs,
// ghosts and the crazy book. Each returns the sprite frame added to the base sprite.
#include "world/patterns_enemies.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

#include "DuRud.h"

#include "world/bullet.h"
#include "world/bullet_patterns.h"
#include "world/collision_geometry.h"
#include "world/game_random.h"
#include "world/motion.h"
#include "world/name_binding.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

double bossfairy_aim = -1.0;

namespace {

constexpr uint32_t flag_dashing = flag_no_friction;  // 0x100
constexpr uint32_t flag_blink = flag_glow;           // 0x200000
constexpr uint32_t flag_through_blocks = 0x40;
constexpr uint32_t flag_floating_enemy = flag_knock_on_empty;  // 0x10000000

// Dying and knocked-away enemies show the same frames whatever their pattern.
std::optional<int> downed_frame(const entity* e) {
    if (e->flags & flag_defeated) return 10;
    if (e->flags & flag_knocked_away) return walk_cycle_frame(e->tick, e->facing) + 8;
    return std::nullopt;
}

int pose(const entity* e, int n) {
    return e->facing * 4 + n;
}

// Step 6: two poses swapping every 15 ticks.
int flutter(const entity* e) {
    return pose(e, e->tick % 30 >= 15 ? 1 : 0);
}

bool on_ground(const entity* e) {
    return (e->flags & flag_standing) != 0;
}

void face_player(entity* e) {
    e->facing = e->x <= players[0].x ? 1 : 0;
}

void set_blink(entity* e, bool on) {
    if (on)
        e->flags |= flag_blink;
    else
        e->flags &= ~flag_blink;
}

// The direction to the first player in degrees; the fairy keeps it in a
// whole-degree variable, the books aim with the whole value.
double aim_degrees_at_player(const entity* e) {
    return std::atan2(players[0].y - e->y, players[0].x - e->x) * 180 / std::numbers::pi;
}

int aim_at_player(const entity* e) {
    return static_cast<int>(aim_degrees_at_player(e));
}

void fire(const entity* e, int type, int life, int flicker, double angle, double speed) {
    spawn_bullet_by_type(type, life, flicker, e->x, e->y, angle, speed);
}

// Rabbits: the hop chosen by each row, then the frames all of them share.
struct hop_rule {
    int period, phase;
    double dvx, dvy;  // sizes; the sign of dvx follows the direction
    bool scaled_vx, scaled_vy;
};

int rabbit_stunned(entity* e) {
    e->flags &= ~flag_dashing;
    return pose(e, e->tick % 20 > 10 ? 3 : 2);
}

template <typename Direction>
int rabbit(entity* e, const hop_rule& r, Direction direction) {
    if (auto f = downed_frame(e)) return *f;
    if (e->flags & flag_stunned) return rabbit_stunned(e);
    if (on_ground(e) && e->tick % r.period == r.phase) {
        const int d = direction(e);  // +1 right, -1 left
        e->facing = d > 0 ? 1 : 0;
        e->vx += d * r.dvx * (r.scaled_vx ? e->speed_factor : 1.0);
        e->vy -= r.dvy * (r.scaled_vy ? e->speed_factor : 1.0);
        e->flags = (e->flags & ~flag_standing) | flag_dashing;
        return pose(e, 1);
    }
    if (on_ground(e)) {
        e->flags &= ~flag_dashing;
        return pose(e, 0);
    }
    return pose(e, e->vy < 0 ? 1 : 0);
}

int random_way(entity*) {
    return game_random(2) == 0 ? 1 : -1;
}

int towards_player(entity* e) {
    return e->x <= players[0].x ? 1 : -1;
}

int own_way(entity* e) {
    return e->facing == 1 ? 1 : -1;
}

// Step 3: the dash stops on leaving the ground and when its countdown runs out.
void dash_countdown(entity* e) {
    if (!on_ground(e)) {
        e->free_var[0] = 0;
        e->flags &= ~flag_dashing;
    }
    if (e->free_var[0] > 0 && --e->free_var[0] == 0) {
        e->flags &= ~flag_dashing;
        e->vx = 0;
    }
}

void dash(entity* e) {
    e->free_var[0] = 10;
    e->vx = e->facing == 1 ? 3.2 : -3.2;
    e->flags |= flag_dashing;
}

// The fairies' status head: stunned clears the dash and, for the attackers,
// the blink and the dash countdown too.
std::optional<int> fairy_head(entity* e, bool clear_attack) {
    if (auto f = downed_frame(e)) return f;
    if (!(e->flags & flag_stunned)) return std::nullopt;
    e->flags &= ~flag_dashing;
    if (clear_attack) {
        e->flags &= ~flag_blink;
        e->free_var[0] = 0;
    }
    return pose(e, 2);
}

struct volley {
    int life;
    double speed;
};

// Step 4's approach: 46 frames near an upright player start a 75-frame attack.
void approach(entity* e) {
    const tesmo& p = players[0];
    const double dx = p.x - e->x, dy = p.y - e->y;
    if (dx * dx + dy * dy < 22500 && !(p.flags & flag_stunned)) {
        if (++e->free_var[1] == 46) e->free_var[2] = 75, e->free_var[1] = 0;
    } else {
        e->free_var[1] = 0;
    }
}

// Step 5: blink, aim at 15, then a shot on every third count down to 0.
void attack(entity* e, const volley& v) {
    const int count = --e->free_var[2];
    set_blink(e, count > 15 && count % 6 < 2);
    if (count == 15) e->free_var[3] = aim_at_player(e);
    if (count < 15 && count % 3 == 0) {
        play_sound_effect(data_names::sound::enemyshot1);
        fire(e, 0, v.life, 0, e->free_var[3], v.speed);
    }
}

int shooting_fairy(entity* e, const volley& v, bool dashes) {
    if (auto f = fairy_head(e, true)) return *f;
    face_player(e);
    dash_countdown(e);
    if (e->free_var[2] < 1) {
        if (dashes && e->tick % 80 == 0 && on_ground(e) && e->free_var[1] == 0) dash(e);
        approach(e);
    } else {
        attack(e, v);
    }
    return flutter(e);
}

template <typename Direction>
int dashing_fairy(entity* e, Direction direction) {
    if (auto f = fairy_head(e, false)) return *f;
    dash_countdown(e);
    if (e->tick % 80 == 0 && on_ground(e)) {
        e->facing = direction(e) > 0 ? 1 : 0;
        dash(e);
    }
    return flutter(e);
}

int coin_flip_way(entity*) {
    return game_random(2) != 0 ? -1 : 1;
}

int ahead(const entity* e) {
    return e->facing == 1 ? 1 : -1;
}

void turn_round(entity* e) {
    e->facing = 1 - e->facing;
}

// A box by centre and size that meets an active block; shut blocks (0x80) are out of play.
bool block_in_box(double x, double y, double w, double h) {
    entity probe;
    probe.flags = flag_in_use, probe.x = x, probe.y = y, probe.hit_w = w, probe.hit_h = h;
    for (const block& b : blocks)
        if ((b.flags & (flag_in_use | flag_falling_out)) == flag_in_use &&
            entities_overlap(probe, b))
            return true;
    return false;
}

bool wall_ahead(const entity* e, double size) {
    return block_in_box(e->x + e->hit_w / 2 * ahead(e), e->y, size, size);
}

// Walks floors at 1.25 px a frame, turning at walls and at ledges.
void walk_floor(entity* e) {
    const int d = ahead(e);
    if (wall_ahead(e, 2) || !block_in_box(e->x + e->hit_w / 2 * d, e->y + e->hit_h / 2, 2, 2))
        turn_round(e);
    else
        e->vx = d * 1.25 * e->speed_factor;
}

// Player 0 upright on the enemy's row of the stage, with no active block between them.
bool clear_line_to_player(const entity* e) {
    const tesmo& p = players[0];
    entity row;
    row.flags = flag_in_use, row.type_code = e->type_code, row.x = e->x, row.y = e->y;
    row.hit_w = stage_info.width, row.hit_h = 8;
    if (!entities_overlap(row, p) || (p.flags & flag_defeated)) return false;
    return !block_in_box((e->x + p.x) / 2, (e->y + p.y) / 2, std::fabs(p.x - e->x), 8);
}

double squared_distance_to_player(const entity* e) {
    const double dx = players[0].x - e->x, dy = players[0].y - e->y;
    return dx * dx + dy * dy;
}

// Books and the boss fairy hover once they have touched ground.
void hover(entity* e) {
    if (on_ground(e)) e->flags |= flag_no_gravity;
    e->flags |= flag_floating_enemy;
}

struct book_shot {
    double range_sq;
    void (*fire)(const entity* e, double aim);
};

void shotgun(const entity* e, double aim) {
    for (int i = 0; i < 20; ++i) {
        const double speed = 4.0 + game_random(5);
        fire(e, 0, 60, 0, aim - 20 + game_random(40), speed);
    }
}

void sniper_line(const entity* e, double aim) {
    for (int speed = 5; speed <= 13; ++speed) fire(e, 0, 90, 0, aim, speed);
}

// The book lifts while it gathers its shot, and kicks back after firing.
double book_recoil(int count) {
    if (count > 42 || count < 3) return 0;
    return count > 15 ? -2.0 : (count - 3) / 4.0;
}

int book(entity* e, const book_shot& shot) {
    if (auto f = downed_frame(e)) {
        e->draw_dy = 0;
        return *f;
    }
    if (e->flags & flag_stunned) {
        e->draw_dy = 0;
        e->flags &= ~flag_dashing;
        return pose(e, 2);
    }
    hover(e);
    e->flags &= ~flag_blink;
    if (e->free_var[0] < 1) {
        if (e->free_var[1] >= 1) {
            --e->free_var[1];
        } else if (squared_distance_to_player(e) < shot.range_sq && clear_line_to_player(e)) {
            e->free_var[0] = 45;
            face_player(e);
        }
    }
    if (e->free_var[0] > 0) {
        e->free_var[1] = 60;
        const int count = --e->free_var[0];
        set_blink(e, count > 20 && count % 6 < 2);
        if (count == 15) {
            play_sound_effect(data_names::sound::enemyheavyshot1);
            shot.fire(e, aim_degrees_at_player(e));
        }
        e->draw_dy = book_recoil(count);
    }
    return flutter(e);
}

}  // namespace

int move_pattern_trollface_movearound(entity* self) {
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) return pose(self, 3);
    return pose(self, self->tick % 9 / 3);
}

int move_pattern_trollface_turret(entity* self) {
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) return pose(self, 3);
    if (self->tick % 10 == 0) {
        const double t = self->tick;
        fire(self, 0, 30, 1, t, 10.0);
        fire(self, 1, 30, 0, t + 90, 10.0);
        fire(self, 0, 30, 1, t + 180, 10.0);
        fire(self, 0, 30, 1, t + 270, 10.0);
    }
    return pose(self, self->tick % 10 < 4 ? 2 : 0);
}

int move_pattern_rabbit_idle(entity* self) {
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) return rabbit_stunned(self);
    return pose(self, 0);
}

int move_pattern_rabbit_movearound(entity* self) {
    return rabbit(self, {100, 80, 3, 6, true, true}, random_way);
}

int move_pattern_rabbit_follow(entity* self) {
    return rabbit(self, {100, 80, 3, 6, false, false}, towards_player);
}

int move_pattern_rabbit_shoots(entity* self) {
    const int frame = rabbit(self, {100, 80, 2, 5, false, true}, random_way);
    const bool upright = !(self->flags & (flag_defeated | flag_knocked_away | flag_stunned));
    if (upright && !on_ground(self) && self->vy >= 0 && self->tick % 4 == 0) {
        fire(self, 1, 45, 0, 0, 7.5);
        fire(self, 1, 45, 0, 180, 7.5);
    }
    return frame;
}

int move_pattern_rabbit_walkfollow(entity* self) {
    return rabbit(self, {30, 10, 2, 3, true, true}, towards_player);
}

int move_pattern_rabbit_move1way(entity* self) {
    return rabbit(self, {100, 80, 3, 6, true, true}, own_way);
}

int move_pattern_fairy_movearound(entity* self) {
    return dashing_fairy(self, coin_flip_way);
}

int move_pattern_fairy_follow(entity* self) {
    return dashing_fairy(self, towards_player);
}

int move_pattern_fairy_shoots(entity* self) {
    return shooting_fairy(self, {45, 6.0}, true);
}

int move_pattern_fairy_turret(entity* self) {
    return shooting_fairy(self, {45, 6.0}, false);
}

int move_pattern_fairy_gazer(entity* self) {
    if (auto f = fairy_head(self, true)) return *f;
    face_player(self);
    return flutter(self);
}

int move_pattern_furball_bounce(entity* self) {
    constexpr uint32_t bouncing =
        flag_knockback_state | flag_knocked_back | flag_deep_chain | flag_dashing | flag_no_gravity;
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) {
        self->flags &= ~bouncing;
        return pose(self, 2);
    }
    self->flags |= bouncing;
    if (std::fabs(self->vx) < 1 || std::fabs(self->vy) < 1) {
        const double a = (game_random(4) * 90.0 + 45) * radians_per_degree;
        self->vx = std::cos(a) * 2.5 * self->speed_factor;
        self->vy = std::sin(a) * 2.5 * self->speed_factor;
    }
    if (self->vx < 0) self->facing = 0;
    if (self->vy < 0) self->facing = 1;
    return flutter(self);
}

int move_pattern_furball_shoots(entity* self) {
    return shooting_fairy(self, {30, 4.0}, true);
}

int move_pattern_ghost_follow(entity* self) {
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) {
        self->flags &= ~(flag_no_gravity | flag_blink);
        return pose(self, 2);
    }
    self->flags |= flag_through_blocks | flag_no_gravity;
    const double dx = players[0].x - self->x, dy = players[0].y - self->y;
    const double len = std::hypot(dx, dy), v = 1.5 * self->speed_factor;
    self->vx = len > 0 ? v * dx / len : 0;
    self->vy = len > 0 ? v * dy / len : v;
    self->facing = self->vx >= 0 ? 1 : 0;
    return flutter(self);
}

int move_pattern_book_crazyturret(entity* self) {
    if (self->flags & (flag_defeated | flag_knocked_away | flag_stunned)) {
        self->draw_dy = 0;
        return 16;
    }
    if (on_ground(self)) self->flags |= flag_no_gravity;
    self->flags |= flag_floating_enemy;
    for (int i = 0; i < 3; ++i) fire(self, 0, 10, 0, game_random(360), 10.0);
    self->draw_dy = self->tick % 16 < 8 ? 2.0 : 0;
    return self->facing * 8;
}

int move_pattern_fairy_movearound_floor(entity* self) {
    if (auto f = fairy_head(self, false)) return *f;
    walk_floor(self);
    return flutter(self);
}

int move_pattern_furball_charge(entity* self) {
    if (auto f = fairy_head(self, false)) return *f;
    const int d = ahead(self);
    const double charge_speed = d * 8.0 * self->speed_factor;
    if (self->free_var[1] == 1) {
        // Below 8 px a frame the charge is spent (a slow furball only hops).
        if (std::fabs(self->vx) >= 8.0) {
            self->vx = charge_speed;
        } else {
            self->flags &= ~flag_dashing;
            self->free_var[1] = 0;
            screen_shake.magnitude += 3;
            self->vy -= 3;
        }
    } else if (self->free_var[0] > 0) {
        self->vx = 0;
        const int count = --self->free_var[0];
        set_blink(self, count > 0 && count % 6 < 2);
        if (count == 0) {
            self->flags |= flag_dashing;
            self->free_var[1] = 1;
            self->vx = charge_speed;
        }
    } else {
        walk_floor(self);
        if (clear_line_to_player(self)) {
            self->free_var[0] = 36;
            self->vx = 0;
            face_player(self);
        }
    }
    return flutter(self);
}

int move_pattern_furball_upaway(entity* self) {
    if (auto f = downed_frame(self)) return *f;
    if (self->flags & flag_stunned) {
        self->flags &= ~(flag_dashing | flag_no_gravity);
        return pose(self, 2);
    }
    self->flags |= flag_no_gravity;
    if (wall_ahead(self, 2)) {
        turn_round(self);
    } else {
        self->vx = 2 * ahead(self) * self->speed_factor;
        self->vy = -2 * self->speed_factor;
    }
    return flutter(self);
}

int move_pattern_book_shotgun(entity* self) {
    return book(self, {40000, shotgun});
}

int move_pattern_book_sniper(entity* self) {
    return book(self, {360000, sniper_line});
}

namespace {

// The enemy list's row of the fairy's furballs; null when the data has none.
const enemy_type_record* furball_type() {
    const char* name = DuRud::Cp932Text(data_names::type::furball);
    const int rows = std::min(enemy_type_count, enemy_type_capacity);
    for (int i = 0; i < rows; ++i)
        if (std::strcmp(enemy_types[i].name, name) == 0) return &enemy_types[i];
    return nullptr;
}

// A furball in a free slot, as a placed one of its type starts, with its own
// pattern, speed factor and velocity.
void start_furball(enemy& m, const entity& fairy, const enemy_type_record& t, const char* pattern,
                   double speed_factor, double vx, double vy) {
    reset_enemy(&m);
    m.stun_frames = m.invulnerable_frames = m.tag_frames = 0;
    m.stun_effect = -1;
    m.flags = flag_in_use;
    m.x = fairy.x;
    m.y = fairy.y;
    m.vx = vx;
    m.vy = vy;
    m.sprite_base = t.sprite_base;
    take_type_hitbox(m, t);
    m.points = t.points;
    m.health = m.health_max = static_cast<int32_t>(t.health * 1.25);
    m.facing = static_cast<int32_t>(game_random(2));
    m.speed_factor = speed_factor;
    m.move_pattern = bind_behaviour(move_pattern_table, pattern, {third_step::none}).handler;
}

// One or two furballs from the fairy, unless eight enemies are about already;
// the shared aim turns to its nearest lower multiple of 45 degrees.
void call_furballs(const entity* fairy) {
    int about = 0;
    for (enemy& e : enemies) {
        if ((e.flags & flag_in_use) && ++about == 11) break;
    }
    if (about >= 8) return;
    const enemy_type_record* type = furball_type();
    if (!type) return;
    const int count = 1 + static_cast<int>(game_random_draw() & 1);
    bossfairy_aim = std::trunc(bossfairy_aim / 45.0) * 45.0;
    const double a = bossfairy_aim * std::numbers::pi / 180;
    int made = 0;
    for (enemy& m : enemies) {
        if (made == count) break;
        if (m.flags & flag_in_use) continue;
        if (made++ == 0)
            start_furball(m, *fairy, *type, "move_pattern_furball_bounce", 1.4, 0, 0);
        else
            start_furball(m, *fairy, *type, "move_pattern_furball_charge", 1.2, 13 * std::cos(a),
                          13 * std::sin(a));
    }
}

}  // namespace

int move_pattern_bossfairy(entity* self) {
    if (auto f = fairy_head(self, false)) return *f;
    hover(self);
    if (wall_ahead(self, 4))
        turn_round(self);
    else
        self->vx = 3.0 * ahead(self);
    const int t = self->tick;
    if (t % 150 == 0)
        bossfairy_aim =
            std::atan2(players[0].y - self->y, players[0].x - self->x) * 180 / std::numbers::pi;
    set_blink(self, t % 150 < 18 && bossfairy_aim != -1.0 && t % 6 < 2);
    if (t % 300 >= 18 && t % 300 < 36 && t % 3 == 0) {
        play_sound_effect(data_names::sound::enemyheavyshot1);
        for (double spread : {-35, -20, -5, 5, 20, 35})
            fire(self, 0, 45, 0, bossfairy_aim + spread, 6.0);
    }
    if (t % 300 == 170) call_furballs(self);
    return flutter(self);
}
