// Enemy bullets: their update, drawing and spawners.
#pragma once

#include "world/entity.h"

int update_bullet(bullet* b);
int draw_bullet(bullet* b);
// The slot index; -1 when the pool is full and no bullet is shrinking away.
int spawn_bullet(int life, int flicker, int sprite, int spin_mode, double x, double y, double hit_w,
                 double hit_h, double heading, double speed, double turn, double accel,
                 double turn_accel, double accel_change);
// A bullet of the bullet list's type; -2 for an index outside the table, a
// record past those read or one whose code is -1.
int spawn_bullet_by_type(int type, int life, int flicker, double x, double y, double heading,
                         double speed);
// The bullet's step of the stage frame.
void step_bullet(bullet* b);
