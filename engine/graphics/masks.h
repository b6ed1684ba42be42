// Masks (handle type 7): the calls graphics start-up, shutdown, the draw
// target and device re-creation make into the mask module.
#pragma once

namespace DuRud {

int StartMasks();  // -1 when already started
int EndMasks();    // -1 when not started
int IsMaskEnabled();
int SetMaskEnabled(int flag);  // -1 without a mask screen
int ReleaseMaskScreen();
int RestoreMaskScreen();         // -1 when not started
int MakeMaskScreen(int wanted);  // 0; nothing when wanted is 0
int ResetMaskUse();              // the draw-settings reset: use requested again

// Engine-internal entries for tests (nothing in the system makes a mask):
// make the mask screen, fill a rectangle of mask bytes with a value (the
// buffer and the mask texture), compose where the byte is not 0.
int MakeTestMaskScreen();                                           // -1 when not started
int WriteTestMaskBytes(int x1, int y1, int x2, int y2, int value);  // -1 without a mask screen
int SetTestMaskReversed(int reversed);
int TestMaskPitch();  // bytes per mask row, -1 without a mask screen

}  // namespace DuRud
