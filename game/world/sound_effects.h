// Sound effects played by their name in the sound list.
#pragma once

// Plays the entry named name, else the first whose name without its first
// character is name, at the effect volume. 0 when an entry matched (even if
// the engine refused to play it), -1 when none did.
int play_sound_effect(const char* name);
