#include "shell/blur.h"

#include "DuRud.h"

void blur_into_target(int32_t source, int around, int centre, int box_bottom) {
    static constexpr int offsets[8][2] = {{0, -2}, {-1, -1}, {-2, 0}, {-1, 1},
                                          {0, 2},  {1, 1},   {2, 0},  {1, -1}};
    DuRud::SetBlendMode(0, 0);
    DuRud::DrawBoxShape(0, 0, 800, box_bottom, DuRud::MakeColorValue(0, 0, 0), 1);
    DuRud::SetBlendMode(2, around);
    for (const auto& o : offsets) DuRud::DrawGraphicAt(o[0], o[1], source, 0);
    DuRud::SetBlendMode(2, centre);
    DuRud::DrawGraphicAt(0, 0, source, 0);
}
