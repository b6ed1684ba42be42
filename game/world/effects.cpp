// Visual effect instances: spawning, following, keyframe interpolation and
// looping.
#include "world/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "DuRud.h"
#include "world/game_random.h"
#include "world/motion.h"
#include "world/sprites.h"

namespace {

bool is_live(const effect_instance_record& e) {
    return e.life > 0 || e.life == effect_life_endless;
}

int free_instance() {
    for (int i = 0; i < effect_instance_count; ++i) {
        const int life = effect_instance[i].life;
        if (life == 0 || life == -1) return i;
    }
    return -1;
}

// The largest end time of the definition's keyframes, -1 when none.
int total_length(const effect_definition_record& d) {
    int total = -1;
    for (int k = 0; k < effect_keyframes; ++k) total = std::max(total, int(d.end_time[k]));
    return total;
}

bool valid_definition(int index) {
    return index >= 0 && index < effect_definition_count;
}

}  // namespace

int find_effect_definition(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < effect_definition_count; ++i) {
        if (std::strcmp(effect_definition[i].name, name) == 0) return i;
    }
    for (int i = 0; i < effect_definition_count; ++i) {
        const char* own = effect_definition[i].name;
        if (own[0] != '\0' && std::strcmp(own + 1, name) == 0) return i;
    }
    return -1;
}

int spawn_effect_by_index(int index, double x, double y, double scale, double vx, double vy,
                          double ax, double ay) {
    if (!valid_definition(index)) return -1;
    const int i = free_instance();
    if (i < 0) return -1;
    effect_instance_record& e = effect_instance[i];
    e = effect_instance_record{};
    e.definition = index;
    e.x = x;
    e.y = y;
    e.scale = scale;
    e.vx = vx;
    e.vy = vy;
    e.ax = ax;
    e.ay = ay;
    e.life = total_length(effect_definition[index]);
    return i;
}

int spawn_effect(const char* name, double x, double y, double scale, double vx, double vy,
                 double ax, double ay) {
    return spawn_effect_by_index(find_effect_definition(name), x, y, scale, vx, vy, ax, ay);
}

int spawn_effect_polar(const char* name, double x, double y, double scale, double angle,
                       double speed, double acceleration) {
    const double c = std::cos(angle * radians_per_degree), s = std::sin(angle * radians_per_degree);
    return spawn_effect(name, x, y, scale, speed * c, speed * s, acceleration * c,
                        acceleration * s);
}

int spawn_burst_particle(const char* name, double x, double y) {
    const double speed = (game_random_draw() & 3) + 12;
    const double angle = game_random_draw() % 360;
    return spawn_effect_polar(name, x, y, 0.5, angle, speed, -0.5);
}

int attach_effect_by_index(int index, entity* e, int life, int loop_frame, double scale,
                           double offset_x, double offset_y) {
    if (!valid_definition(index)) return -1;
    const int i = free_instance();
    if (i < 0) return -1;
    effect_instance_record& r = effect_instance[i];
    // Position and acceleration stay: the follow rule replaces the position.
    r.definition = index;
    r.attached = 1;
    r.followed = e;
    r.vx = offset_x;
    r.vy = offset_y;
    r.scale = scale;
    r.frame = 0;
    r.loop_frame = loop_frame;
    if (life != -1) {
        r.life = life;
    } else {
        r.life = loop_frame == 0 ? total_length(effect_definition[index]) : effect_life_endless;
    }
    return i;
}

int attach_effect(const char* name, entity* e, int life, int loop_frame, double scale,
                  double offset_x, double offset_y) {
    return attach_effect_by_index(find_effect_definition(name), e, life, loop_frame, scale,
                                  offset_x, offset_y);
}

int free_effect(int index) {
    if (index < 0 || index >= effect_instance_count) return -1;
    effect_instance[index] = effect_instance_record{};
    return 0;
}

void reset_effects() {
    for (int i = 0; i < effect_instance_count; ++i) free_effect(i);
}

void release_attached_effects() {
    for (int i = 0; i < effect_instance_count; ++i) {
        if (effect_instance[i].attached && effect_instance[i].followed) free_effect(i);
    }
}

bool effect_is_attached_to(int index, const entity* e) {
    if (index < 0 || index >= effect_instance_count) return false;
    const effect_instance_record& r = effect_instance[index];
    return is_live(r) && r.attached && r.followed == e;
}

void update_effects() {
    DuRud::SetSamplingMode(1);
    for (effect_instance_record& e : effect_instance) {
        if (is_live(e)) step_effect_instance(e);
    }
    DuRud::SetSamplingMode(0);
}

namespace {

void move_instance(effect_instance_record& e) {
    if (e.attached) {
        if (e.followed) {
            e.x = e.followed->x + e.vx;
            e.y = e.followed->y + e.vy;
        }
        return;
    }
    e.x += e.vx;
    e.y += e.vy;
    e.vx += e.ax;
    e.vy += e.ay;
}

// The keyframe playing at the frame, -1 once the animation is over (past the
// last end time, or at an unused slot).
int current_keyframe(const effect_definition_record& d, int frame) {
    for (int k = 0; k < effect_keyframes; ++k) {
        if (d.end_time[k] == -1) return -1;
        if (d.end_time[k] > frame) return k;
    }
    return -1;
}

// A keyframe value by its mode: 1 runs linearly towards the next keyframe
// (the last keyframe has none and holds), anything else steps.
template <class T>
double keyframe_value(const keyframe_values<T>& v, int mode, int k, double t) {
    if (mode != 1 || k + 1 >= effect_keyframes) return v[k];
    return (1 - t) * v[k] + t * v[k + 1];
}

}  // namespace

void step_effect_instance(effect_instance_record& e) {
    if (!valid_definition(e.definition)) {
        free_effect(int(&e - effect_instance));
        return;
    }
    const effect_definition_record& d = effect_definition[e.definition];
    move_instance(e);
    int k = current_keyframe(d, e.frame);
    if (k < 0) {
        // Over: restart at the loop frame once; still over there, it ends.
        e.frame = e.loop_frame;
        move_instance(e);
        k = current_keyframe(d, e.frame);
        if (k < 0) {
            free_effect(int(&e - effect_instance));
            return;
        }
    }
    const int start = k == 0 ? 0 : d.end_time[k - 1];
    const int span = d.end_time[k] - start;
    const double t = span > 0 ? double(e.frame - start) / span : 0.0;
    if (d.hidden[k] == 0) {
        const double scale = keyframe_value(d.scale, d.scale_mode[k], k, t) * e.scale;
        const double angle = keyframe_value(d.angle, d.angle_mode[k], k, t);
        const double alpha = keyframe_value(d.alpha, d.alpha_mode[k], k, t);
        DuRud::SetBlendMode(1, std::isfinite(alpha) ? int(std::clamp(alpha, -1e9, 1e9)) : 0);
        if (d.sprite[k] >= 0) {
            draw_sprite(d.sprite[k], e.x + screen_shake.offset_x, e.y + screen_shake.offset_y,
                        angle, scale);
        }
        DuRud::SetBlendMode(0, 0);
    }
    if (e.life != effect_life_endless) --e.life;
    ++e.frame;
}
