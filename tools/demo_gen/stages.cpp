// The stage files: information block, then placements. Every stage is 800 x
// 576 and wraps both ways, but only its top 536 rows are on screen (the status
// panel covers the rest), so the ground row stands with its top at y 504 and
// the 40 rows below it are the hidden band a fall wraps through.
// Coordinates are centres; behaviours are bound by name unless a line shows
// on purpose the other spellings the loader accepts.
#include <string>
#include <vector>

#include "demo_files.h"

namespace demo {

std::string cp932(const std::string& utf8);

namespace {

constexpr int ground_y = 520;  // centre of the ground row (top 504, bottom 536)
constexpr int stand_y = 480;   // a player or enemy standing on the ground
constexpr int tile = 32;

std::string n(int v) {
    return std::to_string(v);
}

// Type names as the lists write them (Japanese names in code page 932).
std::string jp(const char* utf8) {
    return cp932(utf8);
}

class stage_writer {
  public:
    struct info {
        std::vector<int> backgrounds;
        int transition = 1, music = 0, scroll_x = 0, scroll_y = 0;
    };
    stage_writer(const char* comment, const info& i) {
        line(std::string("# ") + comment);
        line("STAGE_INFORMATION");
        std::string list;
        for (int b : i.backgrounds) list += (list.empty() ? "" : ",") + n(b);
        line(list);
        line("0");
        line("800x576");
        line("0,0");
        line(n(i.scroll_x) + "," + n(i.scroll_y));
        line("0");
        line(n(i.transition));
        line(n(i.music));
    }
    void section(const char* name) {
        if (section_ != name) line(name);
        section_ = name;
    }
    // type, x, y, flags, move pattern, block interaction, own interaction, extras
    void place(const std::string& type, int x, int y, int flags, const std::string& move,
               const std::string& contact = "interaction_default",
               const std::string& own = "nothing", const std::string& extra = "") {
        line(type + "," + n(x) + "," + n(y) + "," + n(flags) + "," + move + "," + contact + "," +
             own + (extra.empty() ? "" : "," + extra));
    }
    void repeat(const std::string& direction, int count, int step_x, int step_y) {
        line("REPEAT_PLACEMENT " + direction + "," + n(count) + "," + n(step_x) + "x" + n(step_y));
    }
    void item_point(int x, int y, int mask, int rarity, const std::string& rest = "") {
        section("PLACEMENT_ITEMPOINT");
        line(n(x) + "," + n(y) + "," + n(mask) + "," + n(rarity) +
             (rest.empty() ? "" : "," + rest));
    }

    // Blocks: one, a row to the right, the ground with gaps.
    void block(const std::string& type, int x, int y, int flags = 1,
               const std::string& contact = "interaction_block_typical") {
        section("PLACEMENT_BLOCK");
        place(type, x, y, flags, "move_pattern_default", contact);
    }
    void row(const std::string& type, int x, int y, int count, int flags = 1,
             const std::string& contact = "interaction_block_typical") {
        block(type, x, y, flags, contact);
        if (count > 1) repeat("RIGHT", count - 1, tile, 0);
    }
    // The ground: runs of blocks between the gaps (given as first and last column).
    void ground(const std::string& top, std::vector<std::pair<int, int>> gaps = {}) {
        int from = 0;
        gaps.push_back({25, 25});
        for (const auto& [a, b] : gaps) {
            if (a > from) row(top, 16 + tile * from, ground_y, a - from);
            from = b + 1;
        }
    }
    // A thin platform: only its top face is solid, so a jump passes up through it.
    void ledge(const std::string& type, int x, int y, int count) {
        row(type, x, y, count, 1 | 0x2000 | 0x4000 | 0x8000);
    }
    void players(int x, int y, const std::string& move = "move_pattern_default") {
        section("PLACEMENT_TESMO");
        place("0", x, y, -1, move, "0", "nothing", "0,1");
        place("0", x + 40, y, -1, move, "0", "nothing", "0,1");
    }
    void enemy(const std::string& type, int x, int y, const std::string& move,
               const std::string& extra = "") {
        section("PLACEMENT_ENEMY");
        place(type, x, y, 1, move, "0", "nothing", extra);
    }
    void item(const std::string& type, int x, int y,
              const std::string& move = "move_pattern_default", int flags = 1) {
        section("PLACEMENT_ITEM");
        place(type, x, y, flags, move, "0", "nothing");
    }
    // The usual exit: a key that shows once every enemy is down opens the door.
    void key_and_door(int key_x, int key_y, int door_x, int door_y = stand_y + 8) {
        item(jp("かぎ"), key_x, key_y, "move_pattern_key", 0x81);
        item(jp("とびら"), door_x, door_y, "move_pattern_door", 0x81);
    }
    void line(const std::string& text) { text_ += text + "\r\n"; }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
    std::string section_;
};

void add(demo_files& out, const char* name, const stage_writer& s) {
    out.add_text(std::string("datas/stages/") + name + ".txt", s.text());
}

// --- the opening ------------------------------------------------------------------

// The fall through the sky: clouds rush up past the player, the sky fades
// into dusk, and the unique treasures open on the way.
stage_writer intro_sky() {
    stage_writer s("the fall through the sky", {{500, 501}, 0, 6, 0, -3});
    s.players(400, 100, "move_pattern_tesmo_intro1");
    s.section("PLACEMENT_BLOCK");
    for (int k = 0; k < 8; ++k)
        s.place("cloud4", 60 + k * 96, 300 + (k % 3) * 90, 1, "move_pattern_introblock",
                "interaction_default");
    s.item_point(200, 200, 0x400, 6);
    s.item_point(600, 260, 0x400, 6);
    return s;
}

stage_writer intro_fall() {
    stage_writer s("the landing", {{501}, 1, 6});
    s.players(400, 200, "move_pattern_tesmo_intro2");
    s.ground("grass3");
    return s;
}

// --- the journey --------------------------------------------------------------------

// Rabbits on a meadow; food on the ledges; the key shows once every rabbit
// is down. The repeat lines use every spelling of the four directions.
stage_writer meadow() {
    stage_writer s("meadow", {{502}, 1, 0, 1, 0});
    s.players(80, stand_y);
    // Ground: a run to the right, then the same run continued in other spellings.
    s.block("grass3", 16, ground_y);
    s.repeat("RIGHT", 5, tile, 0);
    s.repeat("r", 2, tile, 0);
    s.repeat("3", 2, tile, 0);
    s.repeat(" RIGHT", 2, tile, 0);
    s.repeat(" r", 2, tile, 0);
    s.repeat(" 3", 2, tile, 0);
    s.block("grass3", 784, ground_y);
    s.repeat("LEFT", 1, tile, 0);
    s.repeat("l", 1, tile, 0);
    s.repeat("1", 1, tile, 0);
    s.repeat(" LEFT", 1, tile, 0);
    s.repeat(" l", 1, tile, 0);
    s.repeat(" 1", 1, tile, 0);
    // A tree trunk of stacked wood under a canopy, and a vine hanging from the top.
    s.block("wood2", 656, 488);
    s.repeat("UP", 1, 0, tile);
    s.repeat("u", 1, 0, tile);
    s.repeat("0", 1, 0, tile);
    s.row("grass3", 592, 360, 5);
    s.block("wood2", 144, 24);
    s.repeat("DOWN", 1, 0, tile);
    s.repeat("d", 1, 0, tile);
    s.repeat("2", 1, 0, tile);
    s.repeat(" DOWN", 1, 0, tile);
    s.repeat(" d", 1, 0, tile);
    s.repeat(" 2", 0, 0, tile);  // a count of 0 adds nothing
    // A stump to jump over.
    s.block("wood0", 432, 488);
    s.repeat(" UP", 1, 0, tile);
    s.repeat(" u", 0, 0, tile);
    s.repeat(" 0", 0, 0, tile);
    s.row("grass3", 240, 400, 5);
    s.row("grass3", 464, 280, 3);
    s.row("grass3", 48, 264, 3);
    s.ledge("wood4", 304, 184, 4);
    // Rabbits of every habit; the idle one copied onto the lower ledge.
    s.enemy("rabbit", 300, stand_y, "move_pattern_rabbit_movearound");
    s.enemy("rabbit", 528, 240, "move_pattern_rabbit_idle");
    s.repeat("LEFT", 1, 200, 0);
    s.enemy("rabbit", 720, stand_y, "move_pattern_rabbit_follow");
    s.enemy("rabbit", 260, 360, "move_pattern_rabbit_shoots");
    s.enemy("rabbit", 360, stand_y, "move_pattern_rabbit_walkfollow");
    s.enemy("rabbit", 600, stand_y, "move_pattern_rabbit_move1way");
    // Food along the ledges.
    s.item(jp("りんご"), 210, 360);
    s.repeat("RIGHT", 3, 32, 0);
    s.item(jp("りんご"), 464, 240);
    s.repeat("RIGHT", 2, 32, 0);
    s.item(jp("ケーキ"), 384, 160);
    // A picnic on the path before the stump: walking right from the start
    // fills the bomb gauge (a juice and three cakes are more than its 100).
    s.item(jp("ジュース"), 144, stand_y + 8);
    s.item(jp("ケーキ"), 176, stand_y + 8);
    s.repeat("RIGHT", 2, 64, 0);
    s.key_and_door(400, 120, 760);
    s.item_point(60, 224, 0x2, -1);
    s.item_point(740, 300, 0x4, -1);
    return s;
}

// Broken columns and stairs: trollfaces and fairies; moving ledges that
// push only up and down or only sideways, a wall nobody clings to, a 3 x 3
// heap whose middle block leaves play and a hidden block.
stage_writer ruins() {
    stage_writer s("ruins", {{503}, 1, 1});
    s.players(64, stand_y);
    s.ground("stone1", {{11, 13}});
    s.row("stone0", 176, 424, 3);
    s.row("stone0", 560, 424, 3);
    s.ledge("stone4", 336, 344, 4);
    s.ledge("stone4", 80, 264, 3);
    s.ledge("stone4", 624, 248, 4);
    // Columns: up-down pushers as the column tops, side pushers as their walls.
    s.block("stone2", 304, 456, 1, "interaction_block_updown");
    s.block("stone2", 496, 456, 1, "interaction_block_leftright");
    s.block("stone2", 496, 424, 1, "interaction_block_leftright");
    // A wall of smooth stone nobody can cling to.
    s.block("stone3", 784, 376, 1, "interaction_block_noclimb");
    s.repeat("UP", 3, 0, tile);
    // A 3 x 3 heap: the enclosed middle block leaves play by itself.
    for (int j = 0; j < 3; ++j) s.row("stone1", 400, 120 + j * tile, 3);
    // A hidden block, never in play.
    s.block("stone1", 720, 120, 0x81);
    s.enemy("trollface", 220, 380, "move_pattern_trollface_movearound");
    s.enemy("trollface", 620, 380, "move_pattern_trollface_turret");
    s.enemy("trollface", 700, stand_y, "move_pattern_trollface_movearound");
    s.enemy("fairy", 400, 250, "move_pattern_fairy_movearound");
    s.enemy("fairy", 120, 200, "move_pattern_fairy_follow");
    s.enemy("fairy", 660, 180, "move_pattern_fairy_shoots");
    // A warp stone high on the heap leads to a bonus room.
    s.item(jp("ワープ"), 432, 72, "move_pattern_important_effective");
    s.key_and_door(336, 300, 760);
    s.item_point(80, 224, 0x8, -1);
    return s;
}

// A forest floor: fairies and furballs, and the fairy queen who calls more.
stage_writer forest() {
    stage_writer s("forest", {{504}, 1, 2});
    s.players(64, stand_y);
    s.ground("wood3", {{8, 9}, {17, 18}});
    s.row("wood0", 176, 408, 4);
    s.row("wood0", 496, 408, 4);
    s.ledge("wood4", 336, 320, 5);
    s.ledge("wood4", 48, 232, 4);
    s.ledge("wood4", 624, 232, 4);
    s.row("wood0", 336, 152, 5);
    s.enemy("fairy", 200, 300, "move_pattern_fairy_movearound_floor");
    s.enemy("fairy", 690, 190, "move_pattern_fairy_turret");
    s.enemy("fairy", 90, 190, "move_pattern_fairy_gazer");
    s.enemy(jp("けだま"), 300, stand_y, "move_pattern_furball_charge");
    s.enemy(jp("けだま"), 560, 360, "move_pattern_furball_bounce");
    s.enemy(jp("けだま"), 420, 280, "move_pattern_furball_upaway");
    s.enemy(jp("けだま"), 640, stand_y, "move_pattern_furball_shoots");
    s.enemy("bossfairy", 400, 100, "move_pattern_bossfairy");
    s.key_and_door(400, 280, 760);
    s.item_point(720, 190, 0x2 | 0x4, -1);
    s.item_point(48, 190, 0x2, 2);
    return s;
}

// Shelves of a library: ghosts drift, books fire; treasure hides in the shelves.
stage_writer library() {
    stage_writer s("library", {{505}, 1, 2});
    s.players(64, stand_y);
    s.ground("brick0");
    for (int j = 0; j < 3; ++j) {
        s.ledge("wood4", 48, 416 - j * 96, 6);
        s.ledge("wood4", 560, 416 - j * 96, 6);
    }
    s.row("brick1", 336, 344, 5);
    s.enemy("ghost", 400, 200, "move_pattern_ghost_follow");
    s.enemy("ghost", 700, 120, "move_pattern_ghost_looselyfollow");
    s.enemy("book", 130, 380, "move_pattern_book_shotgun");
    s.enemy("book", 650, 284, "move_pattern_book_crazyturret");
    s.enemy("book", 400, 300, "move_pattern_book_sniper");
    s.key_and_door(400, 120, 760);
    s.item_point(100, 188, 0x8, -1);
    s.item_point(700, 188, 0x8, 3);
    s.item_point(400, 460, 0x8, 1);
    return s;
}

// A crystal cave of strange charms; its warp stone is the only way on.
stage_writer cave() {
    stage_writer s("crystal cave", {{506}, 1, 1});
    s.players(64, stand_y);
    s.ground("crystal2", {{12, 12}});
    s.row("crystal0", 144, 408, 3);
    s.row("crystal0", 560, 408, 3);
    s.ledge("crystal4", 336, 312, 5);
    s.row("crystal1", 80, 216, 3);
    s.row("crystal1", 656, 216, 3);
    s.enemy("rabbit", 200, stand_y, "move_pattern_rabbit_shoots");
    s.enemy("fairy", 600, 300, "move_pattern_fairy_gazer");
    s.enemy("ghost", 400, 150, "move_pattern_ghost_follow");
    s.enemy(jp("けだま"), 500, stand_y, "move_pattern_furball_bounce");
    s.item(jp("はね"), 176, 368, "move_pattern_important_effective");
    s.item(jp("こおり"), 592, 368, "move_pattern_important_effective");
    s.item(jp("いかずち"), 400, 272, "move_pattern_important_effective");
    s.item(jp("おもり"), 112, 176, "move_pattern_important_effective");
    s.item(jp("ワープ"), 688, 176, "move_pattern_important_effective");
    return s;
}

// Clouds and flower beds high up: every other pickup, and hidden spots of
// fixed rarity that carry their own pattern and effect.
stage_writer garden() {
    stage_writer s("sky garden", {{507}, 1, 0, 1, 0});
    s.players(64, stand_y);
    s.ground("cloud3");
    s.ledge("cloud4", 144, 400, 4);
    s.ledge("cloud4", 528, 400, 4);
    s.ledge("cloud4", 336, 304, 5);
    s.ledge("cloud4", 48, 208, 4);
    s.ledge("cloud4", 624, 208, 4);
    s.enemy("fairy", 300, 200, "move_pattern_fairy_shoots");
    s.enemy("rabbit", 500, stand_y, "move_pattern_rabbit_walkfollow");
    s.enemy("fairy", 700, 300, "move_pattern_fairy_movearound");
    const char* pickups[] = {
        "[P]",        "[P](大)",      "[P](小)",        "ジュース",       "ケーキ",
        "あおいいし", "みどりのいし", "むらさきのいし", "ざんきのカケラ", "くんしょう",
        "めがね",     "ちず",         "あめだま"};
    int x = 112;
    for (const char* p : pickups) {
        s.item(jp(p), x, stand_y + 8);
        x += 48;
    }
    s.key_and_door(400, 264, 760);
    s.item_point(96, 168, 0x4, 1, "move_pattern_important_effective,itempoints_search");
    s.item_point(656, 168, 0x10, 2, "move_pattern_poweritem,nothing");
    s.item_point(400, 168, 0x2, 3, "move_pattern_nothing");
    s.repeat("LEFT", 2, 48, 0);
    s.item_point(720, 168, 0x1, 6, "move_pattern_important_effective,19");
    return s;
}

// Gears and springs: the item patterns, bullet patterns on a harmless gear,
// and every other way a placement line may be written.
stage_writer clockwork() {
    stage_writer s("clockwork", {{508}, 1, 1});
    s.players(64, stand_y);
    s.ground("metal1");
    s.row("metal0", 176, 408, 4);
    s.row("metal0", 496, 408, 4);
    s.ledge("metal4", 336, 312, 5);
    s.row("metal0", 48, 216, 3);
    s.row("metal0", 656, 216, 3);
    // The item patterns: a big cake, power that flies to the player, a medal.
    s.item(jp("ケーキ"), 400, 100, "move_pattern_bigitem");
    s.item("[P]", 208, 368, "move_pattern_poweritem");
    s.item(jp("[P](大)"), 592, 368, "move_pattern_poweritem_switched");
    s.item(jp("くんしょう"), 400, 272, "move_pattern_important_effective");
    s.item(jp("はぐるま"), 80, 176, "move_pattern_toggle");
    // Gears turning in place on the bullet patterns (they move no item).
    s.item(jp("はぐるま"), 688, 176, "move_pattern_bullet_stopandfollow");
    s.item(jp("はぐるま"), 720, 176, "39");
    // Held in the air; never in play; not in use (flags2 all set).
    s.item(jp("はぐるま"), 752, 100, "move_pattern_default", 0x1000001);
    s.item(jp("はぐるま"), 48, 100, "move_pattern_default", 0);
    s.item(jp("はぐるま"), 16, 100, "move_pattern_default", -2);
    // Enemies: start ticks, facing and speed factor; numeric and prefixed names.
    s.enemy("trollface", 240, stand_y, "xmove_pattern_trollface_movearound", "25,0,1.5");
    s.enemy("trollface", 560, stand_y, "9", "-30,1");
    s.enemy("0", 320, 360, "move_pattern_trollface_turret", "-1,-1,0.75");
    s.enemy("1", 680, 170, "13");
    s.section("PLACEMENT_BLOCK");
    s.place("metal2", 400, 488, 1, "move_pattern_default", "3", "0");
    s.place("metal2", 432, 488, 1, "0", "_interaction_block_typical", "_nothing");
    s.key_and_door(400, 232, 760);
    return s;
}

// A long run of every family at once.
stage_writer gauntlet() {
    stage_writer s("gauntlet", {{509}, 1, 2});
    s.players(64, stand_y);
    s.ground("brick0", {{5, 6}, {14, 15}});
    s.row("brick1", 112, 392, 4);
    s.row("brick1", 560, 392, 4);
    s.ledge("brick4", 304, 296, 6);
    s.row("brick1", 48, 200, 3);
    s.row("brick1", 656, 200, 3);
    s.enemy("rabbit", 300, stand_y, "move_pattern_rabbit_move1way");
    s.enemy(jp("けだま"), 420, 256, "move_pattern_furball_upaway");
    s.enemy("book", 80, 160, "move_pattern_book_crazyturret");
    s.enemy("trollface", 600, 350, "move_pattern_trollface_movearound");
    s.enemy("fairy", 700, 150, "move_pattern_fairy_follow");
    s.enemy("ghost", 400, 100, "move_pattern_ghost_looselyfollow");
    s.key_and_door(400, 256, 760);
    s.item_point(688, 160, 0x2 | 0x4 | 0x8, -1);
    return s;
}

// A quiet corner off the play order (the list skips it): sand and a rabbit.
stage_writer side() {
    stage_writer s("side stage", {{510}, 1, 7});
    s.players(64, stand_y);
    s.ground("sand0");
    s.ledge("sand4", 336, 400, 5);
    s.enemy("rabbit", 500, stand_y, "move_pattern_rabbit_idle");
    s.key_and_door(400, 360, 760);
    return s;
}

// The arena: a floor of metal and the boss with its entrance.
stage_writer arena() {
    stage_writer s("the boss", {{511}, 2, 3});
    s.players(120, stand_y);
    s.ground("metal0");
    s.ledge("metal4", 112, 376, 4);
    s.ledge("metal4", 592, 376, 4);
    s.enemy("boss", 600, 400, "move_pattern_bossintro_dolvek", "0,0");
    s.section("PLACEMENT_BOSSENEMY");
    s.place("boss", 600, 400, 1, "move_pattern_default", "0", "nothing");
    return s;
}

// --- side rooms ---------------------------------------------------------------------

// A bonus room: coins in rows, and the way back.
stage_writer bonus() {
    stage_writer s("bonus room", {{512}, 1, 5});
    s.players(64, stand_y);
    s.ground("sand3");
    s.ledge("sand4", 176, 400, 4);
    s.ledge("sand4", 496, 400, 4);
    s.ledge("sand4", 336, 304, 5);
    s.item(jp("コイン"), 160, 472);
    s.repeat("RIGHT", 11, 48, 0);
    s.item(jp("コイン"), 176, 360);
    s.repeat("RIGHT", 3, 32, 0);
    s.item(jp("コイン"), 496, 360);
    s.repeat("RIGHT", 3, 32, 0);
    s.item(jp("ほしのかけら"), 400, 264);
    s.item(jp("もどりみち"), 760, 472, "move_pattern_important_effective");
    s.item_point(336, 264, 0x800, 1);
    s.item_point(464, 264, 0x800, 2);
    s.item_point(400, 200, 0x800, 3);
    return s;
}

// The vault: three chests, a shower of stars, and three ways out.
stage_writer vault() {
    stage_writer s("vault", {{513}, 1, 5});
    s.players(64, stand_y);
    s.ground("brick0");
    s.row("brick1", 176, 400, 4);
    s.row("brick1", 496, 400, 4);
    s.item(jp("たからばこ"), 224, 360);
    s.item(jp("ぎんのはこ"), 400, stand_y);
    s.item(jp("きんのはこ"), 576, 360);
    s.item(jp("ほし"), 400, 260, "move_pattern_important_effective");
    s.item(jp("もどりみち"), 224, 300, "move_pattern_important_effective");
    s.item(jp("はじまりのいし"), 576, 300, "move_pattern_important_effective");
    s.key_and_door(300, 200, 760);
    return s;
}

// The secret garden at the end of the vault's door.
stage_writer secret() {
    stage_writer s("secret", {{514}, 1, 7});
    s.players(64, stand_y);
    s.ground("crystal0");
    s.ledge("crystal4", 176, 400, 4);
    s.ledge("crystal4", 496, 400, 4);
    s.enemy("bossfairy", 400, 150, "move_pattern_bossfairy");
    s.item(jp("ふしぎなたね"), 400, 360, "move_pattern_important_effective");
    s.item(jp("はじまりのいし"), 760, 472, "move_pattern_important_effective");
    return s;
}

}  // namespace

void make_stages(demo_files& out) {
    add(out, "intro_sky", intro_sky());
    add(out, "intro_fall", intro_fall());
    add(out, "meadow", meadow());
    add(out, "ruins", ruins());
    add(out, "forest", forest());
    add(out, "library", library());
    add(out, "cave", cave());
    add(out, "garden", garden());
    add(out, "clockwork", clockwork());
    add(out, "gauntlet", gauntlet());
    add(out, "side", side());
    add(out, "arena", arena());
    add(out, "bonus", bonus());
    add(out, "vault", vault());
    add(out, "secret", secret());
}

}  // namespace demo
