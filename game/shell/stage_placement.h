// Turns placement records and item-point lines into entities of the pools,
// with their type data and their behaviours bound by name.
#pragma once

#include <string_view>

// The columns of one item-point line.
struct item_point_columns {
    double x = 0, y = 0;
    int category_mask = 0;
    int rarity = -1;  // -1 when absent
    bool has_move = false, has_effect = false;
    std::string_view move, effect;
};

// Moves a position one repeat step: direction 0 up, 1 left, 2 down, 3 right.
void step_position(double& x, double& y, int direction, int step_x, int step_y);

// Item points placed by the current load.
extern int item_points_placed;

// Places every record of placement_records, kind by kind into pool slots 0,
// 1, 2 ...; a pool overrun stops the game (LIMIT_EXCEEDED).
void place_stage_entities();
// Places the next item point from one line.
void place_item_point(const item_point_columns& columns);
// Copies the last item point count times, each one step on (direction: 0 up,
// 1 left, 2 down, 3 right).
void repeat_item_points(int direction, int count, int step_x, int step_y);
