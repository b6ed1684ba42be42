// Stage entity placement: records into pool slots in file order, each kind
// counted apart; a record that places nothing still uses up its slot number.
#include "shell/stage_placement.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/stage_file.h"
#include "world/behaviour_tables.h"
#include "world/game_random.h"
#include "world/name_binding.h"
#include "world/pools.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"

constinit int item_points_placed = 0;

namespace {

[[noreturn]] void pool_full(uint32_t kind, uint32_t limit) {
    stop_screen(stop_limit_exceeded, stage_word(), kind, limit, 0);
    std::abort();  // the STOP screen ends the process; only a test observer comes back
}

template <class Handler>
Handler bind_column(const behaviour_row<Handler>* table, const char* text) {
    return bind_behaviour(table, text, {third_step::field_number}).handler;
}

// -1 in the file means in use; flags2 takes the sign of the value.
void set_flags(entity& e, int32_t value) {
    const int32_t v = value == -1 ? 1 : value;
    e.flags = static_cast<uint32_t>(v);
    e.flags2 = v < 0 ? 0xFFFFFFFFu : 0;
}

// The type row of a record: by exact name among the first rows, else by number.
template <class Type>
const Type& type_of(const Type* table, int capacity, const placement_record& r) {
    const int rows = capacity < 256 ? capacity : 256;
    for (int i = 0; i < rows; ++i)
        if (std::strcmp(table[i].name, r.type_name) == 0) return table[i];
    const int row = r.type_number >= 0 && r.type_number < capacity ? r.type_number : 0;
    return table[row];
}

void place_at(entity& e, const placement_record& r) {
    e.x = r.x;
    e.y = r.y;
    e.vx = e.vy = 0;
}

// What every placed enemy, item and block takes from its record and type row:
// flags, position at rest, sprite, hitbox, a fresh pattern state. The row.
template <class Type>
const Type& place_from_type(entity& e, const Type* table, int capacity, const placement_record& r) {
    set_flags(e, r.flags);
    const Type& t = type_of(table, capacity, r);
    place_at(e, r);
    e.sprite_base = t.sprite_base;
    take_type_hitbox(e, t);
    e.pattern_result = 0;
    std::memset(e.free_var, 0, sizeof(e.free_var));
    return t;
}

void bind_own_behaviours(entity& e, const placement_record& r) {
    e.move_pattern = bind_column(move_pattern_table, r.move_pattern);
    e.interaction = bind_column(speffect_table, r.own_interaction);
}

void place_player(int k, const placement_record& r) {
    if (k >= 2) pool_full(1, 2);
    tesmo& p = players[k];
    if (!(p.flags & flag_in_use)) return;  // not in this game
    set_flags(p, r.flags);
    p.sprite_base = 0;
    p.hit_w = 26;
    p.hit_h = 28;
    p.hit_dx = 0;
    p.hit_dy = 10;
    for (int row = 0; row < 8; ++row) {
        p.opp_hit_w[row] = 26;
        p.opp_hit_h[row] = 28;
        p.opp_hit_dx[row] = 0;
        p.opp_hit_dy[row] = 10;
    }
    for (int row : {1, 2}) {
        p.opp_hit_w[row] = 16;
        p.opp_hit_h[row] = 16;
        p.opp_hit_dy[row] = 16;
    }
    p.opp_hit_w[3] = 10;
    p.opp_hit_h[3] = 32;
    p.opp_hit_dy[3] = 0;
    p.opp_hit_w[5] = 8;
    p.opp_hit_h[5] = 8;
    place_at(p, r);
    p.respawn_x = r.x;
    p.respawn_y = r.y;
    p.facing = r.facing != -1 ? r.facing : (r.x >= stage_info.width / 2 ? 0 : 1);
    bind_own_behaviours(p, r);
    p.tick = 0;
}

void place_enemy(int k, const placement_record& r) {
    if (k >= 256) pool_full(2, 256);
    enemy& e = enemies[k];
    // A slot left stunned or tagged by the last stage starts clean; its stale
    // effect index would free another stage's effect.
    e.stun_frames = e.invulnerable_frames = e.tag_frames = 0;
    e.stun_effect = -1;
    const enemy_type_record& t = place_from_type(e, enemy_types, enemy_type_capacity, r);
    e.points = t.points;
    e.health = e.health_max = static_cast<int32_t>(t.health);
    e.facing = r.facing != -1 ? r.facing : static_cast<int32_t>(game_random(2));
    e.speed_factor = r.speed_factor == -1.0 ? 1.0 : r.speed_factor;
    if (r.start_tick >= 0)
        e.tick = r.start_tick;
    else if (r.start_tick == -1)
        e.tick = static_cast<int32_t>(game_random(100000));
    else
        e.tick = static_cast<int32_t>(game_random(static_cast<uint32_t>(-int64_t{r.start_tick})));
    bind_own_behaviours(e, r);
}

void place_item(int k, const placement_record& r) {
    if (k >= 256) pool_full(5, 256);
    item& it = items[k];
    const item_type_record& t = place_from_type(it, item_types, item_type_capacity, r);
    it.points = t.points;
    it.speffect =
        bind_behaviour(speffect_table, t.speffect, {third_step::stored_number, t.speffect_row})
            .handler;
    bind_own_behaviours(it, r);
}

void place_block(int k, const placement_record& r) {
    if (k >= 1280) pool_full(6, 1280);
    block& b = blocks[k];
    place_from_type(b, block_types, block_type_capacity, r);
    bind_own_behaviours(b, r);
    b.contact = bind_column(interaction_table, r.block_interaction);
}

}  // namespace

void step_position(double& x, double& y, int direction, int step_x, int step_y) {
    switch (direction) {
        case 0:
            y -= step_y;
            break;
        case 1:
            x -= step_x;
            break;
        case 2:
            y += step_y;
            break;
        case 3:
            x += step_x;
            break;
        default:
            break;
    }
}

void place_stage_entities() {
    int counter[7] = {};
    for (int i = 0; i < placement_record_capacity; ++i) {
        const placement_record& r = placement_records[i];
        if (r.kind < 1 || r.kind > 6) continue;
        const int k = counter[r.kind];
        switch (r.kind) {
            case 1:
                place_player(k, r);
                break;
            case 2:
                place_enemy(k, r);
                break;
            case 5:
                place_item(k, r);
                break;
            case 6:
                place_block(k, r);
                break;
            default:
                break;  // boss enemies only count
        }
        ++counter[r.kind];
    }
}

void place_item_point(const item_point_columns& c) {
    if (item_points_placed >= 256) pool_full(4, 256);
    itempoint& p = itempoints[item_points_placed];
    p.x = c.x;
    p.y = c.y;
    p.category_mask = c.category_mask;
    p.rarity = c.rarity;
    p.vx = p.vy = 0;
    p.hit_w = p.hit_h = 24;
    p.hit_dx = p.hit_dy = 0;
    p.flags |= flag_in_use;
    p.move_pattern = move_pattern_default;
    p.interaction = interaction_default;
    if (c.has_move) {
        p.move_pattern = bind_column(move_pattern_table, std::string(c.move).c_str());
        if (c.has_effect)
            p.interaction = bind_column(speffect_table, std::string(c.effect).c_str());
    }
    ++item_points_placed;
}

void repeat_item_points(int direction, int count, int step_x, int step_y) {
    // Before any item point of this load there is nothing to copy.
    if (item_points_placed == 0) return;
    for (int k = 0; k < count; ++k) {
        if (item_points_placed >= 256) pool_full(4, 256);
        const itempoint& last = itempoints[item_points_placed - 1];
        itempoint& next = itempoints[item_points_placed];
        entity_assign(&next, &last);
        next.category_mask = last.category_mask;
        next.rarity = last.rarity;
        step_position(next.x, next.y, direction, step_x, step_y);
        ++item_points_placed;
    }
}
