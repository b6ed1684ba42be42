// Placeholder of the graphics parts not built yet (deleted as they are):
// graphics start and end, the draw target, the game's blend, brightness, colour
// value, box and flip calls, the vertex batch (always empty), the scene
// bracket, the vsync wish (on), model buffers (none), 3D models, the
// background colour and the stretched draw.
#include "DuRud.h"
#include "graphics/device_layer.h"
#include "graphics/draw_settings.h"
#include "graphics/graphics_startup.h"
#include "graphics/model_buffers.h"
#include "graphics/scene_bracket.h"
#include "graphics/vertex_batch.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "graphics";
int g_sceneBegun = 0;
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
int SetSamplingMode(int) {
    return ReportMissingModule(kModule, "SetSamplingMode");
}
int DrawGraphicAt(int, int, Handle, int) {
    return ReportMissingModule(kModule, "DrawGraphicAt");
}
int DrawGraphicAtF(float, float, Handle, int) {
    return ReportMissingModule(kModule, "DrawGraphicAtF");
}
int DrawGraphicRotated(int, int, double, double, Handle, int, int) {
    return ReportMissingModule(kModule, "DrawGraphicRotated");
}
int DrawGraphicPart(int, int, int, int, int, int, Handle, int, int) {
    return ReportMissingModule(kModule, "DrawGraphicPart");
}
int SetBackgroundColor(int, int, int) {
    return ReportMissingModule(kModule, "SetBackgroundColor");
}
int DrawGraphicStretched(int, int, int, int, Handle, int) {
    return ReportMissingModule(kModule, "DrawGraphicStretched");
}
int StartModels() {
    return ReportMissingModule("3D model", "StartModels");
}
int EndModels() {
    return 0;
}

int FlushVertexBatch() {
    return 0;
}

int EnsureSceneBegun() {
    if (g_sceneBegun || !HasDevice()) return 0;
    if (FAILED(DeviceBeginScene())) return -1;
    g_sceneBegun = 1;
    return 0;
}
int EndSceneIfBegun() {
    if (g_sceneBegun && HasDevice()) DeviceEndScene();
    g_sceneBegun = 0;
    return 0;
}
int IsSceneBegun() {
    return g_sceneBegun;
}
int ClearSceneBegunFlag() {
    g_sceneBegun = 0;
    return 0;
}

int QueryVSyncWish() {
    return 1;
}

int ReleaseAllModelBuffers() {
    return 0;
}

}  // namespace DuRud
