// The stage files, 800 x 576 each: information block, then placements.
// Coordinates are centres; a 32-pixel block row stands on y 560.
#include <string>
#include <vector>

#include "demo_files.h"

namespace demo {

std::string cp932(const std::string& utf8);

namespace {

class stage_writer {
  public:
    stage_writer(int background, int transition, int music, const char* comment) {
        line(std::string("# ") + comment);
        line("STAGE_INFORMATION");
        line(std::to_string(background) + "," + std::to_string(background + 1));
        line("0");
        line("800x576");
        line("0,0");
        line("0,0");
        line("0");
        line(std::to_string(transition));
        line(std::to_string(music));
    }
    void section(const char* name) { line(name); }
    // type, x, y, flags, move pattern, block interaction, own interaction, extras
    void place(const std::string& type, int x, int y, int flags, const std::string& move,
               const std::string& contact = "0", const std::string& own = "nothing",
               const std::string& extra = "") {
        line(type + "," + std::to_string(x) + "," + std::to_string(y) + "," +
             std::to_string(flags) + "," + move + "," + contact + "," + own +
             (extra.empty() ? "" : "," + extra));
    }
    void repeat(const std::string& direction, int count, int step_x, int step_y) {
        line("REPEAT_PLACEMENT " + direction + "," + std::to_string(count) + "," +
             std::to_string(step_x) + "x" + std::to_string(step_y));
    }
    void item_point(int x, int y, int mask, int rarity, const std::string& rest = "") {
        line(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(mask) + "," +
             std::to_string(rarity) + (rest.empty() ? "" : "," + rest));
    }

    // A floor of blocks across the stage, with a gap of `gap` blocks at `at`.
    void floor(const std::string& type, int gap_at = -1, int gap = 0) {
        section("PLACEMENT_BLOCK");
        for (int k = 0; k < 25; ++k) {
            if (k >= gap_at && k < gap_at + gap) continue;
            place(type, 16 + 32 * k, 560, 1, "move_pattern_default", "interaction_block_typical");
        }
    }
    void platform(const std::string& type, int x, int y, int count) {
        section("PLACEMENT_BLOCK");
        place(type, x, y, 1, "move_pattern_default", "interaction_block_typical");
        repeat("RIGHT", count - 1, 32, 0);
    }
    void player(int x, int y, const std::string& move = "move_pattern_default") {
        section("PLACEMENT_TESMO");
        place("0", x, y, -1, move, "0", "nothing");
        place("0", x + 40, y, -1, move, "0", "nothing");
    }
    void exit_by_key_and_door(int key_x, int key_y, int door_x, int door_y) {
        section("PLACEMENT_ITEM");
        place(cp932("かぎ"), key_x, key_y, 0x81, "move_pattern_key", "0", "nothing");
        place(cp932("とびら"), door_x, door_y, 0x81, "move_pattern_door", "0", "nothing");
    }
    void line(const std::string& text) { text_ += text + "\r\n"; }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

void add(demo_files& out, const char* name, const stage_writer& s) {
    out.add_text(std::string("datas/stages/") + name + ".txt", s.text());
}

stage_writer intro_sky() {
    stage_writer s(500, 0, 6, "the fall through the sky");
    s.player(400, 100, "move_pattern_tesmo_intro1");
    s.section("PLACEMENT_BLOCK");
    for (int k = 0; k < 8; ++k)
        s.place("cloud4", 60 + k * 96, 300 + (k % 3) * 90, 1, "move_pattern_introblock",
                "interaction_default");
    s.section("PLACEMENT_ITEMPOINT");
    s.item_point(200, 200, 0x400, 6);
    s.item_point(600, 260, 0x400, 6);
    return s;
}

stage_writer intro_fall() {
    stage_writer s(502, 1, 6, "the landing");
    s.player(400, 200, "move_pattern_tesmo_intro2");
    s.floor("grass3");
    return s;
}

// A meadow: rabbits, food, a key that shows once every enemy is down.
stage_writer meadow() {
    stage_writer s(500, 1, 0, "meadow");
    s.player(80, 500);
    s.floor("grass3");
    s.platform("wood4", 240, 420, 5);
    s.platform("wood4", 480, 330, 4);
    s.section("PLACEMENT_ENEMY");
    s.place("rabbit", 300, 500, 1, "move_pattern_rabbit_movearound", "0", "nothing", "-1,-1,1.0");
    s.place("rabbit", 560, 300, 1, "move_pattern_rabbit_idle", "0", "nothing", "25,0");
    s.place("rabbit", 700, 500, 1, "move_pattern_rabbit_follow", "0", "nothing", "-30");
    s.repeat("u", 1, 0, 100);
    s.section("PLACEMENT_ITEM");
    s.place(cp932("りんご"), 300, 380, 1, "move_pattern_default");
    s.repeat(" RIGHT", 2, 40, 0);
    s.exit_by_key_and_door(520, 280, 760, 512);
    s.section("PLACEMENT_ITEMPOINT");
    s.item_point(150, 300, 0x2, 1);
    s.item_point(650, 200, 0x4, -1);
    return s;
}

// A generic stage of a theme: floor, platforms, a family of enemies, an exit.
stage_writer themed(const char* comment, int background, int music, const std::string& block,
                    const std::vector<std::pair<std::string, std::string>>& enemies) {
    stage_writer s(background, 1, music, comment);
    s.player(80, 500);
    s.floor(block, 11, 2);
    s.platform(block, 200, 430, 4);
    s.platform(block, 500, 340, 5);
    s.platform(block, 120, 250, 3);
    s.section("PLACEMENT_ENEMY");
    int x = 260;
    for (const auto& [type, move] : enemies) {
        s.place(type, x, x % 2 ? 300 : 480, 1, move, "0", "nothing");
        x += 140;
    }
    s.exit_by_key_and_door(560, 290, 760, 512);
    s.section("PLACEMENT_ITEMPOINT");
    s.item_point(400, 200, 0x2 | 0x4, -1);
    s.item_point(700, 150, 0x10, 2, "move_pattern_default,nothing");
    s.repeat("LEFT", 1, 60, 0);
    return s;
}

stage_writer boss_arena() {
    stage_writer s(510, 2, 3, "the boss");
    s.player(120, 500);
    s.floor("metal0");
    s.section("PLACEMENT_ENEMY");
    s.place("boss", 600, 400, 1, "move_pattern_bossintro_dolvek", "0", "nothing", "0,0");
    s.section("PLACEMENT_BOSSENEMY");
    s.place("boss", 600, 400, 1, "move_pattern_default", "0", "nothing");
    return s;
}

stage_writer bonus(int k) {
    stage_writer s(506 + k % 2, 1, 5, "bonus");
    s.player(80, 500);
    s.floor("sand3");
    s.section("PLACEMENT_ITEM");
    s.place(cp932("コイン"), 200, 480, 1, "move_pattern_default");
    s.repeat("RIGHT", 10, 48, 0);
    s.place(cp932("とびら"), 760, 512, 1, "move_pattern_toggle", "0", "nothing");
    return s;
}

}  // namespace

void make_stages(demo_files& out) {
    add(out, "intro_sky", intro_sky());
    add(out, "intro_fall", intro_fall());
    add(out, "meadow", meadow());
    add(out, "ruins",
        themed("ruins", 502, 1, "stone1",
               {{"trollface", "move_pattern_trollface_movearound"},
                {"fairy", "move_pattern_fairy_movearound"},
                {"trollface", "move_pattern_trollface_turret"}}));
    add(out, "forest",
        themed("forest", 504, 2, "wood3",
               {{"fairy", "move_pattern_fairy_follow"},
                {cp932("けだま"), "move_pattern_furball_bounce"},
                {cp932("けだま"), "move_pattern_furball_charge"}}));
    add(out, "library",
        themed("library", 506, 2, "brick1",
               {{"ghost", "move_pattern_ghost_follow"},
                {"book", "move_pattern_book_shotgun"},
                {"book", "move_pattern_book_sniper"}}));
    add(out, "cave",
        themed("crystal cave", 508, 1, "crystal2",
               {{"rabbit", "move_pattern_rabbit_shoots"}, {"fairy", "move_pattern_fairy_gazer"}}));
    add(out, "garden",
        themed("sky garden", 512, 0, "cloud3",
               {{"fairy", "move_pattern_fairy_shoots"},
                {"rabbit", "move_pattern_rabbit_walkfollow"}}));
    add(out, "clockwork",
        themed("clockwork", 514, 1, "metal1",
               {{"trollface", "move_pattern_trollface_movearound"},
                {"ghost", "move_pattern_ghost_looselyfollow"}}));
    add(out, "gauntlet",
        themed("gauntlet", 516, 2, "brick0",
               {{"rabbit", "move_pattern_rabbit_move1way"},
                {cp932("けだま"), "move_pattern_furball_upaway"},
                {"book", "move_pattern_book_crazyturret"}}));
    add(out, "side",
        themed("side stage", 518, 7, "sand0", {{"rabbit", "move_pattern_rabbit_idle"}}));
    add(out, "arena", boss_arena());
    add(out, "bonus", bonus(0));
    add(out, "vault", bonus(1));
    add(out, "secret",
        themed("secret", 504, 7, "crystal0", {{"bossfairy", "move_pattern_bossfairy"}}));
}

}  // namespace demo
