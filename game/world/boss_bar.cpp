// The boss health bar.
#include "world/boss_bar.h"

#include "DuRud.h"
#include "world/world_globals.h"

constinit boss_bar_state boss_bar;

boss_bar_state* reset_boss_bar() {
    boss_bar = boss_bar_state{};
    return &boss_bar;
}

namespace {

// The sprite-table entry of an id, or an empty one (a refused handle) outside it.
const sprite_entry& sprite_at(int id) {
    static const sprite_entry none;
    return id >= 0 && id < sprite_table_size ? sprite_table[id] : none;
}

}  // namespace

void draw_boss_bar() {
    boss_bar_state& b = boss_bar;
    if (!b.visible) return;
    character* boss = b.boss ? as_character(b.boss) : nullptr;
    if (!boss) {
        b.visible = 0;
        return;
    }
    // A boss gone from play hides the bar from the next frame on.
    if (!(boss->flags & flag_in_use)) b.visible = 0;
    const int hp = boss->health - b.empty_health;
    b.shown_health = (b.shown_health * 8 + hp) / 9;
    b.y = (b.y * 4 + 60) / 5;
    const sprite_entry& frame = sprite_at(b.frame_sprite);
    const sprite_entry& bar = sprite_at(b.bar_sprite);
    DuRud::DrawGraphicAt(400 - frame.width / 2, static_cast<int>(b.y - frame.height / 2),
                         frame.handle, 1);
    const int range = b.full_health - b.empty_health;
    const double part = range != 0 ? double(bar.width - 6) * b.shown_health / range : 0.0;
    const int width = part > -1e9 && part < 1e9 ? static_cast<int>(part) : 0;
    DuRud::DrawGraphicPart(403 - bar.width / 2, static_cast<int>(b.y - bar.height / 2), 3, 0, width,
                           bar.height, bar.handle, 1, 0);
    const sprite_entry& icon = sprite_at(b.shown_health <= 0 ? b.icon_empty : b.icon);
    DuRud::DrawGraphicAt(400 - frame.width / 2 - icon.width,
                         static_cast<int>(b.y - icon.height / 2), icon.handle, 1);
}
