// Masks (handle type 7): the calls graphics start-up, shutdown, the draw
// target and device re-creation make into the mask module.
#pragma once

namespace DuRud {

int StartMasks();  // -1 when already started (or not built)
int EndMasks();    // -1 when not started
int IsMaskEnabled();
int SetMaskEnabled(int flag);  // -1 without a mask screen
int ReleaseMaskScreen();
int RestoreMaskScreen();  // -1 when not started

}  // namespace DuRud
