// Placeholder of the graphics parts not built yet (deleted as they are):
// graphics start and end, the draw target, the vertex batch (always empty),
// the scene bracket, the vsync wish (on), model buffers (none), the camera
// (identity view) and the lighting colour upload, 3D models.
#include "graphics/camera.h"
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

int GetCameraViewMatrix(D3DMATRIX* out) {
    *out = D3DMATRIX{};
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return 0;
}
int UploadLightingColourConstants() {
    return 0;
}

}  // namespace DuRud
