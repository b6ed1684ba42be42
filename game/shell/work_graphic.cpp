// Work graphics: made once at start-up and scene 0, checked at once, since a
// refused one would leave the game running with nothing on screen.
#include "shell/work_graphic.h"

#include "DuRud.h"
#include "world/stop_screen.h"

namespace {
constexpr uint32_t work_graphic_failure = 0xE0000007;
}

int32_t make_work_graphic(int width, int height, uint32_t index) {
    const int32_t handle = DuRud::CreateDrawableGraphic(width, height, 1);
    if (handle == -1) stop_screen(stop_file_load_error, work_graphic_failure, index, 0, 0);
    return handle;
}
