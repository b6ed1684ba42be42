// Graphics start-up and screen modes: the module brought up in the stored
// mode (Direct3D or the software renderer), the screen mode set before or
// after engine start-up, and the mode change that ends and starts the whole
// module again with its fall-backs.
#include "graphics/graphics_startup.h"

#include "core/engine_lifecycle.h"
#include "core/text_literals.h"
#include "font/font_handles.h"
#include "graphics/buffer_handles.h"
#include "graphics/device_setup.h"
#include "graphics/display_modes.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/graphic_handles.h"
#include "graphics/graphic_restore.h"
#include "graphics/in_place_filter_probe.h"
#include "graphics/masks.h"
#include "graphics/screen_state.h"
#include "graphics/base_shaders.h"
#include "graphics/shader_constants.h"
#include "graphics/shader_handles.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"
#include "window/main_window.h"
#include "window/window_state.h"

namespace DuRud {
namespace {

void Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
}

// Stores a whole mode; the software images follow its colour depth.
void StoreMode(int width, int height, int bits, int refreshRate) {
    ScreenState& s = GetScreenState();
    StoreScreenSize(width, height);
    s.colorBits = bits;
    s.refreshRate = refreshRate;
    SetMemImgDefaultColorType(bits == 32 ? 1 : 0);
}

int StartInMode(int width, int height, int bits, int refreshRate) {
    StoreMode(width, height, bits, refreshRate);
    return StartGraphics();
}

// The start attempts after the asked mode failed; the last one failing ends
// the program.
void StartWithFallbacks(int width, int height, int oldWidth, int oldHeight, int oldBits,
                        int oldRefresh) {
    ScreenState& s = GetScreenState();
    if (width == 320 && height == 240) {
        s.emulate320x240 = 1;
        if (StartInMode(640, 480, s.colorBits, s.refreshRate) == 0) return;
    }
    if (StartInMode(oldWidth, oldHeight, oldBits, oldRefresh) == 0) return;
    if (StartInMode(640, 480, 16, 0) == 0) return;
    if (StartInMode(640, 480, 32, 0) == 0) return;
    FatalExit(Cp932Text("予期せぬ画面モード変更不能現象が起きました2\n"));
}

}  // namespace

int StartGraphics() {
    ScreenState& s = GetScreenState();
    if (s.started) return 0;
    if (s.screenWidth == 0 || s.screenHeight == 0) StoreScreenSize(640, 480);
    if (s.colorBits == 0) {
        s.colorBits = 16;
        SetMemImgDefaultColorType(0);
    }
    if (s.screenWidth == 320 && s.screenHeight == 240 && GetWindowModeFlag() != 1) {
        s.autoEmulate320x240 = 1;
        StoreScreenSize(640, 480);  // drawn as 320 x 240
    }
    ShaderConstantCache& constants = EngineShaderConstants();
    InitShaderConstantCache(&constants);
    SetActiveShaderLayers(&constants, 1);
    if (SetupScreenDevice() != 0) {
        EndGraphics();
        return -1;
    }
    RegisterGraphicHandleType();
    RegisterShaderHandleType();
    RegisterBufferHandleTypes();
    s.started = 1;
    s.startedOnDirect3D = s.useDirect3D;
    if (s.useDirect3D)
        InitDeviceState();
    else
        CreateSoftwarePrimary();
    ResetDrawSettings();
    BuildMemImgBlendTables();
    InitializeFonts();
    StartMasks();
    ResendAllRenderState();
    s.inPlaceFilterWorks = 0;
    if (s.useDirect3D && ProgrammableShadersInUse()) s.inPlaceFilterWorks = ProbeInPlaceFilter();
    return 0;
}

int SetScreenMode(int width, int height, int colorBits, int refreshRate) {
    if (width <= 0 || height <= 0 || (colorBits != 8 && colorBits != 16 && colorBits != 32))
        return -1;
    ScreenState& s = GetScreenState();
    if (!GetEngineFlags().initialised) {
        StoreMode(width, height, colorBits, refreshRate);
        return 0;
    }
    const int oldWidth = s.screenWidth, oldHeight = s.screenHeight;
    const int oldBits = s.colorBits, oldRefresh = s.refreshRate;
    ChangeScreenMode(width, height, colorBits, 0, refreshRate);
    const bool windowed = GetWindowModeFlag() == 1;
    int drawWidth = 0, drawHeight = 0;
    QueryDrawSize(&drawWidth, &drawHeight);
    const bool sizeMatches = (s.screenWidth == width && s.screenHeight == height) ||
                             (drawWidth == width && drawHeight == height);
    if (sizeMatches && (windowed || (s.colorBits == colorBits && s.refreshRate == refreshRate)))
        return 0;
    if (s.screenWidth == oldWidth && s.screenHeight == oldHeight && s.colorBits == oldBits &&
        s.refreshRate == oldRefresh)
        return -1;
    const bool defaultMode = s.screenWidth == 640 && s.screenHeight == 480 &&
                             (!windowed || (s.colorBits == 16 && s.refreshRate == 0));
    return defaultMode ? -2 : -1;
}

int ChangeScreenMode(int width, int height, int colorBits, int force, int refreshRate) {
    ScreenState& s = GetScreenState();
    s.modeChangeRunning = 1;
    FlushVertexBatch();
    const bool wasStarted = s.started != 0;
    const bool windowed = GetWindowModeFlag() == 1;
    if (!windowed && width == 320 && height == 240) {
        s.autoEmulate320x240 = 1;
        width = 640;
        height = 480;
    } else {
        if (windowed && force == 1 && s.autoEmulate320x240 && s.screenWidth == 640 &&
            s.screenHeight == 480) {
            width = 320;
            height = 240;
        }
        if (windowed || s.screenWidth != 640 || s.screenHeight != 480) s.autoEmulate320x240 = 0;
        if (width == -1) width = s.screenWidth;
        if (height == -1) height = s.screenHeight;
    }
    if (colorBits == -1) colorBits = s.colorBits;
    if (refreshRate == -1) refreshRate = s.refreshRate;
    if (width == s.screenWidth && height == s.screenHeight && colorBits == s.colorBits &&
        refreshRate == s.refreshRate && force == 0) {
        s.modeChangeRunning = 0;
        return 0;
    }
    Log("画面モード変更処理を開始します\n");
    LogIndent();
    char face[256] = {};
    int fontSize = -1, fontThickness = -1;
    const Handle defaultFont = wasStarted ? GetDefaultFontHandle() : -1;
    const bool keepFont = defaultFont != -1 && IsFontHandleValid(defaultFont) &&
                          GetFontInfo(face, &fontSize, &fontThickness, defaultFont) == 0;
    const int oldWidth = s.screenWidth, oldHeight = s.screenHeight;
    const int oldBits = s.colorBits, oldRefresh = s.refreshRate;
    const EngineFlags& engine = GetEngineFlags();
    if ((!engine.initialising && !engine.initialised) ||
        (!windowed && !IsDisplayModeAvailable(width, height, colorBits))) {
        LogUnindent();
        s.modeChangeRunning = 0;
        return 0;
    }
    const int target = QueryDrawTarget();
    if (wasStarted) EndGraphics();
    if (StartInMode(width, height, colorBits, refreshRate) != 0)
        StartWithFallbacks(width, height, oldWidth, oldHeight, oldBits, oldRefresh);
    if (windowed) ApplyWindowStyle();
    if (keepFont) SetDefaultFont(face, fontSize, fontThickness);
    LogUnindent();
    Log("画面モード変更処理は正常に終了しました\n");
    PumpWindowMessages();
    // A graphic target went with the old module: the reset's target stands.
    if (SelectDrawTarget(target) != 0) SelectDrawTarget(QueryDrawTarget());
    for (int slot = 1; slot < GetDeviceResources().caps.renderTargetSlots; ++slot)
        SetRenderTargetSlot(slot, -1);
    RefreshDragAcceptFiles();
    s.modeChangeRunning = 0;
    return 0;
}

}  // namespace DuRud
