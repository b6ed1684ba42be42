// The eight pages of the pause menu: drawing (window frame, portrait, title,
// items, help line) and input, with the page texts as code page 932 bytes.
#include <algorithm>

#include "DuRud.h"
#include "shell/key_names.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "world/player.h"
#include "world/pools.h"
#include "world/screen_decor.h"
#include "world/sound_effects.h"
#include "world/sprites.h"
#include "world/stop_screen.h"
#include "world/world_globals.h"
#include "world/data_names.h"

constinit menu_state_record menu_state;

namespace {

constexpr int key_up = 0xC8, key_down = 0xD0, key_left = 0xCB, key_right = 0xCD;
constexpr int key_space = 0x39, key_enter = 0x1C;

const char* text(const char* utf8) {
    return DuRud::Cp932Text(utf8);
}

bool pressed(int key) {
    return menu_state.keys[key].held == 1;
}
bool decide() {
    return pressed(key_space) || pressed(key_enter);
}

int& cursor() {
    return menu_state.cursor[menu_state.page];
}

// The common frame: window, portrait under alpha 96, title.
void draw_page(int portrait, const char* title) {
    draw_window_frame(34, 128.0f, 128.0f);
    DuRud::SetBlendMode(1, 96);
    draw_sprite(portrait, 592, 392, 0, 2.0);
    DuRud::SetBlendMode(0, 0);
    DuRud::SetDefaultFontThickness(5);
    DuRud::SetDefaultFontSize(16);
    DuRud::DrawFormattedText(160, 160, DuRud::MakeColorValue(255, 255, 255), "%s", title);
    DuRud::SetDefaultFontThickness(3);
    DuRud::SetDefaultFontSize(14);
}

void draw_item(int y, const char* label, bool grey = false) {
    const uint32_t c =
        grey ? DuRud::MakeColorValue(96, 96, 96) : DuRud::MakeColorValue(255, 255, 255);
    DuRud::DrawFormattedText(160, y, c, "%s", label);
}

void draw_marker(int y, const char* marker = ">>") {
    DuRud::DrawFormattedText(160, y, DuRud::MakeColorValue(255, 255, 255), "%s", marker);
}

void draw_help(const char* help, int y = 430) {
    DuRud::SetDefaultFontThickness(3);
    DuRud::SetDefaultFontSize(10);
    DuRud::DrawFormattedText(160, y, DuRud::MakeColorValue(255, 255, 255), "%s", help);
}

// Up and down over rows wrapping in first..last.
void move_cursor(int first, int last) {
    int& c = cursor();
    if (pressed(key_up)) --c;
    if (pressed(key_down)) ++c;
    if (c < first) c = last;
    if (c > last) c = first;
}

void go_to(int page) {
    menu_state.page = page;
}

const char* cursor_help() {
    return text("キーボードの上下キーでカーソル移動、スペースキーかEnterキーで決定します");
}
const char* adjust_help() {
    return text("キーボードの上下キーでカーソル移動、左右キーで調整、スペースキーで決定します");
}

}  // namespace

int menu_page_main() {
    if (menu_state.frames_on_page == 0) cursor() = 4;
    draw_page(0, text("ゲームメニュー"));
    const struct {
        int y;
        const char* label;
    } rows[] = {{210, text("   キーコンフィグ")}, {240, text("   グラフィック")},
                {270, text("   サウンド")},       {300, text("   ゲーム設定")},
                {360, text("   ゲームにもどる")}, {390, text("   ゲーム終了")}};
    for (int r = 0; r < 6; ++r) draw_item(rows[r].y, rows[r].label, r == 3);
    draw_marker(rows[cursor()].y);
    draw_help(cursor_help());
    int& c = cursor();
    if (pressed(key_up) && --c == 3) c = 2;
    if (pressed(key_down) && ++c == 3) c = 4;
    if (c < 0) c = 5;
    if (c > 5) c = 0;
    if (!decide()) return 0;
    switch (c) {
        case 0:
            go_to(3);
            break;
        case 1:
            go_to(5);
            break;
        case 2:
            go_to(2);
            break;
        case 3:
            go_to(4);
            break;
        case 4:
            return 1;
        default:
            go_to(1);
            break;
    }
    return 0;
}

int menu_page_quit() {
    if (menu_state.frames_on_page == 0) cursor() = 1;
    draw_page(69, text("ゲームメニュー >> ゲーム終了"));
    draw_item(210, text("　ゲームを終了します"));
    draw_item(225, text("　よろしいですか？"));
    draw_item(270, text("   はい"));
    draw_item(300, text("   いいえ"));
    draw_marker(cursor() == 0 ? 270 : 300);
    draw_help(text("キーボードの矢印キーでカーソル移動、スペースキーかEnterキーで決定します"));
    int& c = cursor();
    if (pressed(key_up) || pressed(key_left)) --c;
    if (pressed(key_down) || pressed(key_right)) ++c;
    c = (c + 2) % 2;
    if (!decide()) return 0;
    if (c == 0) return 1;
    go_to(0);
    return 0;
}

int menu_page_sound() {
    if (menu_state.frames_on_page == 0) cursor() = 0;
    draw_page(65, text("ゲームメニュー"));
    DuRud::DrawFormattedText(160, 210, DuRud::MakeColorValue(255, 255, 255),
                             text("   BGM: %.0f ％"), bgm_volume * 100);
    DuRud::DrawFormattedText(160, 240, DuRud::MakeColorValue(255, 255, 255),
                             text("   効果音: %.0f ％"), se_volume * 100);
    draw_item(300, text("   もどる"));
    const int ys[] = {210, 240, 300};
    draw_marker(ys[cursor()]);
    draw_help(adjust_help());
    move_cursor(0, 2);
    const int c = cursor();
    for (const auto& [key, step] : {std::pair{key_left, -0.05}, std::pair{key_right, 0.05}}) {
        if (!pressed(key)) continue;
        if (c == 0) bgm_volume += step;
        if (c == 1) {
            se_volume += step;
            play_sound_effect(data_names::sound::tesmo_item);
        }
    }
    bgm_volume = std::clamp(bgm_volume, 0.0, 1.0);
    se_volume = std::clamp(se_volume, 0.0, 1.0);
    // The record follows, so that the pages that apply the record (graphics,
    // keys) do not bring the old volumes back.
    settings.bgm_volume = bgm_volume;
    settings.se_volume = se_volume;
    if (decide() && c == 2) go_to(0);
    return 0;
}

int menu_page_key_configuration() {
    if (menu_state.frames_on_page == 0) cursor() = 0;
    tesmo& p = players[0];
    const int pads = DuRud::GetJoypadCount();
    const int usable = std::min(pads, 4);
    draw_page(44, text("ゲームメニュー >> キーコンフィグ"));
    const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
    DuRud::DrawFormattedText(160, 210, white, text("　ゲームパッドは %d 個 検出されています"),
                             pads);
    if (p.pad == -1)
        draw_item(240, text("　 ゲームパッド 不使用"));
    else
        DuRud::DrawFormattedText(160, 240, white, text("　 ゲームパッド %d を使用"), p.pad + 1);
    draw_item(270, text("   キーボード操作設定へ"));
    draw_item(300, text("   ゲームパッド操作設定へ"), p.pad == -1);
    draw_item(360, text("   もどる"));
    const int ys[] = {240, 270, 300, 360};
    draw_marker(ys[cursor()]);
    draw_help(cursor() == 0 ? text("キーボードの上下キーでカーソル移動、左右キーで変更します")
                            : cursor_help());
    int& c = cursor();
    if (pressed(key_up) && --c == 2 && p.pad == -1) c = 1;
    if (pressed(key_down) && ++c == 2 && p.pad == -1) c = 3;
    if (c < 0) c = 3;
    if (c > 3) c = 0;
    if (c == 0) {
        // The choice cycles through "none" and the pads the polling reads.
        bool changed = false;
        if (pressed(key_left)) {
            p.pad = std::max(p.pad - 1, -1);
            changed = true;
        }
        if (pressed(key_right)) {
            if (p.pad + 1 < usable) ++p.pad;
            changed = true;
        }
        if (decide()) {
            p.pad = p.pad + 1 >= usable ? -1 : p.pad + 1;
            changed = true;
        }
        if (changed && p.pad != -1) DuRud::StartJoypadVibration(p.pad + 1, 500, 500);
        return 0;
    }
    if (!decide()) return 0;
    if (c == 1) go_to(6);
    if (c == 2) go_to(7);
    if (c == 3) go_to(0);
    return 0;
}

int menu_page_graphics() {
    if (menu_state.frames_on_page == 0) cursor() = 0;
    draw_page(65, text("ゲームメニュー"));
    const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
    const double s = settings.screen_scale;
    DuRud::DrawFormattedText(160, 210, white, text("   フルスクリーンモードで起動: %s"),
                             settings.full_screen ? "YES" : "NO");
    DuRud::DrawFormattedText(160, 240, white, text("   画面サイズ: %.0f％ (%.0f * %.0f)"), s * 100,
                             800 * s, 600 * s);
    DuRud::DrawFormattedText(160, 270, white, text("   描画モード: %s"),
                             text(settings.sampling_mode ? "バイリニア" : "ニアレストネイバー"));
    draw_item(330, text("   もどる"));
    const int ys[] = {210, 240, 270, 330};
    draw_marker(ys[cursor()]);
    if (cursor() == 1)
        draw_help(text("画面サイズによっては、フルスクリーン表示が利用できない場合があります"),
                  406);
    if (cursor() <= 1) draw_help(text("この項目の変更は再起動時に有効になります"), 418);
    draw_help(adjust_help());
    move_cursor(0, 3);
    const int c = cursor();
    for (const auto& [key, step] : {std::pair{key_left, -0.05}, std::pair{key_right, 0.05}}) {
        if (!pressed(key)) continue;
        if (c == 0) settings.full_screen = settings.full_screen ? 0 : 1;
        if (c == 1) settings.screen_scale += step;
        if (c == 2) settings.sampling_mode = settings.sampling_mode ? 0 : 1;
    }
    sampling_mode = settings.sampling_mode;
    settings.screen_scale = std::clamp(settings.screen_scale, 0.4, 4.0);
    if (decide() && c == 3) {
        go_to(0);
        apply_settings(&settings);
    }
    return 0;
}

int menu_page_assignments(bool pads) {
    if (menu_state.frames_on_page == 0) cursor() = 0;
    static const int portraits[11] = {3, 44, 0, 25, 50, 14, 84, 66, 66, 66, 66};
    static const char* const rows[2][8] = {
        {text("　   左: %s"), text("  　 右: %s"), text("  　 上: %s"), text("　   下: %s"),
         text("　   ジャンプ: %s"), text("　   攻撃: %s"), text("　   orvaneボム: %s"),
         text("　   スタート: %s")},
        {text("　   左: %d"), text("  　 右: %d"), text("　   上: %d"), text("　   下: %d"),
         text("　   ジャンプ: %d"), text("　   攻撃: %d"), text("　   orvaneボム: %d"),
         text("　   スタート: %d")}};
    int& c = cursor();
    const tesmo& p = players[0];
    draw_page(portraits[c], pads ? text("ゲームメニュー >> キーコンフィグ >> ゲームパッド操作設定")
                                 : text("ゲームメニュー >> キーコンフィグ >> キーボード操作設定"));
    const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
    for (int r = 0; r < 8; ++r) {
        const int y = 210 + 17 * r;
        if (pads) {
            DuRud::DrawFormattedText(160, y, white, rows[1][r], settings.pad_buttons[r]);
        } else {
            const int code = settings.key_codes[r];
            DuRud::DrawFormattedText(160, y, white, rows[0][r],
                                     key_name_table[code >= 0 && code < 256 ? code : 0]);
        }
    }
    draw_item(360, text("   やりなおす"));
    draw_item(385, text("   これに設定"));
    draw_item(410, text("   もとに戻す"));
    const int ys[] = {210, 227, 244, 261, 278, 295, 312, 329, 360, 385, 410};
    draw_marker(ys[c], c < 8 ? "  >>" : ">>");
    if (c < 8) {
        if (pads) {
            DuRud::SetDefaultFontThickness(3);
            DuRud::SetDefaultFontSize(10);
            DuRud::DrawFormattedText(
                160, 430, white, text("ゲームパッド %d の当てはめるボタンを押してください"), p.pad);
        } else {
            draw_help(text("当てはめるキーを押してください"));
        }
        // The lowest key or button pressed this frame takes the row.
        if (pads) {
            if (p.pad < 0 || p.pad >= 4) return 0;
            for (int b = 0; b < 32; ++b) {
                if (menu_state.pad_held[p.pad][b] == 1) {
                    settings.pad_buttons[c++] = b;
                    break;
                }
            }
        } else {
            for (int k = 0; k < 256; ++k) {
                if (pressed(k)) {
                    settings.key_codes[c++] = k;
                    break;
                }
            }
        }
        return 0;
    }
    draw_help(cursor_help());
    move_cursor(8, 10);
    if (!decide()) return 0;
    if (c == 8)
        c = 0;
    else if (c == 9) {
        apply_settings(&settings);
        go_to(3);
    } else {
        collect_settings(&settings);
    }
    return 0;
}

int run_menu_page() {
    switch (menu_state.page) {
        case 0:
            return menu_page_main();
        case 1:
            return menu_page_quit();
        case 2:
            return menu_page_sound();
        case 3:
            return menu_page_key_configuration();
        case 4:
            return 0;  // the game settings page shows nothing and takes only ESC
        case 5:
            return menu_page_graphics();
        case 6:
            return menu_page_assignments(false);
        case 7:
            return menu_page_assignments(true);
        default:
            stop_screen(stop_program_state_out_of_range,
                        0xF0000000u + static_cast<uint32_t>(menu_state.page), 0, 0, 0);
            return 0;
    }
}
