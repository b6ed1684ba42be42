// The device layer's objects and frame work: loading "d3d9.dll", the
// DirectDraw, Direct3D and device objects, presenting, the vertical-blank
// pacing, the refresh measurement and the repaint timer.
#include "graphics/device_layer.h"

#include <cstdlib>

#include "DuRud.h"
#include "core/system_services.h"
#include "core/text_literals.h"
#include "core/threads_and_locks.h"
#include "graphics/device_setup.h"
#include "graphics/draw_settings.h"
#include "graphics/scene_bracket.h"
#include "graphics/screen_state.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "image/memimg.h"
#include "window/main_window.h"
#include "window/window_calls.h"

namespace DuRud {
namespace {

// A UTF-8 message literal into the log; -1, so failure paths can return it.
int Log(const char* utf8) {
    LogWrite(Cp932Text(utf8));
    return -1;
}

constexpr UINT kSdkVersion = 32;

void FinishRefreshMeasurement();

int NoVSync() {
    return QueryVSyncWish() ? 0 : 1;
}

// The colour bits (and the software colour type) a desktop format implies.
void TakeDesktopBits(D3DFORMAT format) {
    ScreenState& s = GetScreenState();
    if (format == D3DFMT_X8R8G8B8) {
        s.colorBits = 32;
        SetMemImgDefaultColorType(1);
    } else if (format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5) {
        s.colorBits = 16;
        SetMemImgDefaultColorType(0);
    }
}

// The full-screen back-buffer format for the colour bits; D3DFMT_UNKNOWN for
// bits the device cannot show.
D3DFORMAT FormatForBits(int bits) {
    DeviceLayerState& d = GetDeviceLayer();
    if (bits == 32) return D3DFMT_X8R8G8B8;
    if (bits == 16)
        return d.direct3D->GetAdapterModeCount(0, D3DFMT_R5G6B5) > 0 ? D3DFMT_R5G6B5
                                                                     : D3DFMT_X1R5G5B5;
    return D3DFMT_UNKNOWN;
}

}  // namespace

DeviceLayerState& GetDeviceLayer() {
    static DeviceLayerState state = [] {
        DeviceLayerState s{};
        s.refreshPeriod = -1;
        return s;
    }();
    return state;
}

int64_t DeviceClockMicroseconds() {
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return MicrosecondsFromCounter(static_cast<uint64_t>(count.QuadPart),
                                   static_cast<uint64_t>(frequency.QuadPart));
}

// --- creation and release -------------------------------------------------------

int LoadD3D9Library() {
    DeviceLayerState& d = GetDeviceLayer();
    if (d.d3d9Library) return 0;
    d.d3d9Library = LoadLibraryA("d3d9.dll");
    if (!d.d3d9Library) return Log("d3d9.dll の読み込みに失敗しました\n");
    return 0;
}

int UnloadD3D9Library() {
    DeviceLayerState& d = GetDeviceLayer();
    if (d.d3d9Library) {
        Log("Direct3D9 DLL の解放 1\n");
        FreeLibrary(d.d3d9Library);
        d.d3d9Library = nullptr;
    }
    return 0;
}

int CreateDirectDrawObject() {
    DeviceLayerState& d = GetDeviceLayer();
    ReleaseDirectDrawObject();
    Log("DirectDraw オブジェクトの取得を行います....  ");
    auto coCreate =
        WinApi<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(Api_CoCreateInstance);
    void* object = nullptr;
    if (!coCreate || FAILED(coCreate(CLSID_DirectDraw7, nullptr, 7, IID_IDirectDraw7, &object)) ||
        !object)
        return Log("オブジェクトの取得に失敗しました\n");
    d.directDraw = static_cast<IDirectDraw7*>(object);
    Log("成功\n");
    Log("引き続き初期化処理... ");
    if (FAILED(d.directDraw->Initialize(nullptr))) {
        Log("DirectDrawオブジェクトの初期化に失敗しました\n");
        ReleaseDirectDrawObject();
        return -1;
    }
    Log("初期化に成功しました\n");
    d.directDraw->SetCooperativeLevel(static_cast<HWND>(GetMainWindowHandle()), DDSCL_NORMAL);
    return 0;
}

int ReleaseDirectDrawObject() {
    FinishRefreshMeasurement();
    ReleaseAndClear(GetDeviceLayer().directDraw);
    return 0;
}

IDirectDraw7* QueryDirectDrawObject() {
    return GetDeviceLayer().directDraw;
}

int CreateDirect3DObject() {
    DeviceLayerState& d = GetDeviceLayer();
    ReleaseDirect3DObject();
    if (!d.d3d9Library) return -1;
    if (!d.exDisabled) {
        Log("IDirect3D9Ex オブジェクトを取得します.... ");
        auto createEx = reinterpret_cast<HRESULT(WINAPI*)(UINT, IDirect3D9Ex**)>(
            reinterpret_cast<void*>(GetProcAddress(d.d3d9Library, "Direct3DCreate9Ex")));
        IDirect3D9Ex* ex = nullptr;
        if (createEx && SUCCEEDED(createEx(kSdkVersion, &ex)) && ex) {
            d.direct3DEx = ex;
            d.direct3D = ex;
        }
    }
    if (!d.direct3D) {
        Log("IDirect3D9 オブジェクトを取得します.... ");
        auto create = reinterpret_cast<IDirect3D9*(WINAPI*)(UINT)>(
            reinterpret_cast<void*>(GetProcAddress(d.d3d9Library, "Direct3DCreate9")));
        if (!create) return Log("Direct3DCreate9 APIのアドレス取得に失敗しました\n");
        d.direct3D = create(kSdkVersion);
        if (!d.direct3D) return Log("IDirect3D9 オブジェクトの取得に失敗しました\n");
    }
    Log("成功\n");
    return 0;
}

int ReleaseDirect3DObject() {
    DeviceLayerState& d = GetDeviceLayer();
    ReleaseAndClear(d.direct3D);
    d.direct3DEx = nullptr;
    return 0;
}

int CreateScreenDevice() {
    DeviceLayerState& d = GetDeviceLayer();
    ScreenState& s = GetScreenState();
    if (!d.direct3D) return -1;
    const bool windowed = GetWindowModeFlag() == 1;
    HWND displayWindow = static_cast<HWND>(GetDisplayWindowHandle());
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = static_cast<UINT>(s.screenWidth);
    pp.BackBufferHeight = static_cast<UINT>(s.screenHeight);
    pp.BackBufferCount = 1;
    pp.MultiSampleType = d.multisampleType;
    pp.MultiSampleQuality = d.multisampleQuality;
    pp.hDeviceWindow = displayWindow;
    pp.Flags = d.multisampleType == D3DMULTISAMPLE_NONE ? D3DPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
    pp.SwapEffect =
        d.multisampleType == D3DMULTISAMPLE_NONE ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    pp.PresentationInterval = NoVSync() ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
    D3DDISPLAYMODEEX fullScreenMode{};
    bool useFullScreenMode = false;
    if (windowed) {
        D3DDISPLAYMODE mode{};
        d.direct3D->GetAdapterDisplayMode(0, &mode);
        pp.BackBufferFormat = mode.Format;
        pp.Windowed = TRUE;
        TakeDesktopBits(mode.Format);
        SetDesktopComposition(1);
    } else if (GetSystemState().osVersionCode >= kOsWindowsVista && IsEmulating320x240()) {
        // The display mode was switched already: a window over the whole screen.
        D3DDISPLAYMODE mode{};
        d.direct3D->GetAdapterDisplayMode(0, &mode);
        pp.Windowed = TRUE;
        pp.BackBufferFormat = FormatForBits(s.colorBits);
        if (pp.BackBufferFormat == D3DFMT_UNKNOWN)
            return Log("非対応のバックバッファービット深度が指定されました\n");
    } else {
        pp.Windowed = FALSE;
        pp.FullScreen_RefreshRateInHz = static_cast<UINT>(s.refreshRate);
        pp.BackBufferFormat = FormatForBits(s.colorBits);
        if (pp.BackBufferFormat == D3DFMT_UNKNOWN)
            return Log("非対応のバックバッファービット深度が指定されました\n");
        fullScreenMode = {sizeof(D3DDISPLAYMODEEX), pp.BackBufferWidth,
                          pp.BackBufferHeight,      pp.FullScreen_RefreshRateInHz,
                          pp.BackBufferFormat,      D3DSCANLINEORDERING_PROGRESSIVE};
        useFullScreenMode = true;
        if (SetDesktopComposition(0) == 1) Log("Desktop Window Manager を無効にしました\n");
    }
    // Lower the multisampling until both the back buffer and a D16 depth accept it.
    if (d.multisampleType != D3DMULTISAMPLE_NONE) {
        while (d.multisampleType != D3DMULTISAMPLE_NONE) {
            DWORD colourLevels = 0, depthLevels = 0;
            if (SUCCEEDED(d.direct3D->CheckDeviceMultiSampleType(
                    0, D3DDEVTYPE_HAL, pp.BackBufferFormat, pp.Windowed, d.multisampleType,
                    &colourLevels)) &&
                SUCCEEDED(d.direct3D->CheckDeviceMultiSampleType(
                    0, D3DDEVTYPE_HAL, D3DFMT_D16, pp.Windowed, d.multisampleType, &depthLevels))) {
                const DWORD levels = colourLevels < depthLevels ? colourLevels : depthLevels;
                if (d.multisampleQuality >= levels) d.multisampleQuality = levels ? levels - 1 : 0;
                break;
            }
            d.multisampleType = static_cast<D3DMULTISAMPLE_TYPE>(d.multisampleType - 1);
        }
        if (d.multisampleType == D3DMULTISAMPLE_NONE) d.multisampleQuality = 0;
        pp.MultiSampleType = d.multisampleType;
        pp.MultiSampleQuality = d.multisampleQuality;
    }
    D3DCAPS9 caps{};
    d.direct3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    d.vertexProcessing = ((caps.VertexShaderVersion & 0xFFFF) >= 0x200 &&
                          (caps.PixelShaderVersion & 0xFFFF) >= 0x200)
                             ? 1
                             : 0;
    d.vertexShaderVersion = caps.VertexShaderVersion;
    const DWORD hardwareFlags = D3DCREATE_MIXED_VERTEXPROCESSING;
    const DWORD softwareFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    HWND focusWindow = static_cast<HWND>(GetMainWindowHandle());
    int hardware = d.vertexProcessing;
    if (d.direct3DEx) {
        Log("IDirect3DDevice9Ex オブジェクトを取得します.... ");
        D3DDISPLAYMODEEX* mode = useFullScreenMode ? &fullScreenMode : nullptr;
        HRESULT hr = d.direct3DEx->CreateDeviceEx(0, D3DDEVTYPE_HAL, focusWindow,
                                                  hardware ? hardwareFlags : softwareFlags, &pp,
                                                  mode, &d.deviceEx);
        if (FAILED(hr)) {
            hardware = 0;
            hr = d.direct3DEx->CreateDeviceEx(0, D3DDEVTYPE_HAL, focusWindow, softwareFlags, &pp,
                                              mode, &d.deviceEx);
        }
        if (FAILED(hr)) {
            d.deviceEx = nullptr;
            d.exDisabled = 1;
            Log("Direct3DDevice9Ex の作成に失敗しました\n");
            return -2;
        }
        d.device = d.deviceEx;
        d.deviceEx->SetMaximumFrameLatency(1);
    } else {
        Log("IDirect3DDevice9 オブジェクトを取得します.... ");
        HRESULT hr =
            d.direct3D->CreateDevice(0, D3DDEVTYPE_HAL, focusWindow,
                                     hardware ? hardwareFlags : softwareFlags, &pp, &d.device);
        if (FAILED(hr)) {
            hardware = 0;
            hr = d.direct3D->CreateDevice(0, D3DDEVTYPE_HAL, focusWindow, softwareFlags, &pp,
                                          &d.device);
        }
        if (FAILED(hr)) {
            d.device = nullptr;
            return Log("Direct3DDevice9 の作成に失敗しました\n");
        }
    }
    d.vertexProcessing = hardware;
    Log(hardware ? "ハードウエア頂点演算を使用します\n" : "ソフトウエア頂点演算を使用します\n");
    // No depth surface exists yet: only the target is cleared.
    d.device->SetRenderState(D3DRS_ZENABLE, TRUE);
    const D3DCOLOR background =
        D3DCOLOR_XRGB(s.backgroundRed & 0xFF, s.backgroundGreen & 0xFF, s.backgroundBlue & 0xFF);
    for (int i = 0; i < 3; ++i) {
        d.device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
        d.device->Present(nullptr, nullptr, displayWindow, nullptr);
    }
    d.device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
    d.device->GetSwapChain(0, &d.swapChain);
    return 0;
}

int ReleaseDevice() {
    DeviceLayerState& d = GetDeviceLayer();
    ReleaseAndClear(d.swapChain);
    if (d.device) {
        Log("Direct3DDevice9 の解放 2\n");
        d.device->Release();
    }
    d.device = nullptr;
    d.deviceEx = nullptr;
    return 0;
}

ULONG ReleaseComObject(IUnknown* object) {
    return object ? object->Release() : 0;
}

// --- queries ------------------------------------------------------------------------

int HasDevice() {
    return GetDeviceLayer().device ? 1 : 0;
}
int HasDirect3DObject() {
    return GetDeviceLayer().direct3D ? 1 : 0;
}
int HasDirect3DExObject() {
    return GetDeviceLayer().direct3DEx ? 1 : 0;
}
int IsDeviceLost() {
    IDirect3DDevice9* device = GetDeviceLayer().device;
    if (!device) return 0;
    return device->TestCooperativeLevel() == D3D_OK ? 0 : 1;
}
int HasDirectDrawWindow() {
    return GetDeviceLayer().directDraw && GetMainWindowHandle() ? 1 : 0;
}

// --- per frame and timing --------------------------------------------------------------

int PresentScreen(const RECT* clientRect) {
    DeviceLayerState& d = GetDeviceLayer();
    const ScreenState& s = GetScreenState();
    const LONG screenWidth = s.screenWidth, screenHeight = s.screenHeight;
    const bool windowed = GetWindowModeFlag() == 1;
    if (clientRect) {
        // Nothing has been presented yet, or the rectangle maps to no pixels.
        const LONG lastWidth = d.lastSource.right - d.lastSource.left;
        const LONG lastHeight = d.lastSource.bottom - d.lastSource.top;
        if (lastWidth <= 0 || lastHeight <= 0) return -1;
        if (clientRect->left * screenWidth / lastWidth ==
                clientRect->right * screenWidth / lastWidth ||
            clientRect->top * screenHeight / lastHeight ==
                clientRect->bottom * screenHeight / lastHeight)
            return -1;
    }
    RECT source{0, 0, screenWidth, screenHeight};
    bool scaled = false;
    if (IsEmulating320x240() && screenWidth == 640 && screenHeight == 480) {
        source = {0, 0, 320, 240};
        scaled = true;
    }
    RECT destination{0, 0, screenWidth, screenHeight};
    if (windowed) {
        int drawWidth = 0, drawHeight = 0;
        QueryDrawSize(&drawWidth, &drawHeight);
        if (IsEmulating320x240()) {
            destination = {0, 0, drawWidth, drawHeight};
        } else {
            double scaleX = 1.0, scaleY = 1.0;
            GetWindowScale(&scaleX, &scaleY);
            destination = {0, 0, static_cast<LONG>(drawWidth * scaleX),
                           static_cast<LONG>(drawHeight * scaleY)};
        }
    }
    if (!s.useDirect3D) {
        if (!SoftwarePrimary()) return 0;
        if (QueryWaitVSync()) WaitVerticalBlank();
        return PresentSoftwarePrimary(source,
                                      scaled && !windowed ? RECT{0, 0, 640, 480} : destination);
    }
    if (!d.device) return 0;
    FlushVertexBatch();
    EndSceneIfBegun();
    // A full screen shows the emulated quarter at double size; a window is
    // sized for the 320 x 240 draw size already.
    if (scaled && !windowed) destination = {0, 0, 640, 480};
    // Drawing moved to the sub back buffer: it is what the frame shows.
    const DeviceResources& resources = GetDeviceResources();
    if (resources.subBackBuffer &&
        FAILED(DeviceStretchRect(resources.subBackBuffer, nullptr, resources.backBuffer, nullptr,
                                 D3DTEXF_NONE)))
        return -1;
    if (!d.swapChain) return 0;
    const int64_t before = DeviceClockMicroseconds();
    if (!GetWindowMinimisedFlag()) {
        HWND displayWindow = static_cast<HWND>(GetDisplayWindowHandle());
        HRESULT hr = D3D_OK;
        if (!windowed) {
            hr = scaled ? d.swapChain->Present(&source, &destination, displayWindow, nullptr, 0)
                        : d.swapChain->Present(nullptr, nullptr, displayWindow, nullptr, 0);
        } else if (!clientRect) {
            d.lastSource = source;
            d.lastDestination = destination;
            hr = d.swapChain->Present(&source, &destination, displayWindow, nullptr, 0);
        } else {
            const LONG destinationWidth = destination.right - destination.left;
            const LONG destinationHeight = destination.bottom - destination.top;
            if (destinationWidth <= 0 || destinationHeight <= 0) return -1;
            const RECT mapped{
                (clientRect->left - destination.left) * screenWidth / destinationWidth,
                (clientRect->top - destination.top) * screenHeight / destinationHeight,
                (clientRect->right - destination.left) * screenWidth / destinationWidth,
                (clientRect->bottom - destination.top) * screenHeight / destinationHeight};
            hr = d.swapChain->Present(&mapped, clientRect, displayWindow, nullptr, 0);
        }
        if (FAILED(hr)) return -1;
    }
    if (GetAlwaysRunFlag() && QueryWaitVSync() && DeviceClockMicroseconds() - before < 500)
        WaitVerticalBlank();
    return 0;
}

namespace {

// The refresh period is measured on a thread of its own: the measurement only
// waits for a dozen vertical blanks (a fifth of a second at 60 Hz), and
// start-up goes on meanwhile. The main thread waits for it before it reads
// the period or the last blank's time and before DirectDraw goes away.
ThreadContext refreshMeasurement{};

int WaitVerticalBlankNow() {
    DeviceLayerState& d = GetDeviceLayer();
    const int64_t threshold = d.refreshPeriod > 0 ? d.refreshPeriod - 3000 : 4000;
    if (DeviceClockMicroseconds() - d.lastVerticalBlank >= threshold) {
        if (d.directDraw) d.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        d.lastVerticalBlank = DeviceClockMicroseconds();
        Sleep(0);
        return 0;
    }
    Sleep(0);
    while (DeviceClockMicroseconds() - d.lastVerticalBlank < threshold) Sleep(1);
    if (d.directDraw) d.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    d.lastVerticalBlank = DeviceClockMicroseconds();
    return 0;
}

void MeasureRefreshPeriodNow(ThreadContext*, uintptr_t) {
    DeviceLayerState& d = GetDeviceLayer();
    if (d.directDraw) {
        d.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        int64_t previousTime = DeviceClockMicroseconds();
        int64_t previousDelta = 0, sum = 0;
        int count = 0;
        for (int i = 0; i < 60 && count < 10; ++i) {
            d.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
            const int64_t now = DeviceClockMicroseconds();
            const int64_t delta = now - previousTime;
            previousTime = now;
            if (std::llabs(previousDelta - delta) < 1000) {
                sum += delta;
                ++count;
            } else {
                sum = 0;
                count = 0;
            }
            previousDelta = delta;
            if (count == 10) d.refreshPeriod = sum / count;
            Sleep(5);
        }
    }
    WaitVerticalBlankNow();
}

void FinishRefreshMeasurement() {
    if (!refreshMeasurement.handle) return;
    WaitForSingleObject(refreshMeasurement.handle, INFINITE);
    CloseThreadHandle(&refreshMeasurement);
}

}  // namespace

int WaitVerticalBlank() {
    FinishRefreshMeasurement();
    return WaitVerticalBlankNow();
}

int MeasureRefreshPeriod() {
    FinishRefreshMeasurement();
    DeviceLayerState& d = GetDeviceLayer();
    d.refreshPeriod = -1;
    if (d.directDraw && CreateEngineThread(&refreshMeasurement, MeasureRefreshPeriodNow, 0) == 0) {
        ResumeEngineThread(&refreshMeasurement);
        return 0;
    }
    MeasureRefreshPeriodNow(nullptr, 0);
    return 0;
}

int64_t QueryRefreshPeriod() {
    FinishRefreshMeasurement();
    return GetDeviceLayer().refreshPeriod;
}

int StartRepaintTimer(int flag) {
    if (flag)
        SetTimer(static_cast<HWND>(GetMainWindowHandle()), kRepaintTimerId, kRepaintTimerPeriod,
                 RepaintTimerProc);
    return 0;
}

// Keeps the front screen shown while it is the draw target; any other
// target lets the timer stop here.
void CALLBACK RepaintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = static_cast<HWND>(GetMainWindowHandle());
    KillTimer(window, kRepaintTimerId);
    if (WindowCalls().GetDrawTarget() != -4) return;
    if (GetWindowActiveFlag()) WindowCalls().RepaintScreen();
    SetTimer(window, kRepaintTimerId, kRepaintTimerPeriod, RepaintTimerProc);
}

}  // namespace DuRud
