// Placeholder of sound output (deleted when those modules are
// built): nothing plays, so ends, refills, polls and pauses have no work.
#include "placeholders/missing_module.h"
#include "sound/sound_system.h"

namespace DuRud {

int InitSoundSystem() {
    return ReportMissingModule("sound", "InitSoundSystem");
}
int TerminateSoundSystem() {
    return 0;
}
int StopCurrentMusic() {
    return 0;
}
int RefillStreamSounds() {
    return 0;
}
int RefillSoftSoundPlayers() {
    return 0;
}
int PollMusicPlayState() {
    return 0;
}
int HandleMidiNotify() {
    return 0;
}
int PauseAllSounds(int) {
    return 0;
}
int PauseSoftSoundPlayers(int) {
    return 0;
}

}  // namespace DuRud
