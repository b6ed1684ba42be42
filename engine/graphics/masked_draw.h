// The mask's hooks around every draw. No operation of this system makes a
// mask screen, so masking is never in use and the hooks only keep count of
// their nesting.
#pragma once

namespace DuRud {

int IsMaskInUse();  // 1 while drawing passes through the mask
// Around one draw of the rectangle (right and bottom exclusive). 0.
int BeginMaskedDraw(int left, int top, int right, int bottom);
int EndMaskedDraw(int left, int top, int right, int bottom);
int MaskedDrawNesting();  // brackets opened and not yet closed

}  // namespace DuRud
