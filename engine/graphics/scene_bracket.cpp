// The scene bracket of the device path: the one place that begins a scene
// and the one that ends it.
#include "graphics/scene_bracket.h"

#include "graphics/device_layer.h"
#include "graphics/draw_state_apply.h"
#include "graphics/render_state_cache.h"

namespace DuRud {
namespace {
int g_sceneBegun = 0;
}  // namespace

// A new scene sends the vertex format and the first texture again.
int EnsureSceneBegun() {
    if (g_sceneBegun || !HasDevice()) return 0;
    if (FAILED(DeviceBeginScene())) return -1;
    g_sceneBegun = 1;
    GetRenderStateCache().fvf = 0;
    ForgetPreparedDraw();
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

}  // namespace DuRud
