// Placeholder of sound handles' stream and pause work and of the sound handle
// record (deleted when sound handles are built): no handle holds a sound, so
// refills and pauses have no work and the record is its header alone.
#include "sound/sound_handle_type.h"
#include "sound/sound_system.h"

namespace DuRud {

int RefillStreamSounds() {
    return 0;
}
int PauseAllSounds(int) {
    return 0;
}

int SoundHandleRecordSize() {
    return static_cast<int>(sizeof(HandleHeader));
}
void InitSoundHandleRecord(HandleHeader*) {}
int TerminateSoundHandleRecord(HandleHeader*) {
    return 0;
}

}  // namespace DuRud
