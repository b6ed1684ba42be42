// Vertical-blank ticks for Present (interval one) and DirectDraw's wait.
// They lie on whole multiples of the refresh period from the clock's origin.
// The clock is the steady system clock until the platform clock (with its
// virtual mode for tests) is available to this module.
#include "vertical_blank.h"

#include <chrono>
#include <thread>

#include "knobs.h"

namespace platform::d3d9 {

namespace {
int64_t NowMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t PeriodTimes1000() {
    std::lock_guard<std::mutex> lock(D3D9KnobMutex());
    // Microseconds x 1000, so that 60 Hz keeps its fraction (16,666.667 us).
    return 1000000000LL / D3D9Knobs().refreshHz;
}
}  // namespace

int64_t WaitForNextVerticalBlank() {
    const int64_t period = PeriodTimes1000();
    const int64_t now = NowMicroseconds();
    const int64_t tick = ((now * 1000) / period + 1) * period / 1000;
    std::this_thread::sleep_for(std::chrono::microseconds(tick - now));
    while (NowMicroseconds() < tick) std::this_thread::yield();
    return tick;
}

unsigned CurrentScanLine(bool* inBlank) {
    const int64_t period = PeriodTimes1000();
    const int64_t phase = (NowMicroseconds() * 1000) % period;
    // 1125 lines a frame, the last 45 of them blank.
    const unsigned line = unsigned(phase * 1125 / period);
    if (inBlank) *inBlank = line >= 1080;
    return line;
}

}  // namespace platform::d3d9
