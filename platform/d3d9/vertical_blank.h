// The display's vertical blank: ticks at the refresh rate (60 Hz unless the
// knob says otherwise) on the platform clock.
#pragma once

#include <cstdint>

namespace platform::d3d9 {

// Blocks until the next tick; returns its time in microseconds.
int64_t WaitForNextVerticalBlank();
// The scan line the display is on now (0 at the tick) and whether that lies
// in the blanking interval.
unsigned CurrentScanLine(bool* inBlank);

}  // namespace platform::d3d9
