// Placeholder of the input devices (deleted when that module is built).
#include "input/input_devices.h"
#include "placeholders/missing_module.h"

namespace DuRud {

int InitializeInput() {
    return ReportMissingModule("input", "InitializeInput");
}
int ShutdownInput() {
    return 0;
}

}  // namespace DuRud
