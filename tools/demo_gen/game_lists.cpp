// The four list files: pictures, sounds and music; entity types; play
// lists; effects. CR LF line ends, code page 932 text.
#include <iconv.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo_files.h"

namespace demo {

int music_loop_start(int index);
const char* effect_sound_file(int index);
const char* effect_sound_name(int index);
int effect_sound_count();
const char* tune_name(int index);
int tune_count();

// UTF-8 source text as code page 932 bytes.
std::string cp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: no CP932");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* o = out.data();
    size_t out_left = out.size();
    const size_t r = iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw std::runtime_error("iconv: " + utf8);
    out.resize(out.size() - out_left);
    return out;
}

namespace {

struct lines {
    std::string text;
    lines& operator<<(const std::string& line) {
        text += line + "\r\n";
        return *this;
    }
};

std::string join(std::initializer_list<std::string> columns) {
    std::string s;
    for (const std::string& c : columns) s += (s.empty() ? "" : ",") + c;
    return s;
}

std::string n(int v) {
    return std::to_string(v);
}

void file_list(demo_files& out, const std::vector<picture_sheet>& pictures) {
    lines l;
    l << "# Pictures: name, count, columns x rows, cell width x height, first sprite id"
      << "PICTURE_LIST"
      << "BGCOLOR,255,0,255";
    for (const picture_sheet& p : pictures)
        l << join({p.file, n(p.count), n(p.columns) + "x" + n(p.rows),
                   n(p.cell_width) + "x" + n(p.cell_height), n(p.first)});
    l << "SOUND_LIST";
    for (int k = 0; k < effect_sound_count(); ++k)
        l << join({effect_sound_file(k), effect_sound_name(k)});
    const char* titles[] = {"はらっぱ", "いせき",   "もりとしょこ", "たたかい", "クリア",
                            "ボーナス", "はじまり", "ひみつ",       "おまけ"};
    l << "MUSIC_LIST";
    for (int k = 0; k < tune_count(); ++k)
        l << join({std::string("datas/music/") + tune_name(k) + ".ogg", tune_name(k),
                   cp932(titles[k]), n(music_loop_start(k))});
    out.add_text("datas/lists/filelist.list", l.text);
}

void entity_list(demo_files& out) {
    lines l;
    // name, sprite base, code, health, hitbox w x h, offset x x y, points
    l << "ENEMY_LIST"
      << "trollface,600,1,3,30x30,0x6,100"
      << "rabbit,620,1,2,28x28,0x8,80"
      << "fairy,640,1,2,24x28,0x4,120" << cp932("けだま") + ",660,1,3,30x30,0x6,150"
      << "ghost,680,1,4,30x30,0x2,200"
      << "book,700,1,3,32x24,0x6,180"
      << "bossfairy,720,1,40,34x34,0x4,2000"
      << "boss,800,2,120,80x96,0x8,10000";
    l << "BOSSENEMY_LIST"
      << "boss,800,2,120,80x96,0x8,10000";
    // name, sprite base, category, effect, rarity, spare, hitbox, offset, points
    struct item {
        const char* name;
        int sprite, code;
        const char* effect;
        int rarity, points;
    };
    const item items[] = {
        {"[P]", 900, 0x4, "powerup", 1, 10},
        {"[P](大)", 902, 0x4, "powerup_8", 3, 50},
        {"[P](小)", 900, 0x4, "powerup_8_mini", 2, 20},
        {"りんご", 904, 0x2, "onpickup_food", 1, 10},
        {"ケーキ", 906, 0x2, "onpickup_bigfood", 3, 100},
        {"ジュース", 930, 0x2, "onpickup_redbull", 2, 30},
        {"あおいいし", 908, 0x10, "onpickup_nothing", 1, 200},
        {"みどりのいし", 910, 0x10, "onpickup_nothing_mini", 2, 100},
        {"むらさきのいし", 912, 0x10, "onpickup_bigitem", 4, 500},
        {"たからばこ", 914, 0x8, "treasure_chest_1", 1, 1000},
        {"ぎんのはこ", 916, 0x8, "treasure_chest_2", 3, 3000},
        {"きんのはこ", 918, 0x8, "treasure_chest_3", 5, 8000},
        {"かぎ", 920, 0x1, "open_door", 1, 500},
        {"とびら", 922, 0x1, "stage_progression_normal", 1, 0},
        {"ざんきのカケラ", 924, 0x401, "lifefragment", 1, 100},
        {"くんしょう", 926, 0x1, "extend", 6, 1000},
        {"コイン", 928, 0x800, "nothing", 1, 50},
        {"ほし", 932, 0x800, "coin_shower", 2, 100},
        {"いかずち", 934, 0x10, "allenemy_destroy", 5, 300},
        {"こおり", 936, 0x10, "allenemy_stun", 4, 200},
        {"おもり", 938, 0x10, "heavy_dropper", 4, 200},
        {"はね", 940, 0x10, "gravity_weakener", 3, 200},
        {"めがね", 942, 0x10, "itempoints_showup", 2, 100},
        {"ちず", 944, 0x10, "itempoints_search", 3, 100},
        {"ワープ", 946, 0x1, "teleporter", 1, 0},
        {"もどりみち", 948, 0x1, "teleport_back", 1, 0},
        {"はじまりのいし", 950, 0x1, "back_to_first", 1, 0},
        // Bound by its name without the first character.
        {"あめだま", 952, 0x4, "xpowerup", 2, 20},
        {"ふしぎなたね", 954, 0x400 | 0x10, "special_item", 6, 1000},
        {"ほしのかけら", 956, 0x800, "onpickup_nothing_mini", 3, 300},
        {"こばん", 958, 0x8, "onpickup_nothing", 1, 300},
        // A gear that decorates the clockwork; no roll ever picks it.
        {"はぐるま", 960, 0x0, "nothing", 1, 0},
    };
    l << "ITEM_LIST";
    for (const item& i : items)
        l << join({cp932(i.name), n(i.sprite), n(i.code), i.effect, n(i.rarity), "0", "24x24",
                   "0x0", n(i.points)});
    // name, sprite base, code, hitbox w x h, offset
    l << "BLOCK_LIST";
    const char* themes[] = {"grass", "stone", "wood", "crystal", "cloud", "metal", "brick", "sand"};
    for (int t = 0; t < 8; ++t)
        for (int look = 0; look < 5; ++look)
            l << join({std::string(themes[t]) + n(look), n(1000 + t * 5 + look), "0",
                       look == 4 ? "32x8" : "32x32", look == 4 ? "0x-12" : "0x0"});
    // name, sprite base, code, hitbox w x h, offset, spin mode
    l << "BULLET_LIST"
      << "enemy_ball,1100,1,10x10,0x0,0"
      << "enemy_big,1102,1,14x14,0x0,0"
      << "none,1104,-1,8x8,0x0,0"
      << "boss_ball,1106,1,12x12,0x0,0"
      << "boss_spin,1108,1,12x12,0x0,1"
      << "boss_star,1110,1,12x12,0x0,2"
      << "boss_ring,1112,1,16x16,0x0,0";
    out.add_text("datas/lists/entitylist.list", l.text);
}

void play_list(demo_files& out) {
    lines l;
    const auto stage = [](const char* name, int code) {
        return join({std::string("datas/stages/") + name + ".txt", n(code)});
    };
    l << "GAME_1" << stage("intro_sky", 1) << stage("intro_fall", 2) << "-,-2";
    l << "GAME_2" << stage("meadow", 1) << stage("ruins", 2) << stage("forest", 3)
      << stage("library", 4) << stage("cave", 5) << stage("garden", 6) << stage("clockwork", 7)
      << stage("gauntlet", 8) << "-,-1" << stage("side", 10) << stage("arena", 9) << "-,-2";
    l << "GAME_3";
    for (int k = 0; k < 4; ++k) l << stage("bonus", 1 + k);
    l << stage("vault", 5) << "-,-2";
    l << "GAME_4" << stage("secret", 1);
    out.add_text("datas/lists/playlist.list", l.text);
}

void effect_list(demo_files& out) {
    lines l;
    // Sprites 1200 + 10 x colour + kind: kinds 0-4 soft discs, 5-7 rings, 8-9 sparkles.
    struct fx {
        const char* name;
        int colour;
        int kind;  // 0 shrinking particle, 1 growing ring, 2 sparkle
        int frames;
    };
    const fx effects[] = {
        {"black_ring", 4, 1, 20},
        {"circle1_red1", 9, 1, 30},
        {"circle1_red2", 9, 1, 36},
        {"darkball_out", 3, 1, 24},
        {"kirarin_white", 0, 2, 16},
        {"ring_slow", 0, 1, 40},
        {"small_particle_blue", 1, 0, 20},
        {"small_particle_cyan", 2, 0, 20},
        {"small_particle_darkball", 3, 0, 24},
        {"small_particle_moreblack", 4, 0, 20},
        {"small_particle_morewhite", 5, 0, 24},
        {"small_particle_morewhite_inversed", 6, 0, 24},
        {"small_particle_orange", 7, 0, 20},
        {"small_particle_pink", 8, 0, 20},
        {"small_particle_red", 9, 0, 20},
        {"small_particle_white", 0, 0, 20},
        {"small_whitering", 0, 1, 16},
        {"stun_star", 7, 2, 30},
        {"tesmo_bomb", 0, 1, 40},
        {"tesmo_bomb_bg", 5, 0, 40},
        {"white_in", 0, 0, 20},
        {"white_jumpblast", 0, 1, 14},
        {"white_out", 0, 0, 20},
    };
    for (const fx& e : effects) {
        // Two rings are written in the second row form (a size pair instead
        // of a scale); the others grow by scale.
        const bool sized =
            std::string(e.name) == "black_ring" || std::string(e.name) == "darkball_out";
        l << "EFFECT_DEFINITION" << join({e.name, sized ? "1" : "0"});
        const int base = 1200 + 10 * e.colour;
        const int steps = 4;
        const std::string name(e.name);
        // The fades start on an empty keyframe: a negative sprite draws nothing.
        if (name == "white_in" || name == "white_out") l << join({"-1", "2", "effects.png"});
        for (int s = 0; s < steps; ++s) {
            const int frames = e.frames / steps;
            const int alpha = 255 - s * 60;
            // A slow ring pauses unseen on its third keyframe (hidden flag).
            const std::string hidden = name == "ring_slow" && s == 2 ? "1" : "0";
            if (e.kind == 0) {  // shrinking soft particle: step down the disc sizes
                l << join({n(base + 4 - s), n(frames), "effects.png", n(alpha), "1.0", "0", "1",
                           "0", "0", hidden});
            } else if (e.kind == 1 && sized) {  // a ring stepping through its sizes
                l << join({n(base + 5 + s % 3), n(frames), "effects.png", n(alpha), "32x32", "0",
                           "1", "1", "0", hidden});
            } else if (e.kind == 1) {  // a ring growing by linear scale
                char scale[16];
                std::snprintf(scale, sizeof scale, "%.1f", 0.6 + s * 0.5);
                l << join({n(base + 5 + s % 3), n(frames), "effects.png", n(alpha), scale, "0", "1",
                           "1", "0", hidden});
            } else {  // a turning sparkle
                l << join({n(base + 8 + s % 2), n(frames), "effects.png", n(alpha), "1.0",
                           n(s * 45), "1", "0", "1", hidden});
            }
        }
        l << "DEFINITION_END";
    }
    // One definition of the full twenty keyframes, which nothing plays.
    l << "EFFECT_DEFINITION"
      << "unused_twenty,0";
    for (int s = 0; s < 20; ++s) l << join({n(1200 + s % 10), "1", "p"});
    l << "DEFINITION_END";
    out.add_text("datas/lists/effect.list", l.text);
}

}  // namespace

void make_lists(demo_files& out, const std::vector<picture_sheet>& pictures) {
    file_list(out, pictures);
    entity_list(out);
    play_list(out);
    effect_list(out);
}

}  // namespace demo
