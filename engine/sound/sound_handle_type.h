// The sound handle type (3): the size of its record and its callbacks, which
// the sound system's start-up registers with the handle manager.
#pragma once

#include "DuRud.h"

namespace DuRud {

int SoundHandleRecordSize();
void InitSoundHandleRecord(HandleHeader* record);
int TerminateSoundHandleRecord(HandleHeader* record);  // 1 keeps the record

}  // namespace DuRud
