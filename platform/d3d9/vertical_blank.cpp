// Vertical-blank ticks for Present (interval one) and DirectDraw's wait.
// They lie on whole multiples of the refresh period from the clock's origin.
// They run on the layer's one clock, so under the virtual clock a wait moves
// time exactly to the next tick.
#include "vertical_blank.h"

#include "../win32/clock.h"
#include "knobs.h"

namespace platform::d3d9 {

using platform::ClockNowNanoseconds;
using platform::ClockSleepUntilNanoseconds;

namespace {
int64_t PeriodNanoseconds() {
    std::lock_guard<std::mutex> lock(D3D9KnobMutex());
    return 1000000000LL / D3D9Knobs().refreshHz;
}
}  // namespace

int64_t WaitForNextVerticalBlank() {
    const int64_t period = PeriodNanoseconds();
    const int64_t now = ClockNowNanoseconds();
    // Ticks at whole multiples of the period; 60 Hz gives 16,666,666 ns, so
    // consecutive ticks lie 16,666 or 16,667 microseconds apart.
    const int64_t tick = (now / period + 1) * period;
    ClockSleepUntilNanoseconds(tick);
    return tick / 1000;
}

unsigned CurrentScanLine(bool* inBlank) {
    const int64_t period = PeriodNanoseconds();
    const int64_t phase = ClockNowNanoseconds() % period;
    // 1125 lines a frame, the last 45 of them blank.
    const unsigned line = unsigned(phase * 1125 / period);
    if (inBlank) *inBlank = line >= 1080;
    return line;
}

}  // namespace platform::d3d9
