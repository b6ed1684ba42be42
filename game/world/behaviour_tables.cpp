// The behaviour tables, in their data-format order.
#include "world/behaviour_tables.h"

#include "world/affecters.h"
#include "world/block_interactions.h"
#include "world/boss_fight.h"
#include "world/boss_intro.h"
#include "world/bullet_patterns.h"
#include "world/item_effects.h"
#include "world/patterns_enemies.h"
#include "world/patterns_items.h"

#define ROW(handler) \
    { #handler, handler }

const behaviour_row<item_effect_handler> speffect_table[29] = {
    ROW(nothing),
    ROW(open_door),
    ROW(onpickup_redbull),
    ROW(onpickup_food),
    ROW(onpickup_bigfood),
    ROW(onpickup_nothing),
    ROW(onpickup_nothing_mini),
    ROW(onpickup_bigitem),
    ROW(allenemy_destroy),
    ROW(powerup),
    ROW(powerup_8),
    ROW(powerup_8_mini),
    ROW(lifefragment),
    ROW(extend),
    ROW(stage_progression_normal),
    ROW(treasure_chest_1),
    ROW(treasure_chest_2),
    ROW(treasure_chest_3),
    ROW(itempoints_showup),
    ROW(itempoints_search),
    ROW(heavy_dropper),
    ROW(gravity_weakener),
    ROW(coin_shower),
    ROW(allenemy_stun),
    ROW(teleporter),
    ROW(teleport_back),
    ROW(back_to_first),
    ROW(special_item),
    {nullptr, nullptr},
};

const behaviour_row<move_pattern_handler> move_pattern_table[41] = {
    ROW(move_pattern_default),
    ROW(move_pattern_nothing),
    ROW(move_pattern_bigitem),
    ROW(move_pattern_poweritem),
    ROW(move_pattern_poweritem_switched),
    ROW(move_pattern_important_effective),
    ROW(move_pattern_key),
    ROW(move_pattern_door),
    ROW(move_pattern_toggle),
    ROW(move_pattern_trollface_movearound),
    ROW(move_pattern_trollface_turret),
    ROW(move_pattern_rabbit_idle),
    ROW(move_pattern_rabbit_movearound),
    ROW(move_pattern_rabbit_follow),
    ROW(move_pattern_rabbit_shoots),
    ROW(move_pattern_rabbit_walkfollow),
    ROW(move_pattern_rabbit_move1way),
    ROW(move_pattern_fairy_movearound),
    ROW(move_pattern_fairy_follow),
    ROW(move_pattern_fairy_shoots),
    ROW(move_pattern_fairy_movearound_floor),
    ROW(move_pattern_fairy_turret),
    ROW(move_pattern_fairy_gazer),
    ROW(move_pattern_furball_charge),
    ROW(move_pattern_furball_bounce),
    ROW(move_pattern_furball_upaway),
    ROW(move_pattern_furball_shoots),
    ROW(move_pattern_bossfairy),
    ROW(move_pattern_tesmo_intro1),
    ROW(move_pattern_tesmo_intro2),
    ROW(move_pattern_introblock),
    ROW(move_pattern_ghost_follow),
    ROW(move_pattern_ghost_looselyfollow),
    ROW(move_pattern_book_shotgun),
    ROW(move_pattern_book_crazyturret),
    ROW(move_pattern_book_sniper),
    ROW(move_pattern_bossintro_dolvek),
    ROW(move_pattern_bossdolvek),
    ROW(move_pattern_bullet_stopandfollow),
    ROW(move_pattern_bullet_speedlimiter),
    {nullptr, nullptr},
};

const behaviour_row<interaction_handler> interaction_table[6] = {
    ROW(interaction_default),         ROW(interaction_block_updown),
    ROW(interaction_block_leftright), ROW(interaction_block_typical),
    ROW(interaction_block_noclimb),   {nullptr, nullptr},
};

const behaviour_row<affecter_handler> affecter_table[7] = {
    ROW(affecter_default),    ROW(affecter_tesmobomb),     ROW(affecter_coin_shower),
    ROW(affecter_timed_bomb), ROW(affecter_heavy_dropper), ROW(affecter_absolute_border),
    {nullptr, nullptr},
};
