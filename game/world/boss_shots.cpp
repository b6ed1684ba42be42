#include "world/boss_shots.h"

#include "world/bullet.h"
#include "world/game_random.h"
#include "world/music.h"
#include "world/pools.h"

bullet* boss_bullet(int type, int life, int flicker, double x, double y, double angle,
                    double speed) {
    const int slot = spawn_bullet_by_type(type, life, flicker, x, y, angle, speed);
    return slot >= 0 && slot < bullets.size ? &bullets[slot] : nullptr;
}

bullet* boss_slowing_bullet(int type, int life, int flicker, double x, double y, double angle,
                            double speed) {
    bullet* b = boss_bullet(type, life, flicker, x, y, angle, speed);
    if (b) b->accel = -speed / life;
    return b;
}

// game_random(n) is a draw mod n, so the masks below are the same draws.
void boss_sparks(int n, double x, double y, uint32_t flags, uint32_t flags2, double scale) {
    for (int k = 0; k < n; ++k) {
        const int type = 3 + static_cast<int>(game_random_draw() & 3);
        const double dx = static_cast<int>(game_random_draw() & 15) - 8;
        const double dy = static_cast<int>(game_random_draw() & 15) - 8;
        const double angle = game_random_draw() % 360;
        if (bullet* b = boss_slowing_bullet(type, 40, 0, x + dx, y + dy, angle, 5.0)) {
            b->flags |= flag_falling_out | flags;
            b->flags2 |= flags2;
            b->draw_scale = scale;
        }
    }
}

void boss_stop_music() {
    if (current_music != -1) control_music(music_stop, 0, 0);
}

enemy* boss_of(entity* self) {
    return self ? as_enemy(self) : nullptr;
}
