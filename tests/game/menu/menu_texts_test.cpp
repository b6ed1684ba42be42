// Every text of the pause menu's pages as the player reads it: the code page
// 932 bytes, position, font size and colour of each DrawFormattedText on a
// page's first frame, against the texts written out here by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DuRud.h"
#include "menu_fixture.h"
#include "shell/key_names.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/world_globals.h"

namespace {

constexpr unsigned white = 0xFFFFFFFF, grey = 0xFF606060;

struct Text {
    int size, x, y;
    unsigned colour;
    std::string utf8;
};

// "size x y colour text" with the text in code page 932, as drawn.
std::string line(int size, int x, int y, unsigned colour, const std::string& cp932) {
    return std::to_string(size) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(colour) + " " + cp932;
}

std::vector<std::string> expected(const std::vector<Text>& texts) {
    std::vector<std::string> out;
    for (const Text& t : texts)
        out.push_back(line(t.size, t.x, t.y, t.colour, DuRud::Cp932Text(t.utf8.c_str())));
    std::sort(out.begin(), out.end());
    return out;
}

// The texts of the recorded calls, each with the font size set before it.
std::vector<std::string> drawn() {
    std::vector<std::string> out;
    int size = 0;
    for (const auto& c : fake_engine::calls()) {
        if (c.name == "SetDefaultFontSize") size = std::stoi(c.args);
        if (c.name != "DrawFormattedText") continue;
        // "x, y, colour, text": the text may hold ", " itself.
        std::string rest = c.args;
        int v[3];
        for (int& n : v) {
            const size_t comma = rest.find(", ");
            n = static_cast<int>(std::stoll(rest.substr(0, comma)));
            rest = rest.substr(comma + 2);
        }
        out.push_back(line(size, v[0], v[1], static_cast<unsigned>(v[2]), rest));
    }
    std::sort(out.begin(), out.end());
    return out;
}

const char* const kMove = "キーボードの上下キーでカーソル移動、スペースキーかEnterキーで決定します";
const char* const kAdjust =
    "キーボードの上下キーでカーソル移動、左右キーで調整、スペースキーで決定します";

struct Page {
    const char* name;
    int page;
    void (*set_up)();
    std::vector<Text> texts;
};

const Page kPages[] = {
    {"main",
     0,
     [] {},
     {{16, 160, 160, white, "ゲームメニュー"},
      {14, 160, 210, white, "   キーコンフィグ"},
      {14, 160, 240, white, "   グラフィック"},
      {14, 160, 270, white, "   サウンド"},
      {14, 160, 300, grey, "   ゲーム設定"},
      {14, 160, 360, white, "   ゲームにもどる"},
      {14, 160, 390, white, "   ゲーム終了"},
      {14, 160, 360, white, ">>"},
      {10, 160, 430, white, kMove}}},
    {"quit",
     1,
     [] {},
     {{16, 160, 160, white, "ゲームメニュー >> ゲーム終了"},
      {14, 160, 210, white, "　ゲームを終了します"},
      {14, 160, 225, white, "　よろしいですか？"},
      {14, 160, 270, white, "   はい"},
      {14, 160, 300, white, "   いいえ"},
      {14, 160, 300, white, ">>"},
      {10, 160, 430, white,
       "キーボードの矢印キーでカーソル移動、スペースキーかEnterキーで決定します"}}},
    {"sound at BGM 0.8",
     2,
     [] { bgm_volume = 0.8; },
     {{16, 160, 160, white, "ゲームメニュー"},
      {14, 160, 210, white, "   BGM: 80 ％"},
      {14, 160, 240, white, "   効果音: 100 ％"},
      {14, 160, 300, white, "   もどる"},
      {14, 160, 210, white, ">>"},
      {10, 160, 430, white, kAdjust}}},
    {"key configuration with one pad, none chosen",
     3,
     [] {
         fake_engine::script("GetJoypadCount", {1, 1, 1});
     },
     {{16, 160, 160, white, "ゲームメニュー >> キーコンフィグ"},
      {14, 160, 210, white, "　ゲームパッドは 1 個 検出されています"},
      {14, 160, 240, white, "　 ゲームパッド 不使用"},
      {14, 160, 270, white, "   キーボード操作設定へ"},
      {14, 160, 300, grey, "   ゲームパッド操作設定へ"},
      {14, 160, 360, white, "   もどる"},
      {14, 160, 240, white, ">>"},
      {10, 160, 430, white, "キーボードの上下キーでカーソル移動、左右キーで変更します"}}},
    {"key configuration with the first pad chosen",
     3,
     [] {
         fake_engine::script("GetJoypadCount", {2, 2, 2});
         players[0].pad = 0;
     },
     {{16, 160, 160, white, "ゲームメニュー >> キーコンフィグ"},
      {14, 160, 210, white, "　ゲームパッドは 2 個 検出されています"},
      {14, 160, 240, white, "　 ゲームパッド 1 を使用"},
      {14, 160, 270, white, "   キーボード操作設定へ"},
      {14, 160, 300, white, "   ゲームパッド操作設定へ"},
      {14, 160, 360, white, "   もどる"},
      {14, 160, 240, white, ">>"},
      {10, 160, 430, white, "キーボードの上下キーでカーソル移動、左右キーで変更します"}}},
    {"graphics at scale 1.0",
     5,
     [] {},
     {{16, 160, 160, white, "ゲームメニュー"},
      {14, 160, 210, white, "   フルスクリーンモードで起動: NO"},
      {14, 160, 240, white, "   画面サイズ: 100％ (800 * 600)"},
      {14, 160, 270, white, "   描画モード: ニアレストネイバー"},
      {14, 160, 330, white, "   もどる"},
      {14, 160, 210, white, ">>"},
      {10, 160, 418, white, "この項目の変更は再起動時に有効になります"},
      {10, 160, 430, white, kAdjust}}},
    {"keyboard keys at their defaults",
     6,
     [] { fill_key_names(); },
     {{16, 160, 160, white, "ゲームメニュー >> キーコンフィグ >> キーボード操作設定"},
      {14, 160, 210, white, "　   左: ←"},
      {14, 160, 227, white, "  　 右: →"},
      {14, 160, 244, white, "  　 上: ↑"},
      {14, 160, 261, white, "　   下: ↓"},
      {14, 160, 278, white, "　   ジャンプ: Z"},
      {14, 160, 295, white, "　   攻撃: X"},
      {14, 160, 312, white, "　   orvaneボム: C"},
      {14, 160, 329, white, "　   スタート: Enter"},
      {14, 160, 360, white, "   やりなおす"},
      {14, 160, 385, white, "   これに設定"},
      {14, 160, 410, white, "   もとに戻す"},
      {14, 160, 210, white, "  >>"},
      {10, 160, 430, white, "当てはめるキーを押してください"}}},
    {"pad buttons of the first pad at their defaults",
     7,
     [] { players[0].pad = 0; },
     {{16, 160, 160, white, "ゲームメニュー >> キーコンフィグ >> ゲームパッド操作設定"},
      {14, 160, 210, white, "　   左: 2"},
      {14, 160, 227, white, "  　 右: 3"},
      {14, 160, 244, white, "　   上: 4"},
      {14, 160, 261, white, "　   下: 1"},
      {14, 160, 278, white, "　   ジャンプ: 5"},
      {14, 160, 295, white, "　   攻撃: 6"},
      {14, 160, 312, white, "　   orvaneボム: 0"},
      {14, 160, 329, white, "　   スタート: 7"},
      {14, 160, 360, white, "   やりなおす"},
      {14, 160, 385, white, "   これに設定"},
      {14, 160, 410, white, "   もとに戻す"},
      {14, 160, 210, white, "  >>"},
      {10, 160, 430, white, "ゲームパッド 0 の当てはめるボタンを押してください"}}},
};

using MenuTexts = MenuFixture;

TEST_F(MenuTexts, EveryPageShowsItsTextsWhereTheyBelong) {
    for (const Page& p : kPages) {
        SCOPED_TRACE(p.name);
        fake_engine::reset();
        menu_state = menu_state_record{};
        menu_state.page = p.page;
        players[0].pad = -1;
        p.set_up();
        run_menu_page();
        EXPECT_EQ(drawn(), expected(p.texts));
    }
}

}  // namespace
