// Graphics shutdown: the reverse of start-up. Also start-up's failure path,
// so every step copes with a module that never fully started.
#include "DuRud.h"
#include "font/font_handles.h"
#include "graphics/device_setup.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphics_startup.h"
#include "graphics/lights.h"
#include "graphics/masks.h"
#include "graphics/screen_state.h"
#include "graphics/shader_package.h"
#include "graphics/software_draw.h"
#include "graphics/work_textures.h"

namespace DuRud {

int EndGraphics() {
    ScreenState& s = GetScreenState();
    TerminateFonts();
    if (!s.started) {
        // A start-up that failed in the device set-up leaves its objects.
        ShutdownScreenDevice();
        ReleaseShaderPackage();
        ReleaseSoftwarePrimary();
        return 0;
    }
    EndMasks();
    EndModels();
    SetUserRenderStateDesc(nullptr, 0);
    DeleteAllHandles(HandleTypeGraphic, nullptr);
    ClearWorkTextureCache();
    DeleteAllHandles(HandleTypeVertexBuffer, nullptr);
    DeleteAllHandles(HandleTypeIndexBuffer, nullptr);
    DeleteAllHandles(HandleTypeShader, nullptr);
    TerminateLights();
    ShutdownScreenDevice();
    ReleaseShaderPackage();
    ReleaseSoftwarePrimary();
    EndHandleType(HandleTypeVertexBuffer);
    EndHandleType(HandleTypeIndexBuffer);
    EndHandleType(HandleTypeShader);
    EndHandleType(HandleTypeGraphic);
    s.started = 0;
    s.startedOnDirect3D = 0;
    return 0;
}

}  // namespace DuRud
