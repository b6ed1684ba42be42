// Placeholder of graphics and 3D models (deleted when those modules are
// built): no device and no display-mode list exist; the screen settings give
// their unset defaults.
#include "DuRud.h"
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
int SetBlendMode(int, int) {
    return ReportMissingModule(kModule, "SetBlendMode");
}
int SetBrightness(int, int, int) {
    return ReportMissingModule(kModule, "SetBrightness");
}
// The colour value of the game's 32-bit screen: X8R8G8B8 with the unused top byte set.
uint32_t MakeColorValue(int red, int green, int blue) {
    return 0xFF000000u | (static_cast<uint32_t>(red & 0xFF) << 16) |
           (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(blue & 0xFF);
}
int DrawBoxShape(int, int, int, int, uint32_t, int) {
    return ReportMissingModule(kModule, "DrawBoxShape");
}
int FlipScreen() {
    return ReportMissingModule(kModule, "FlipScreen");
}
int StartModels() {
    return ReportMissingModule("3D model", "StartModels");
}
int EndModels() {
    return 0;
}

}  // namespace DuRud
