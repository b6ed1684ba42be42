// Enemy defeat: knock-back flight, payout and the fall out of the stage.
#include "world/enemy.h"

#include "world/game_random.h"
#include "world/items.h"
#include "world/motion.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/sound_effects.h"
#include "world/world_globals.h"
#include "world/data_names.h"

namespace {

// The flight's look by chain level: bounce, glow rhythm, weightlessness.
void flight_look(enemy* e) {
    auto glow_while = [e](bool on) {
        if (on) {
            e->flags |= flag_glow;
        } else {
            e->flags &= ~flag_glow;
        }
    };
    switch (e->chain_level) {
        case 1:
            e->bounce = 0.7;
            break;
        case 2:
            e->bounce = 1.2;
            break;
        case 3:
            e->bounce = 1.4;
            glow_while(e->health % 16 < 8);
            break;
        case 4:
            e->flags |= flag_deep_chain;
            glow_while(e->health % 10 < 5);
            break;
        case 5:
            e->flags |= flag_no_gravity | flag_deep_chain;
            glow_while(e->health % 4 < 2);
            break;
        default:
            break;
    }
}

struct payout {
    int multiplier;  // of the enemy's points
    int payments;
    int items_least, items_spread;  // least + random 0..spread - 1 (no draw for 0 or 1)
};

// A negative level (an enemy flung by the heavy dropper) pays nothing.
payout payout_of(int level) {
    if (level < 0) return {0, 0, 0, 0};
    if (level == 0) return {1, 2, 1, 2};
    if (level == 1) return {1, 1, 1, 2};
    if (level <= 3) return {2, 1, 2, 3};
    if (level <= 5) return {3, 1, 4, 5};
    if (level <= 7) return {5, 1, 1, 0};
    return {7, 1, 1, 0};
}

void pay_out(enemy* e) {
    const payout pay = payout_of(e->chain_level);
    for (int i = 0; i < pay.payments; ++i)
        add_score(e->killer, pay.multiplier * e->points, e->x, e->y);
    if (e->chain_level == 4 || e->chain_level == 5) ++food_counter;
    const int drops = pay.items_least + (pay.items_spread > 1 ? game_random(pay.items_spread) : 0);
    play_sound_effect(data_names::sound::enemy_falloff);
    food_counter += 4;
    for (int i = 0; i < drops; ++i) {
        const int slot = spawn_item(false, e->x, e->y, game_random(360), 8);
        if (slot >= items.size) continue;
        items[slot].vx += e->vx / 1.9;
        items[slot].vy += e->vy / 1.9;
    }
}

}  // namespace

int update_enemy(enemy* e) {
    if (e->flags & flag_knocked_away) {
        flight_look(e);
        --e->health;
        if (e->health <= 0 || (e->flags & flag_knock_on_empty)) {
            pay_out(e);
            e->flags &= ~(flag_knocked_away | flag_glow);
            e->vx = -e->vx;
            e->flags |= flag_falling_out | flag_defeated;
            e->vy = -5.0;
            e->health = 50;
        }
    } else if (e->flags & flag_defeated) {
        --e->health;
        e->flags |= flag_falling_out | flag_no_friction;
        e->flags &= ~flag_no_gravity;
        if (e->health <= 0) {
            e->flags = flag_defeated;  // the slot is free again
            e->flags2 = 0;
        }
    }
    return update_stun_state(e);
}

void step_enemy(enemy* e) {
    update_enemy(e);
    apply_entity_physics(e);
    e->update();
    move_entity(e);
}
