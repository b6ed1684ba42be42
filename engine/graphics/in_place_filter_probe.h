// The start-up probe that tells whether a filter may write into the graphic
// it reads: an 8 x 8 picture inverted in place and read back.
#pragma once

namespace DuRud {

// 1 when every probed channel came back inverted, else 0 (also when a step
// failed). Graphics start-up runs it with programmable shaders in use.
int ProbeInPlaceFilter();

}  // namespace DuRud
