// Contacts of one frame, in a fixed order. Every test reads the entities in
// place: the all-pairs loops skip free and 0x80 slots before testing, and
// never copy an entity.
#include "world/interactions.h"

#include <cmath>

#include "DuRud.h"
#include "world/action_queue.h"
#include "world/block_contacts.h"
#include "world/collision_geometry.h"
#include "world/effects.h"
#include "world/game_random.h"
#include "world/items.h"
#include "world/motion.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

constexpr uint32_t flag_through_blocks = 0x40;
constexpr uint32_t flag_contact_free = 0x1000 | 0x2000;  // both: touching it is no contact
constexpr uint32_t flags_in_water = flag_in_water | flag_swim_stroke;
constexpr uint32_t flags_slowed_fall = flag_slide_left | flag_slide_right;
constexpr uint32_t flag_invulnerable = flag_blinking;
constexpr uint32_t flag_weak_to_shots = flag_knock_on_empty;  // shots deal a third
constexpr uint32_t flag2_grazes = 0x2;                        // player: bullets only graze
constexpr uint32_t flag2_harmless_to_grazer = 0x8;            // enemy
constexpr uint32_t flag2_second_damage = 0x4;                 // enemy
constexpr int hurt_frame = 29;

// In use and not excluded from every contact test.
bool testable(const entity& e) {
    return (e.flags & (flag_in_use | flag_falling_out)) == flag_in_use;
}
bool none_of(const entity& e, uint32_t mask) {
    return (e.flags & mask) == 0;
}
bool holding_down(const tesmo& p) {
    return p.held[action_down] != 0;
}

// The touching block of the largest overlap area; the lower index on a tie.
block* largest_overlap_block(entity& e) {
    double best = -1.0;
    block* pick = nullptr;
    for_touching_blocks(e, [&](block& b) {
        double dx = 0, dy = 0;
        wrapped_overlap_extent(e, b, &dx, &dy);
        if (dx * dy > best) {
            best = dx * dy;
            pick = &b;
        }
        return false;
    });
    return pick;
}
void knocked_into_block(entity& e) {
    if (block* b = largest_overlap_block(e)) b->contact(&e, b);
}

void players_on_blocks(int landings[2]) {
    for (int pi = 0; pi < players.size; ++pi) {
        tesmo& p = players[pi];
        if (!testable(p) || !none_of(p, flag_knockback_state | flag_falling_out)) continue;
        int contacts = 0, last = -1;
        for_touching_blocks(p, [&](block& b) {
            if ((b.flags & flag_contact_free) != flag_contact_free) ++contacts;
            last = static_cast<int>(&b - blocks.begin());
            if (b.contact(&p, &b) == 1 && !holding_down(p)) {
                if (p.vy > 3.5)
                    p.vy = (p.vy - stage_info.gravity) / 1.2;
                else
                    ++landings[pi];
            }
            return false;
        });
        if (debug_mode)
            DuRud::PrintOnScreenLog("tesmo %d touching block %d(%d) \n", pi, contacts, last);
        if (contacts == 0) p.flags &= ~flags_in_water;
    }
}

void enemies_and_items_on_blocks() {
    const uint32_t skip = flag_knockback_state | flag_falling_out | flag_through_blocks;
    for (enemy& e : enemies) {
        if (!testable(e) || !none_of(e, skip)) continue;
        bool touched = false;
        for_touching_blocks(e, [&](block& b) {
            touched = true;
            b.contact(&e, &b);
            return false;
        });
        if (!touched) e.flags &= ~flags_in_water;
    }
    for (item& it : items) {
        if (!testable(it) || !none_of(it, skip)) continue;
        for_touching_blocks(it, [&](block& b) { return b.contact(&it, &b), false; });
    }
}

void slowed_fall_flags(const int landings[2]) {
    for (int pi = 0; pi < players.size; ++pi) {
        tesmo& p = players[pi];
        if (!testable(p) || holding_down(p) ||
            !none_of(p, flag_knockback_state | flag_falling_out | flag_in_water))
            continue;
        if (landings[pi] < 1)
            p.flags &= ~flags_slowed_fall;
        else if (!(p.flags & flag_standing))
            p.flags |= p.facing == 0 ? flag_slide_left : flag_slide_right;
    }
}

void knocked_entities_into_blocks() {
    const uint32_t knocked = flag_knockback_state;
    for (tesmo& p : players) {
        if (testable(p) && (p.flags & knocked)) knocked_into_block(p);
    }
    auto knocked_object = [&](entity& e) {
        return testable(e) && (e.flags & knocked) && none_of(e, flag_through_blocks);
    };
    for (enemy& e : enemies) {
        if (knocked_object(e)) knocked_into_block(e);
    }
    for (item& it : items) {
        if (knocked_object(it)) knocked_into_block(it);
    }
}

bool harmful_player_target(const tesmo& p) {
    return testable(p) && none_of(p, flag_knocked_away | flag_defeated | flag_invulnerable);
}

void enemies_touch_players() {
    for (enemy& e : enemies) {
        if (!testable(e) || !none_of(e, flag_stunned | flag_knocked_away | flag_defeated)) continue;
        for (tesmo& p : players) {
            if (!harmful_player_target(p)) continue;
            if ((p.flags2 & flag2_grazes) && (e.flags2 & flag2_harmless_to_grazer)) continue;
            if (!entities_overlap(e, p)) continue;
            p.vx = e.vx * 3 - p.vx * 1.5;
            p.vy = e.vy * 3 - p.vy * 1.5;
            hit_player(&p, 0, 0);
            screen_shake.magnitude += 20;
        }
    }
}

// --- The combo chain: an enemy flung into others --------------------------

struct combo_row {
    const char* particle_a;
    const char* particle_b;
    int rounds;
    int damage;
    double speed;
    int chest, food;
};
// Levels 1 to 5; the speeds of levels 1 and 2 are those of a stunned B.
constexpr combo_row combo_rows[5] = {
    {data_names::effect::small_particle_white, data_names::effect::small_particle_white, 6, 40, 15,
     0, 0},
    {data_names::effect::small_particle_white, data_names::effect::small_particle_orange, 6, 44, 25,
     0, 3},
    {data_names::effect::small_particle_orange, data_names::effect::small_particle_red, 7, 48, 25,
     1, 5},
    {data_names::effect::small_particle_red, data_names::effect::small_particle_pink, 7, 52, 30, 2,
     10},
    {data_names::effect::small_particle_blue, data_names::effect::small_particle_red, 8, 60, 40, 4,
     20},
};

// Away from 0; a vy of exactly 0 goes up.
void lift_vy(enemy& b, double amount) {
    b.vy += b.vy > 0 ? amount : -amount;
}

double spread_of_facing(const enemy& a) {
    return a.facing + static_cast<double>(game_random_draw() % 60) - 30;
}

// Never straight along an axis.
double slanted_angle() {
    uint32_t r = game_random_draw() & 15;
    while (r % 4 == 0) r = game_random_draw() & 15;
    return r * 22.5;
}

void combo_hit(enemy& a, enemy& b) {
    const int level = a.chain_level < 1 ? 1 : a.chain_level > 5 ? 5 : a.chain_level;
    const combo_row& row = combo_rows[level - 1];
    const double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
    for (int n = 0; n < row.rounds; ++n) {
        spawn_burst_particle(row.particle_a, mx, my);
        spawn_burst_particle(row.particle_b, mx, my);
    }
    const bool stunned = (b.flags & flag_stunned) != 0;
    if (level == 1 && !stunned) {
        a.health = 0;
        b.take_damage(row.damage);
    } else if (level == 1) {
        b.chain_level = 2;
        b.knock_away(std::atan2(a.vy, a.vx) / radians_per_degree, row.speed);
        lift_vy(b, 10);
        b.health = 300;
    } else if (level == 2 && !stunned) {
        a.health = 0;
        b.take_damage(row.damage);
        if (b.health < 1) {
            b.chain_level = 2;
            b.knock_away(0, 0);
            b.health = 1;
        }
    } else if (level == 2) {
        b.chain_level = 3;
        b.knock_away(spread_of_facing(a), row.speed);
        lift_vy(b, 12.5);
        b.health = 360;
    } else {
        b.take_damage(row.damage);
        if (b.health >= 1) {
            a.health = 0;
        } else if (level == 3) {
            b.chain_level = 4;
            b.knock_away(spread_of_facing(a), row.speed);
            lift_vy(b, 16.5);
            b.health = 480;
        } else {
            b.chain_level = 5;
            b.knock_away(slanted_angle(), row.speed);
            b.health = 480;
        }
    }
    chest_counter += row.chest;
    food_counter += row.food;
}

void combo_chain() {
    for (enemy& a : enemies) {
        if (!testable(a) || (a.flags & (flag_knocked_away | flag_defeated)) != flag_knocked_away)
            continue;
        for (enemy& b : enemies) {
            if (&b == &a || !testable(b) || !none_of(b, flag_knocked_away | flag_defeated))
                continue;
            if (entities_overlap(a, b)) combo_hit(a, b);
        }
    }
}

void flung_enemies_open_itempoints() {
    for (enemy& e : enemies) {
        if (!testable(e) || !(e.flags & flag_knocked_away)) continue;
        for (itempoint& spot : itempoints) {
            if (testable(spot) && entities_overlap(e, spot)) open_itempoint(&spot);
        }
    }
}

// --- Bullets, pickups and shots ------------------------------------------

void bullet_hits(bullet& b, tesmo& p) {
    b.flags &= ~flag_in_use;
    if (b.flicker == 0) {
        if (p.flags & flag_stunned) return;
        play_sound_effect(data_names::sound::tesmo_hit2);
        if (b.spare_byte == 0) {
            p.vx += b.cvx * 3;
            p.vy += b.cvy * 3.5;
        }
        set_action_queue(hurt_frame, 8);
        ++p.stun_count;
        screen_shake.magnitude += 2.5;
        p.flags &= ~flags_slowed_fall;
        p.stun_frames = 144;
        return;
    }
    if (b.spare_byte == 0) {
        p.vx += b.cvx * 3;
        p.vy += b.cvy * 3;
    } else {
        // The push follows the bullet's heading.
        p.vx += static_cast<float>(15 * std::cos(b.heading * radians_per_degree));
        p.vy += static_cast<float>(15 * std::sin(b.heading * radians_per_degree));
    }
    hit_player(&p, 0, 0);
    screen_shake.magnitude += 20;
}

void bullets_and_players() {
    for (bullet& b : bullets) {
        if (!testable(b)) continue;
        for (tesmo& p : players) {
            if (!harmful_player_target(p)) continue;
            if (!entities_overlap(b, p)) continue;
            if (p.flags2 & flag2_grazes)
                play_sound_effect(data_names::sound::graze);
            else
                bullet_hits(b, p);
        }
    }
}

void pickups() {
    for (item& it : items) {
        if (!testable(it)) continue;
        for (int pi = 0; pi < players.size; ++pi) {
            tesmo& p = players[pi];
            if (!testable(p) || !none_of(p, flag_stunned | flag_knocked_away | flag_defeated))
                continue;
            if (!entities_overlap(it, p)) continue;
            it.speffect(&p, &it);
            add_score(pi, it.points, p.x, p.y);
            it.flags &= ~flag_in_use;
        }
    }
}

int shot_damage(const cracker& c, const enemy& e) {
    if (e.flags & flag_weak_to_shots) return c.damage / 3;
    if (!(e.flags2 & flag2_second_damage)) return c.damage;
    // Only the two players have records to read.
    const bool owner_shielded =
        c.owner >= 0 && c.owner < players.size && (players[c.owner].flags & flag_invulnerable);
    return owner_shielded ? c.second_damage / 6 : c.second_damage;
}

void shot_sparks(const cracker& c) {
    for (int n = 0; n < 2; ++n) {
        const double speed = game_random_draw() & 7;
        const double angle = game_random_draw() % 360;
        const double scale = 0.5 + (game_random_draw() % 30) / 100.0;
        spawn_effect_polar(data_names::effect::small_particle_white, c.x, c.y, scale, angle, speed,
                           0);
    }
    for (int n = 0; n < 5; ++n) {
        const double spread_x = ((game_random_draw() & 7) - 3.5) * 0.25;
        const double spread_y = ((game_random_draw() & 7) - 3.5) * 0.25;
        spawn_effect(data_names::effect::small_particle_white, c.x, c.y, 0.5, c.vx * 0.5 + spread_x,
                     c.vy * 0.5 + spread_y, 0, 0);
    }
}

void shots_hit_enemies() {
    for (cracker& c : crackers) {
        if (!testable(c)) continue;
        for (enemy& e : enemies) {
            if (!testable(e) || !none_of(e, flag_stunned | flag_knocked_away | flag_defeated) ||
                (e.flags2 & flag2_tagged) || !entities_overlap(c, e))
                continue;
            shot_sparks(c);
            c.flags &= ~flag_in_use;
            e.take_damage(shot_damage(c, e));
            e.flash_frames += 2;
            play_sound_effect(data_names::sound::cracker_hit);
            break;
        }
    }
}

void shots_and_bullets_into_blocks() {
    gather_blocks();
    for (cracker& c : crackers) {
        if (testable(c) && none_of(c, flag_through_blocks)) knocked_into_block(c);
    }
    for (bullet& b : bullets) {
        if (!testable(b) || !none_of(b, flag_through_blocks)) continue;
        for_touching_blocks(b, [&](block&) { return b.flags &= ~flag_in_use, true; });
    }
}

}  // namespace

int process_interactions() {
    int landings[2] = {0, 0};
    gather_blocks();
    players_on_blocks(landings);
    gather_blocks();
    enemies_and_items_on_blocks();
    slowed_fall_flags(landings);
    gather_blocks();
    knocked_entities_into_blocks();
    enemies_touch_players();
    combo_chain();
    flung_enemies_open_itempoints();
    bullets_and_players();
    pickups();
    shots_hit_enemies();
    shots_and_bullets_into_blocks();
    return 1;
}
