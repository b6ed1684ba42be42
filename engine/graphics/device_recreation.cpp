// Device re-creation: after a lost device or a full-screen window's return
// the device is torn down and made again in place, with every graphic's
// textures, the cached state, the camera and the lights brought back and the
// restore callback run.
#include <memory>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "font/font_handles.h"
#include "graphics/camera.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/draw_surfaces.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_restore.h"
#include "graphics/graphics_startup.h"
#include "graphics/lights.h"
#include "graphics/masks.h"
#include "graphics/model_buffers.h"
#include "graphics/model_handles.h"
#include "graphics/render_state_cache.h"
#include "graphics/screen_state.h"
#include "input/input_devices.h"
#include "image/memimg.h"

namespace DuRud {
namespace {

GraphicsRestoreCallback g_restoreCallback = nullptr;

}  // namespace

// Loader threads must not touch the device while it is replaced or given
// up: their queued loads run to the end first, the main thread serving
// their calls. The main thread sleeps at least 1 ms between rounds: a
// loader that waits a moment (for a busy work texture) is never kept
// waiting by a main thread that only yields.
int FinishQueuedLoads() {
    const DWORD pause = GetSystemState().processorCount > 1 ? 1 : 2;
    while (AsyncRequestCount() > 0) {
        ServeMainThreadRequests();
        Sleep(pause);
    }
    return 0;
}

int SetRestoreCallback(GraphicsRestoreCallback callback) {
    g_restoreCallback = callback;
    return 0;
}

int HasRestoreCallback() {
    return 1;
}

int RunRestoreCallback() {
    const int asynchronous = GetUseAsyncLoad();
    SetUseAsyncLoad(0);
    if (g_restoreCallback)
        g_restoreCallback();
    else
        ReloadAllGraphics();
    RestoreModelTextures();
    RecreateAllFonts();
    SetUseAsyncLoad(asynchronous);
    return 0;
}

int RecreateDevice(int colorBits, int newMode, int width, int height, int refreshRate) {
    ScreenState& s = GetScreenState();
    FinishQueuedLoads();
    // A full-screen deactivation may have released the device already.
    const bool wasDirect3D = s.startedOnDirect3D != 0;
    // The cached values outlive the device; the new device starts from its
    // defaults and is given them again.
    auto kept = std::make_unique<RenderStateCache>(GetRenderStateCache());
    int keptSlots[kRenderTargetSlots];
    for (int slot = 0; slot < kRenderTargetSlots; ++slot)
        keptSlots[slot] = GetDrawSettings().renderTargets[slot];
    if (s.useDirect3D) {
        ReleaseMaskScreen();
        ReleaseAllGraphicTextures();
    }
    ShutdownScreenDevice();
    if (newMode == 1) {
        StoreScreenSize(width, height);
        s.colorBits = colorBits;
        s.refreshRate = refreshRate;
        SetMemImgDefaultColorType(colorBits == 32 ? 1 : 0);
    } else if (!GetEngineFlags().noInput) {
        ShutdownInput();
        InitializeInput();
    }
    // Graphics made as software images stay with the software renderer.
    const int softwareForced = s.softwareForced;
    if (!wasDirect3D) s.softwareForced = 1;
    SetupScreenDevice();
    s.softwareForced = softwareForced;
    if (!s.useDirect3D) {
        // Graphics made as Direct3D textures cannot be drawn in software.
        if (wasDirect3D) FatalExit(Cp932Text("Direct3D デバイスの再作成に失敗しました"));
        return 0;
    }
    RestoreCachedStateValues(*kept);
    RecreateDeviceResources();
    const Camera3DSettings camera = GetCamera3DSettings();
    SelectDrawTarget(QueryDrawTarget());
    ReapplyDeviceState();
    for (int pass = 0; pass < 2; ++pass) {
        ClearDrawTarget(nullptr);
        PresentScreen(nullptr);
    }
    RunRestoreCallback();
    ResendAllRenderState();
    RebuildModelBuffers(0);
    ForceLightsResend();
    if (newMode == 0) {
        const DrawSettings& d = GetDrawSettings();
        SetDrawClip(d.areaX1, d.areaY1, d.areaX2, d.areaY2);
        SetWorldMatrix(&camera.world);
        SetViewMatrix(&camera.view);
        if (camera.projectionKind == kProjectionUser)
            SetUserProjectionMatrix(&camera.userProjection);
        else
            SetProjectionMatrix(&camera.projection);
        SetViewportMatrix(&camera.viewport);
    }
    for (int slot = 1; slot < GetDeviceResources().caps.renderTargetSlots; ++slot)
        SetRenderTargetSlot(slot, keptSlots[slot]);
    return 0;
}

int RestartDevice() {
    return RecreateDevice(-1, 0, -1, -1, -1);
}

}  // namespace DuRud
