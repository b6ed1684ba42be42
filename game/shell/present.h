// Puts the 800 x 600 off-screen on the screen at the run's scale and flips.
#pragma once

// The window scale of this run: screen_scale as it was at start-up (a scale
// changed in the menu takes effect at the next start).
extern double active_screen_scale;

// Back buffer, no blend, the chosen sampling; unscaled at exactly 1.0 unless
// `always_stretched` (the menu), else stretched; nearest sampling again; flip.
void present(bool always_stretched);
