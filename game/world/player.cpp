// The player character: state, hits and misses, respawn, power, lives, score.
#include "world/player.h"

#include <cmath>
#include <cstdint>
#include <iterator>

#include "world/action_queue.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/input_polling.h"
#include "world/items.h"
#include "world/motion.h"
#include "world/pools.h"
#include "world/popups.h"
#include "world/sound_effects.h"
#include "world/text_format.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t cling_flags = flag_slide_left | flag_slide_right;
constexpr int fall_out_frames = 160;  // counted down twice per frame
constexpr int lives_at_start = 2;
constexpr int fragments_per_life = 7;

void popup(const tesmo* p, const char* format, int value, int life, int r, int g, int b, int r2,
           int g2, int b2, double scale) {
    char text[16];
    format_text_16(text, format, value);
    add_popup_text(static_cast<int>(p->x), static_cast<int>(p->y), text, life, r, g, b, r2, g2, b2,
                   scale);
}

// Power items flung out of a miss: 4 units per big one, 1 per small one.
void scatter_power(const tesmo* p, int units) {
    while (units > 0) {
        const bool big = units > 6 && game_random(3) == 0;
        units -= big ? 4 : 1;
        const double angle = game_random(360);
        const double speed = 5 + game_random(16);
        const int slot = spawn_item(big, p->x, p->y, angle, speed);
        if (slot >= items.size) continue;
        items[slot].vx += p->vx / 1.4;
        items[slot].vy += p->vy / 1.9;
    }
}

// The score bonus of power beyond the cap, by the excess.
int excess_bonus(int excess) {
    static constexpr int bonus[] = {0,   5,   10,  15,  20,  25,  30,  35,  40,
                                    45,  50,  60,  70,  80,  90,  100, 110, 120,
                                    130, 140, 150, 160, 175, 190, 210, 230, 250};
    return excess < static_cast<int>(std::size(bonus)) ? bonus[excess] : 250;
}

}  // namespace

int player_power_level(const tesmo* p, int power, bool percent) {
    const int pw = power == -1 ? (p ? p->power : 0) : power;
    struct band {
        int level, floor, next;
    };
    // Levels by power / 16: 0; 1-2; 3-4; 5-7; 8 and over (16, 48, 80, 128).
    static constexpr band bands[] = {{0, 0, 16}, {1, 16, 48}, {2, 48, 80}, {3, 80, 128}};
    const int sixteenths = pw / 16;
    const int level = sixteenths <= 0   ? 0
                      : sixteenths <= 2 ? 1
                      : sixteenths <= 4 ? 2
                      : sixteenths <= 7 ? 3
                                        : 4;
    if (!percent) return level;
    if (level == 4) return 100;
    const band& b = bands[level];
    return static_cast<int>(100 - (b.next - int64_t{pw}) * 100 / (b.next - b.floor));
}

int player_number(const entity* p) {
    for (int i = 0; i < players.size; ++i)
        if (p == &players[i]) return i;
    return -1;
}

void update_action_input(tesmo* p) {
    for (int a = 0; a < 8; ++a) {
        const bool down = key_counter(p->key_codes[a]).held >= 1 ||
                          (p->pad >= 0 && pad_button_counter(p->pad, p->pad_buttons[a]).held >= 1);
        if (down) {
            ++p->held[a];
            p->released[a] = 0;
        } else {
            p->released[a] = p->held[a];
            p->held[a] = 0;
        }
    }
}

void reset_player(tesmo* p) {
    p->flags |= flag_in_use;
    p->lives = lives_at_start;
    p->life_fragments = 0;
    p->score = 0;
    p->power = 0;
    p->power_cap = 128;
    p->bomb_gauge = 0;
    p->bomb_cost = 100;
    p->bomb_timer = 0;
    p->popup_red = 255, p->popup_green = 255, p->popup_blue = 0;
}

void update_player_state(tesmo* p) {
    if (p->flags & flag_defeated) {
        --p->health;
        p->flags |= flag_falling_out | flag_no_friction;
        p->flags &= ~flag_no_gravity;
        // Also reached while a scripted pattern keeps update_player from
        // respawning: a player with lives left comes back.
        if (p->health <= 0) respawn_player(p);
    }
    update_stun_state(p);
    if (p->life_fragments >= fragments_per_life) {
        ++p->lives;
        p->life_fragments -= fragments_per_life;
        play_sound_effect(data_names::sound::extend);
    }
}

int respawn_player(tesmo* p) {
    if (p->lives <= 0) {
        p->flags &= ~flag_in_use;
        return 0;
    }
    p->flags &= ~(flag_knocked_away | flag_defeated | flag_stunned | flag_falling_out |
                  flag_knockback_state | flag_no_friction | flag_knocked_back);
    p->x = p->respawn_x;
    p->y = p->respawn_y;
    p->vx = p->vy = 0;
    p->flags |= flag_blinking;
    --p->lives;
    p->health = 0;
    p->stun_frames = 0;
    p->invulnerable_frames = 180;
    return 1;
}

int hit_player(tesmo* p, double degrees, double speed) {
    (void)speed;  // a shielded hit always flies at 10, a miss falls out
    if (p->bomb_gauge > p->bomb_cost) {
        p->vx = std::cos(degrees * radians_per_degree) * 10;
        p->vy = std::sin(degrees * radians_per_degree) * 10;
        set_action_queue(20, 29);
        p->flags |= flag_blinking | flag_stunned;
        p->stun_frames = 20;
        p->invulnerable_frames = 80;
        p->bomb_gauge = 0;
        play_sound_effect(data_names::sound::tesmo_hit);
        spawn_effect(data_names::effect::tesmo_bomb, p->x, p->y, 0.5, 0, 0, 0, 0);
        return 0;
    }
    p->flags |= flag_defeated | flag_falling_out | flag_knockback_state | flag_no_friction |
                flag_knocked_back;
    p->flags &= ~(cling_flags | flag_no_gravity);
    ++p->miss_count;
    p->health = fall_out_frames;
    p->stun_frames = 0;
    play_sound_effect(data_names::sound::tesmo_hit);
    play_sound_effect(data_names::sound::tesmo_falloff);
    for (int i = 0; i < 10; ++i)
        spawn_effect_polar(data_names::effect::small_particle_moreblack, p->x, p->y, 1.0,
                           game_random(360), 6, -0.3);
    if (p->power > p->power_cap) p->power = p->power_cap;
    int lost = p->power;
    if (p->lives > 0) {
        lost = static_cast<int>(p->power * 0.6);
        popup(p, "-%d", lost, 100, 160, 60, 0, 0, 0, 0, 1.0);
    }
    p->power -= lost;
    scatter_power(p, lost * 3 / 5);
    return 0;
}

int stun_player(tesmo* p, double seconds) {
    ++p->stun_count;
    return stun_character(p, seconds);
}

int power_up_player(tesmo* p, int amount) {
    const int before = player_power_level(p, -1, false);
    p->power += amount;
    const int after = player_power_level(p, -1, false);
    if (before < 4 && after > before) {
        popup(p, "Lv%d", after + 1, 90, 255, 0, 0, 255, 255, 255, 1.5);
    } else {
        popup(p, "+%d", amount, 30, 255, 0, 0, -1, -1, -1, 1.0);
    }
    if (p->power > p->power_cap) {
        const int bonus = excess_bonus(p->power - p->power_cap);
        p->score += bonus;
        popup(p, "%d", bonus, 30, 255, 96, 0, -1, -1, -1, 1.0);
    }
    return 0;
}

int gain_life_player(tesmo* p, int fragments, int lives) {
    p->life_fragments += fragments;
    p->lives += lives;
    if (fragments > 0) popup(p, "+%d", fragments, 90, 255, 96, 196, 255, 255, 255, 1.5);
    if (lives > 0) play_sound_effect(data_names::sound::extend);
    return 0;
}

int add_score(int index, int points, double x, double y) {
    // killer fields come from data and scripts: only the two players score.
    if (index < 0 || index >= players.size) return -1;
    tesmo& p = players[index];
    p.score += points;
    if (points != 0) {
        spawn_score_popup(static_cast<int>(x), static_cast<int>(y), points, p.popup_red,
                          p.popup_green, p.popup_blue);
    }
    return 0;
}

void step_player(tesmo* p) {
    update_player_state(p);
    apply_entity_physics(p);
    p->update();
    move_entity(p);
}
