// The one copy of the system values that start-up, window creation and the
// system-information log write and the other modules read.
#include <atomic>

#include "core/system_services.h"

namespace DuRud {
namespace {

SystemState systemState;
// -1: not forced. Read by loader threads' pixel conversion.
std::atomic<int> mmxForced{-1};

}  // namespace

const SystemState& GetSystemState() {
    return systemState;
}
SystemState& MutableSystemState() {
    return systemState;
}
int GetMmxAvailable() {
    const int forced = mmxForced.load(std::memory_order_relaxed);
    return forced >= 0 ? forced : systemState.mmx;
}
int SetMmxAvailable(int on) {
    systemState.mmx = on ? 1 : 0;
    return 0;
}
int ForceMmxAvailable(int value) {
    if (value < -1 || value > 1) return -1;
    mmxForced.store(value, std::memory_order_relaxed);
    return 0;
}

}  // namespace DuRud
