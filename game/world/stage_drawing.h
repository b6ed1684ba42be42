// The last step of the stage frame: the world drawn onto the play area in a
// fixed order of layers, copied to the top of the off-screen, with the
// status panel below it.
#pragma once

// Debug flag: outline every bullet's hitbox. H toggles it in debug mode.
extern int hitbox_display;

// Always 1.
int draw_world();
