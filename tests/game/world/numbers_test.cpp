// Glyph numbers: popups, the stage label, the boss bar, the status panel,
// the fixed-size formatting and the power level the panel shows.
#include <cstring>

#include "draw_world.h"
#include "world/player.h"
#include "world/stage_label.h"
#include "world/text_format.h"

namespace {

using Numbers = DrawWorld;
using strings = std::vector<std::string>;

std::string at(int x, int y, int sprite) {
    return "DrawGraphicAt(" + std::to_string(x) + ", " + std::to_string(y) + ", " +
           std::to_string(1000 + sprite) + ", 1)";
}

TEST_F(Numbers, ScorePopups) {
    struct Row {
        const char* name;
        int points;
        const char* text;
        int life;
        double scale;
        strings draws;
    };
    const Row rows[] = {
        {"9200",
         9200,
         "9200",
         30,
         2,
         {rotated(376, 300, "2.000000", "0.000000", 147),
          rotated(392, 300, "2.000000", "0.000000", 140),
          rotated(408, 300, "2.000000", "0.000000", 138),
          rotated(424, 300, "2.000000", "0.000000", 138)}},
        {"9201!",
         9201,
         "9201!",
         60,
         4,
         {rotated(336, 300, "4.000000", "0.000000", 147),
          rotated(368, 300, "4.000000", "0.000000", 140),
          rotated(400, 300, "4.000000", "0.000000", 138),
          rotated(432, 300, "4.000000", "0.000000", 139),
          rotated(464, 300, "4.000000", "0.000000", 148)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        popup_texts[0] = popup_text{};
        spawn_score_popup(400, 300, row.points, 255, 255, 0);
        EXPECT_STREQ(popup_texts[0].text, row.text);
        EXPECT_EQ(popup_texts[0].life, row.life);
        EXPECT_EQ(popup_texts[0].scale, row.scale);
        EXPECT_EQ(popup_texts[0].red2, -1);
        fake_engine::reset();
        draw_popup_texts();
        EXPECT_EQ(only("Draw"), row.draws);
        EXPECT_EQ(popup_texts[0].y, 299) << "rises a pixel a frame";
        EXPECT_EQ(popup_texts[0].life, row.life - 1);
    }
}

TEST_F(Numbers, PopupColoursFadesAndHostileText) {
    struct Row {
        const char* name;
        const char* text;
        int life;
        strings trace;
    };
    const std::string end1 = "SetBrightness(255, 255, 255)", end2 = "SetBlendMode(0, 0)";
    const Row rows[] = {
        {"first colour",
         "1",
         16,
         {"SetBrightness(9, 8, 7)", "SetBlendMode(0, 0)",
          rotated(400, 300, "1.000000", "0.000000", 139), end1, end2}},
        {"second colour",
         "1",
         15,
         {"SetBrightness(1, 2, 3)", "SetBlendMode(0, 0)",
          rotated(400, 300, "1.000000", "0.000000", 139), end1, end2}},
        {"fading",
         "1",
         8,
         {"SetBrightness(9, 8, 7)", "SetBlendMode(1, 224)",
          rotated(400, 300, "1.000000", "0.000000", 139), end1, end2}},
        {"code page 932 byte skipped",
         "\x85"
         "1",
         16,
         {"SetBrightness(9, 8, 7)", "SetBlendMode(0, 0)",
          rotated(404, 300, "1.000000", "0.000000", 139), end1, end2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        popup_texts[0] = popup_text{};
        add_popup_text(400, 300, row.text, row.life, 9, 8, 7, 1, 2, 3, 1.0);
        fake_engine::reset();
        draw_popup_texts();
        EXPECT_EQ(fake_engine::trace(), row.trace);
    }
    popup_texts[0] = popup_text{};
    const char* long_text = "0123456789012345678901234567890123456789";
    for (int i = 0; i < popup_text_count; ++i)
        add_popup_text(0, i, long_text, 10, 0, 0, 0, -1, -1, -1, 1);
    EXPECT_STREQ(popup_texts[0].text, "012345678901234");
    add_popup_text(0, 999, "x", 10, 0, 0, 0, -1, -1, -1, 1);
    for (const popup_text& p : popup_texts) EXPECT_NE(p.y, 999) << "the 201st is dropped";
}

TEST_F(Numbers, StageLabel) {
    draw_stage_label(23, 10);
    const strings trace = fake_engine::trace();
    ASSERT_EQ(trace.size(), 16u);
    EXPECT_EQ(
        strings(trace.begin(), trace.begin() + 4),
        (strings{"SetBrightness(96, 96, 96)", rotated(338, 596, "1.000000", "0.000000", 299),
                 "SetBrightness(255, 255, 255)", rotated(336, 594, "1.000000", "0.000000", 299)}));
    const auto draws = only("Draw");
    EXPECT_EQ(draws[3], rotated(368, 594, "1.000000", "0.000000", 318));
    EXPECT_EQ(draws[5], rotated(400, 594, "1.000000", "0.000000", 312));
    EXPECT_EQ(draws[7], rotated(432, 594, "1.000000", "0.000000", 318));
    fake_engine::reset();
    draw_stage_label(0, 0);
    draw_stage_label(-4, 0);
    EXPECT_TRUE(fake_engine::trace().empty());
}

TEST_F(Numbers, BossBarGlidesAndHides) {
    sprite_table[1500] = {7000, 200, 20};
    sprite_table[1501] = {7001, 206, 10};
    sprite_table[1502] = {7002, 24, 24};
    sprite_table[1503] = {7003, 16, 16};
    enemy& boss = enemies[0];
    boss.flags = flag_in_use;
    boss.health = 900;
    boss_bar.visible = 1;
    boss_bar.boss = &boss;
    boss_bar.full_health = 1000;
    boss_bar.icon = 1502;
    boss_bar.icon_empty = 1503;
    draw_boss_bar();  // shown (0 x 8 + 900) / 9 = 100, y 60 / 5 = 12
    EXPECT_EQ(fake_engine::trace(), (strings{"DrawGraphicAt(300, 2, 7000, 1)",
                                             "DrawGraphicPart(300, 7, 3, 0, 20, 10, 7001, 1, 0)",
                                             "DrawGraphicAt(276, 0, 7002, 1)"}));
    boss_bar.shown_health = -1000;
    boss.flags = 0;  // gone: drawn this frame, hidden from the next
    fake_engine::reset();
    draw_boss_bar();  // shown (-8000 + 900) / 9, y (48 + 60) / 5 = 21.6
    EXPECT_FLOAT_EQ(boss_bar.shown_health, -7100.0f / 9);
    EXPECT_EQ(fake_engine::trace(), (strings{"DrawGraphicAt(300, 11, 7000, 1)",
                                             "DrawGraphicPart(300, 16, 3, 0, -157, 10, 7001, 1, 0)",
                                             "DrawGraphicAt(284, 13, 7003, 1)"}));
    fake_engine::reset();
    draw_boss_bar();
    EXPECT_TRUE(fake_engine::trace().empty());
}

TEST_F(Numbers, StatusPanel) {
    tesmo& p = players[0];
    p.flags = flag_in_use;
    p.lives = 5, p.power = 20, p.power_cap = 128, p.life_fragments = 2;
    p.bomb_gauge = 50, p.bomb_cost = 100, p.score = 0;
    hud_panels[0].timer = 150;
    draw_hud();
    const std::string b255 = "SetBlendMode(1, 255)", white = "SetBrightness(255, 255, 255)";
    strings settled = {white,
                       "SetBlendMode(0, 0)",
                       at(0, 536, 360),
                       "SetBlendMode(0, 0)",
                       at(0, 520, 365),
                       at(102, 590, 361),
                       "DrawGraphicPart(102, 590, 0, 0, 144, 10, 1362, 1, 0)",
                       b255,
                       at(201, 541, 367),
                       at(221, 541, 367),
                       at(231, 557, 367),
                       at(221, 573, 367),
                       at(201, 573, 367),
                       at(191, 557, 367),
                       at(211, 557, 367),
                       at(200, 540, 366),
                       at(220, 540, 366),
                       b255,
                       "SetBrightness(128, 128, 128)",
                       at(118, 545, 368),
                       "SetBrightness(32, 96, 128)",
                       "DrawGraphicPart(118, 589, 0, 35, 40, 5, 1368, 1, 0)",
                       white,
                       at(102, 559, 369),
                       b255,
                       at(59, 566, 370),
                       at(75, 566, 375),
                       b255,
                       at(131, 552, 392),
                       at(162, 549, 402),
                       at(169, 549, 400),
                       at(159, 566, 401),
                       at(166, 566, 402),
                       at(173, 566, 408),
                       b255,
                       at(263, 541, 364)};
    for (int k = 1; k <= 8; ++k) settled.push_back(at(243 + 16 * k, 551, 370));
    settled.push_back("SetBlendMode(0, 0)");
    settled.push_back(white);
    EXPECT_EQ(fake_engine::trace(), settled);

    hud_panels[0] = hud_panel{};
    hud_panels[0].timer = 9;
    fake_engine::reset();
    draw_hud();  // 520 + 200 / 1.2^10 = 552.3
    EXPECT_EQ(fake_engine::trace(),
              (strings{white, "SetBlendMode(0, 0)", at(0, 536, 360), "SetBlendMode(0, 0)",
                       at(0, 552, 365), at(102, 622, 361),
                       "DrawGraphicPart(102, 622, 0, 0, 144, 10, 1362, 1, 0)", "SetBlendMode(0, 0)",
                       white}));

    hud_panels[0].score = 12345;  // a new game lowered the score
    draw_hud();
    EXPECT_EQ(hud_panels[0].score, 0);
    p.score = 1000;
    draw_hud();
    EXPECT_EQ(hud_panels[0].score, 210) << "(1000 / 50 + 1) x 10";
}

TEST_F(Numbers, FormattingAndPowerLevel) {
    char text[16];
    EXPECT_EQ(format_text_16(text, "%s", "0123456789012345678901234567890123456789"), 40);
    EXPECT_STREQ(text, "012345678901234");
    struct Row {
        const char* name;
        int power;
        bool percent;
        int result;
    };
    const Row rows[] = {
        {"0", 0, false, 0},
        {"15", 15, false, 0},
        {"15 percent", 15, true, 94},
        {"16", 16, false, 1},
        {"16 percent", 16, true, 0},
        {"20 percent", 20, true, 13},
        {"47", 47, false, 1},
        {"47 percent", 47, true, 97},
        {"48", 48, false, 2},
        {"79", 79, false, 2},
        {"79 percent", 79, true, 97},
        {"80", 80, false, 3},
        {"127", 127, false, 3},
        {"127 percent", 127, true, 98},
        {"128", 128, false, 4},
        {"128 percent", 128, true, 100},
        {"own power 100", -1, false, 3},
        {"negative", -40, false, 0},
    };
    tesmo p;
    p.power = 100;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(player_power_level(&p, row.power, row.percent), row.result);
    }
}

}  // namespace
