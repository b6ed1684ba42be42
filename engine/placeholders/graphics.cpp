// Placeholder of the graphics parts not built yet (deleted as they are):
// graphics start and end, the draw target, the game's box and graphic draws
// (also the stretched draw).
#include "DuRud.h"
#include "graphics/graphics_startup.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "graphics";
}  // namespace

int StartGraphics() {
    return ReportMissingModule(kModule, "StartGraphics");
}
int EndGraphics() {
    return 0;
}
int SetRestoreCallback(GraphicsRestoreCallback) {
    return 0;
}
int SelectDrawTarget(int) {
    return ReportMissingModule(kModule, "SelectDrawTarget");
}
int SetScreenMode(int, int, int, int) {
    return ReportMissingModule(kModule, "SetScreenMode");
}

}  // namespace DuRud
