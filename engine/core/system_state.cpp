// The one copy of the system values that start-up, window creation and the
// system-information log write and the other modules read.
#include "core/system_services.h"

namespace DuRud {
namespace {

SystemState systemState;

}  // namespace

const SystemState& GetSystemState() {
    return systemState;
}
SystemState& MutableSystemState() {
    return systemState;
}
int GetMmxAvailable() {
    return systemState.mmx;
}
int SetMmxAvailable(int on) {
    systemState.mmx = on ? 1 : 0;
    return 0;
}

}  // namespace DuRud
