// Placeholder of graphics and 3D models (deleted when those modules are
// built): no device and no display-mode list exist; the screen settings give
// their unset defaults.
#include "graphics/graphics_startup.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "graphics";
// Kept so the window can size itself for a 320 x 240 screen drawn at double
// size before graphics exists.
int g_emulate320x240 = 0;
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
int QueryDrawSize(int* width, int* height) {
    if (width) *width = 640;
    if (height) *height = 480;
    return 0;
}
int QueryColorBits() {
    return 16;
}
int QueryRefreshRate() {
    return 0;
}
int IsHardwareRenderingWanted() {
    return 1;
}
int QueryDisplayModeCount() {
    return 0;
}
DisplayModeInfo QueryDisplayMode(int) {
    return {-1, -1, -1, -1};
}
int SetScreenMode(int, int, int, int) {
    return ReportMissingModule(kModule, "SetScreenMode");
}
int StoreScreenSize(int, int) {
    return 0;
}
int SetEmulate320x240(int flag) {
    g_emulate320x240 = flag ? 1 : 0;
    return 0;
}
int GetEmulate320x240() {
    return g_emulate320x240;
}
int StartModels() {
    return ReportMissingModule("3D model", "StartModels");
}
int EndModels() {
    return 0;
}

}  // namespace DuRud
