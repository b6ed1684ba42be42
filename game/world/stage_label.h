// The stage label at the foot of the screen: " 3-3" for stage number 23.
#pragma once

// Nothing for a stage number of 0 or less.
void draw_stage_label(int stage_number, int y_offset);
