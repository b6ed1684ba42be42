// Stand-ins for the scenes until they are built: they fill the off-screen dark grey and name
// themselves.
#include "DuRud.h"
#include "shell/scenes.h"
#include "world/world_globals.h"

namespace {

int placeholder_scene(int number) {
    DuRud::DrawBoxShape(0, 0, 800, 600, DuRud::MakeColorValue(64, 64, 64), 1);
    DuRud::DrawFormattedText(8, 8, DuRud::MakeColorValue(255, 255, 255), "scene %d", number);
    return 0;
}

}  // namespace

int scene_splash() {
    return placeholder_scene(1);
}
int scene_title() {
    return placeholder_scene(2);
}
int scene_play() {
    return placeholder_scene(4);
}
int scene_stage_transition() {
    return placeholder_scene(5);
}
int scene_continue() {
    return placeholder_scene(6);
}
int scene_game_over() {
    return placeholder_scene(7);
}
int scene_result() {
    return placeholder_scene(8);
}
