#include "shell/scene_table.h"

#include "shell/scenes.h"

constinit scene_function scene_table[scene_count] = {
    load_lists,     scene_splash,    scene_title,  load_stage, scene_play, scene_stage_transition,
    scene_continue, scene_game_over, scene_result,
};
