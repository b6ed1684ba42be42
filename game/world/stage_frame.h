// One frame of play: the five steps the play scene runs in a fixed order,
// the per-pool update and the progress step that turns requests into scene
// changes and settles the stage bonus.
#pragma once

// 1 while a player is active; otherwise game_state becomes 6 and 0.
int check_players_alive();
// Every pool in a fixed order, slots in index order. Always 1.
int update_world();
// Debug keys, the stage bonus and the scene requests; 0 when a debug key
// changed the scene or the request.
int update_progress();
// Empties the draw queue and runs the five steps, stopping at the first that
// does not return 1. True when all five returned 1.
bool run_stage_frame();
