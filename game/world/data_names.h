// The names and numbers by which the code reaches the game data: sounds and
// effects played by name, entity type and effect names it looks up, music
// slots it starts and the sprite ids it draws by number. The demo data
// generator's validator reads this header too, so code and data cannot drift.
// Type names are UTF-8 here, spelled in escapes (the text in the comment
// beside each); the lists hold them in code page 932.
#pragma once

namespace data_names {

// Sounds of the sound list, played by name.
namespace sound {
inline constexpr const char* alert1 = "alert1";
inline constexpr const char* alert2 = "alert2";
inline constexpr const char* alert3 = "alert3";
inline constexpr const char* bigitem_fall = "bigitem_fall";
inline constexpr const char* boss_defeat = "boss_defeat";
inline constexpr const char* charge1 = "charge1";
inline constexpr const char* charge5 = "charge5";
inline constexpr const char* charge6_ = "charge6_";
inline constexpr const char* charge7 = "charge7";
inline constexpr const char* cracker_hit = "cracker_hit";
inline constexpr const char* enemy_falloff = "enemy_falloff";
inline constexpr const char* enemy_jump = "enemy_jump";
inline constexpr const char* enemy_kick_hit = "enemy_kick_hit";
inline constexpr const char* enemy_kicked = "enemy_kicked";
inline constexpr const char* enemydefeat_echo = "enemydefeat_echo";
inline constexpr const char* enemyheavyshot1 = "enemyheavyshot1";
inline constexpr const char* enemyheavyshot2 = "enemyheavyshot2";
inline constexpr const char* enemyshot1 = "enemyshot1";
inline constexpr const char* extend = "extend";
inline constexpr const char* graze = "graze";
inline constexpr const char* kvorn = "kvorn";
inline constexpr const char* opendoor = "opendoor";
inline constexpr const char* tesmo_bigitem = "tesmo_bigitem";
inline constexpr const char* tesmo_bomb1 = "tesmo_bomb1";
inline constexpr const char* tesmo_falloff = "tesmo_falloff";
inline constexpr const char* tesmo_hit = "tesmo_hit";
inline constexpr const char* tesmo_hit2 = "tesmo_hit2";
inline constexpr const char* tesmo_item = "tesmo_item";
inline constexpr const char* tesmo_jump = "tesmo_jump";
inline constexpr const char* tesmo_miniitem = "tesmo_miniitem";
inline constexpr const char* tesmoshot = "tesmoshot";
inline constexpr const char* warpzone = "warpzone";

inline constexpr const char* all[] = {
    alert1,          alert2,          alert3,         bigitem_fall, boss_defeat,
    charge1,         charge5,         charge6_,       charge7,      cracker_hit,
    enemy_falloff,   enemy_jump,      enemy_kick_hit, enemy_kicked, enemydefeat_echo,
    enemyheavyshot1, enemyheavyshot2, enemyshot1,     extend,       graze,
    kvorn,           opendoor,        tesmo_bigitem,  tesmo_bomb1,  tesmo_falloff,
    tesmo_hit,       tesmo_hit2,      tesmo_item,     tesmo_jump,   tesmo_miniitem,
    tesmoshot,       warpzone,
};
}  // namespace sound

// Effect definitions of the effect list, spawned by name.
namespace effect {
inline constexpr const char* black_ring = "black_ring";
inline constexpr const char* circle1_red1 = "circle1_red1";
inline constexpr const char* circle1_red2 = "circle1_red2";
inline constexpr const char* darkball_out = "darkball_out";
inline constexpr const char* kirarin_white = "kirarin_white";
inline constexpr const char* ring_slow = "ring_slow";
inline constexpr const char* small_particle_blue = "small_particle_blue";
inline constexpr const char* small_particle_cyan = "small_particle_cyan";
inline constexpr const char* small_particle_darkball = "small_particle_darkball";
inline constexpr const char* small_particle_moreblack = "small_particle_moreblack";
inline constexpr const char* small_particle_morewhite = "small_particle_morewhite";
inline constexpr const char* small_particle_morewhite_inversed =
    "small_particle_morewhite_inversed";
inline constexpr const char* small_particle_orange = "small_particle_orange";
inline constexpr const char* small_particle_pink = "small_particle_pink";
inline constexpr const char* small_particle_red = "small_particle_red";
inline constexpr const char* small_particle_white = "small_particle_white";
inline constexpr const char* small_whitering = "small_whitering";
inline constexpr const char* stun_star = "stun_star";
inline constexpr const char* tesmo_bomb = "tesmo_bomb";
inline constexpr const char* tesmo_bomb_bg = "tesmo_bomb_bg";
inline constexpr const char* white_in = "white_in";
inline constexpr const char* white_jumpblast = "white_jumpblast";
inline constexpr const char* white_out = "white_out";

inline constexpr const char* all[] = {
    black_ring,
    circle1_red1,
    circle1_red2,
    darkball_out,
    kirarin_white,
    ring_slow,
    small_particle_blue,
    small_particle_cyan,
    small_particle_darkball,
    small_particle_moreblack,
    small_particle_morewhite,
    small_particle_morewhite_inversed,
    small_particle_orange,
    small_particle_pink,
    small_particle_red,
    small_particle_white,
    small_whitering,
    stun_star,
    tesmo_bomb,
    tesmo_bomb_bg,
    white_in,
    white_jumpblast,
    white_out,
};
// The frame an endless circle effect loops back to.
inline constexpr int circle_loop_frame = 20;
}  // namespace effect

// Entity type and item-effect names the code looks up in the lists (UTF-8).
namespace type {
inline constexpr const char* power_item = "[P]";
inline constexpr const char* big_power_item = "[P](\xE5\xA4\xA7)";  // [P](大)
inline constexpr const char* life_fragment =
    "\xE3\x81\x96\xE3\x82\x93\xE3\x81\x8D\xE3\x81\xAE\xE3\x82\xAB\xE3\x82\xB1\xE3\x83\xA9";  // ざんきのカケラ
inline constexpr const char* medal =
    "\xE3\x81\x8F\xE3\x82\x93\xE3\x81\x97\xE3\x82\x87\xE3\x81\x86";             // くんしょう
inline constexpr const char* furball = "\xE3\x81\x91\xE3\x81\xA0\xE3\x81\xBE";  // けだま
inline constexpr const char* first_chest_effect = "treasure_chest_1";
}  // namespace type

// Music slots, in the order of the music list.
namespace music {
inline constexpr int boss = 3;
inline constexpr int clear = 4;
}  // namespace music

// Sprite ids the code draws by number.
namespace sprite {
inline constexpr int player = 0;         // facing x 40 + frame
inline constexpr int popup_glyph = 138;  // 0-9 ! # + L v -
inline constexpr int countdown = 170;    // 0-19
inline constexpr int frame_tile = 200;   // 3 x 3 window frame
inline constexpr int boss_aim_line = 268;
inline constexpr int boss_ray = 269;
inline constexpr int label_glyph_base = 267;  // + the character code (space, -, 0-9)
inline constexpr int clear_count = 301;       // + clears so far, 0-10
inline constexpr int transition_orb = 284;
inline constexpr int hud_panel = 360;
inline constexpr int hud_bomb_frame = 361;
inline constexpr int hud_bomb_bar = 362;
inline constexpr int hud_score = 364;
inline constexpr int hud_player = 365;
inline constexpr int hud_fragment = 366;
inline constexpr int hud_fragment_slot = 367;
inline constexpr int hud_power = 368;
inline constexpr int hud_power_label = 369;
inline constexpr int large_digit = 370;   // 0-9
inline constexpr int level_glyph = 390;   // + level 1-5
inline constexpr int small_digit = 400;   // 0-9
inline constexpr int large_letter = 419;  // a-f
inline constexpr int heavy_weight = 450;
inline constexpr int player_shot = 1472;
inline constexpr int boss_bar_frame = 1500;
inline constexpr int boss_bar = 1501;
inline constexpr int boss_icon = 1502;  // two icons
inline constexpr int prompt = 2017;
inline constexpr int continue_caption = 2018;
inline constexpr int game_over = 2019;
inline constexpr int footer = 2020;
inline constexpr int splash_logo = 2032;  // four logos
inline constexpr int title_shadow = 2037;
inline constexpr int title_logo = 2038;
inline constexpr int results = 2040;  // two screens

// Every id above with the count of ids it starts, for the data's validator.
struct range {
    int first, count;
};
inline constexpr range all[] = {
    {player, 37},
    {player + 40, 37},
    {player + 60, 4},
    {player + 100, 4},
    {80, 2},
    {83, 2},
    {popup_glyph, 16},
    {countdown, 20},
    {frame_tile, 9},
    {boss_aim_line, 2},
    {transition_orb, 1},
    {label_glyph_base + 32, 1},
    {label_glyph_base + 45, 1},
    {label_glyph_base + 48, 10},
    {clear_count, 11},
    {hud_panel, 3},
    {hud_score, 6},
    {large_digit, 10},
    {level_glyph + 1, 5},
    {small_digit, 10},
    {large_letter, 6},
    {heavy_weight, 2},
    {player_shot, 20},
    {boss_bar_frame, 4},
    {prompt, 4},
    {splash_logo, 4},
    {title_shadow, 2},
    {results, 2},
};
}  // namespace sprite

}  // namespace data_names
