// The draw target's engine-side entries; selecting the target, the slots and
// the captures are public (DuRud.h).
#pragma once

namespace DuRud {

// Shows the current picture again (the window procedure, the pump and the
// front-screen timer call it); in full screen drawing first moves to the sub
// back buffer. The flip's result.
int RepaintScreen();

}  // namespace DuRud
