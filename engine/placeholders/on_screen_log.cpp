// Placeholder of the on-screen log (deleted when that module is built).
#include "placeholders/missing_module.h"
#include "window/on_screen_log.h"

namespace DuRud {

int StartOnScreenLog() {
    return ReportMissingModule("on-screen log", "StartOnScreenLog");
}
int EndOnScreenLog() {
    return 0;
}

}  // namespace DuRud
