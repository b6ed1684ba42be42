// Items: dropped power items, the show-up roll and treasure spots.
#include "world/items.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "DuRud.h"
#include "world/effects.h"
#include "world/data_names.h"
#include "world/game_random.h"
#include "world/motion.h"
#include "world/name_binding.h"
#include "world/patterns_items.h"
#include "world/pools.h"
#include "world/stop_screen.h"
#include "world/text_format.h"
#include "world/world_globals.h"

namespace {

constexpr int32_t category_unique = 0x400;
constexpr int32_t category_any_unique = 1024;  // the one category that may repeat uniques
constexpr int attempt_limit = 10000;
constexpr uint32_t breakpoint_base = 0x1E00000;

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

int find_power_item(bool big) {
    char prefix[16];
    format_text_16(
        prefix, "%s",
        big ? DuRud::Cp932Text(data_names::type::big_power_item) : data_names::type::power_item);
    for (int i = 0; i < item_type_count && i < item_type_capacity; ++i)
        if (starts_with(item_types[i].name, prefix)) return i;
    return 0;
}

int free_item_slot() {
    for (int i = 0; i < items.size; ++i)
        if (!(items[i].flags & flag_in_use)) return i;
    return no_item_slot;
}

void take_type(item& it, const item_type_record& t, double x, double y) {
    reset_entity(&it);  // nothing of the slot's last item stays
    it.x = x;
    it.y = y;
    it.points = t.points;
    it.sprite_base = t.sprite_base;
    take_type_hitbox(it, t);
    it.draw_scale = 1.0;
}

binding<item_effect_handler> bind_effect(const item_type_record& t) {
    return bind_behaviour(speffect_table, t.speffect, {third_step::stored_number, t.speffect_row});
}

bool is_first_rank_chest(const item_type_record& t) {
    return starts_with(t.speffect, data_names::type::first_chest_effect) ||
           (t.speffect[0] != '\0' &&
            starts_with(t.speffect + 1, data_names::type::first_chest_effect));
}

bool is_important(const item_type_record& t) {
    return (t.code & 0x1) &&
           (std::strcmp(t.name, DuRud::Cp932Text(data_names::type::life_fragment)) == 0 ||
            std::strcmp(t.name, DuRud::Cp932Text(data_names::type::medal)) == 0);
}

// The candidates of one rarity and category, into list; their number.
int gather_candidates(int category, int rarity, int* list) {
    const bool skip_unique = unique_item_shown && category != category_any_unique;
    int n = 0;
    for (int i = 0; i < item_type_count && i < item_type_capacity; ++i) {
        const item_type_record& t = item_types[i];
        if (t.rarity != rarity || (t.code & category) == 0) continue;
        if (skip_unique && (t.code & category_unique)) continue;
        list[n++] = i;
    }
    return n;
}

[[noreturn]] void give_up(int category, int rarity, int used) {
    DuRud::PrintOnScreenLog("Infinite loop has been detected !! \n");
    DuRud::PrintOnScreenLog("Item showup: Category %d, Rarity %d(%d) \n", category, rarity, used);
    stop_screen(stop_entity_spawn_failure, 0, 0, 0, 0);
    std::abort();  // the STOP screen ends the process
}

void showup_burst(double x, double y) {
    for (const char* name :
         {data_names::effect::small_particle_morewhite, data_names::effect::small_particle_cyan}) {
        for (int i = 0; i < 5; ++i)
            spawn_effect_polar(name, x, y, 1.0, game_random(360), 3 + game_random(3), -0.2);
    }
}

}  // namespace

int rarity_of_roll(int roll) {
    if (roll <= 10) return 6;
    if (roll <= 200) return 5;
    if (roll <= 2000) return 4;
    if (roll <= 10000) return 3;
    if (roll <= 50000) return 2;
    return 1;
}

int spawn_item(bool big, double x, double y, double angle, double speed) {
    const item_type_record& t = item_types[find_power_item(big)];
    const int slot = free_item_slot();
    if (slot == no_item_slot) return no_item_slot;
    item& it = items[slot];
    take_type(it, t, x, y);
    it.vx = std::cos(angle * radians_per_degree) * speed;
    it.vy = std::sin(angle * radians_per_degree) * speed;
    it.flags = flag_in_use;
    it.move_pattern = move_pattern_poweritem;
    it.speffect = bind_effect(t).handler;
    return slot;
}

int show_up_item(int category, int rarity, double x, double y) {
    static int candidates[item_type_capacity];
    int attempts = 0;
    int row = -1, slot = no_item_slot;
    int used = rarity;
    while (slot == no_item_slot) {
        if (++attempts > attempt_limit) give_up(category, rarity, used);
        used = rarity == -1 ? rarity_of_roll(static_cast<int>(game_random(110000))) : rarity;
        const int n = gather_candidates(category, used, candidates);
        if (n == 0) continue;
        row = candidates[game_random(n)];
        // Chests of the first rank wait for a well-fed stage; each re-pick
        // counts, so a roll of chests only cannot run for ever.
        while (!well_fed && is_first_rank_chest(item_types[row])) {
            if (++attempts > attempt_limit) give_up(category, rarity, used);
            row = candidates[game_random(n)];
        }
        slot = free_item_slot();
    }
    const item_type_record& t = item_types[row];
    if (t.code & category_unique) unique_item_shown = 1;
    item& it = items[slot];
    take_type(it, t, x, y);
    it.flags = flag_in_use | flag_no_friction | flag_no_gravity;
    it.move_pattern = is_important(t) ? move_pattern_important_effective : move_pattern_nothing;
    it.interaction = interaction_default;
    const binding<item_effect_handler> effect = bind_effect(t);
    if (effect.step != 1 && effect.step != 2) {
        DuRud::PrintOnScreenLog("Alert: invalid speffect name. Name: %s", t.speffect);
        stop_screen(stop_breakpoint, breakpoint_base + row, 0, 0, 0);
    }
    it.speffect = effect.handler;
    showup_burst(x, y);
    return slot;
}

int open_itempoint(itempoint* spot) {
    const int slot = show_up_item(spot->category_mask, spot->rarity, spot->x, spot->y);
    item& it = items[slot];
    if (spot->move_pattern != move_pattern_default) it.move_pattern = spot->move_pattern;
    if (spot->interaction != interaction_default) it.interaction = spot->interaction;
    spot->flags &= ~flag_in_use;
    return slot;
}
