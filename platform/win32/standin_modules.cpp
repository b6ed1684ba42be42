// The stand-in modules a program can load at run time, and the kernel's own
// export tables. Each area adds one line to RegisterStandInModules.
#include <mutex>

#include "module_registry.h"
#include "windows.h"

namespace platform {

void RegisterStandInModules() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterKernelModules();
        RegisterSystemInfoExports();
        RegisterUserModules();
        RegisterD3D9Modules();
        RegisterInputModules();
        RegisterImeModules();
        RegisterWinsockModules();
        RegisterAcmModules();
        RegisterDirectShowModules();
        RegisterAudioModules();
    });
}

void RegisterKernelModules() {
    // Imported statically by every program, so loaded from the start.
    RegisterModule("kernel32.dll", {{"GlobalMemoryStatusEx", ExportOf(&GlobalMemoryStatusEx)}},
                   true);
    // The multimedia timer callbacks (timeSetEvent, timeKillEvent) have no
    // stand-in: absent, so a caller sees they are missing.
    RegisterModule("winmm.dll", {
                                    {"timeGetTime", ExportOf(&timeGetTime)},
                                    {"timeBeginPeriod", ExportOf(&timeBeginPeriod)},
                                    {"timeEndPeriod", ExportOf(&timeEndPeriod)},
                                    {"timeGetDevCaps", ExportOf(&timeGetDevCaps)},
                                });
    RegisterModule("ole32.dll", {
                                    {"CoCreateInstance", ExportOf(&CoCreateInstance)},
                                    {"CoTaskMemAlloc", ExportOf(&CoTaskMemAlloc)},
                                    {"CoTaskMemRealloc", ExportOf(&CoTaskMemRealloc)},
                                    {"CoTaskMemFree", ExportOf(&CoTaskMemFree)},
                                    {"CoInitialize", ExportOf(&CoInitialize)},
                                    {"CoInitializeEx", ExportOf(&CoInitializeEx)},
                                    {"CoFreeUnusedLibraries", ExportOf(&CoFreeUnusedLibraries)},
                                    {"CoUninitialize", ExportOf(&CoUninitialize)},
                                });
    RegisterModule("comctl32.dll", {
                                       {"InitCommonControls", ExportOf(&InitCommonControls)},
                                       {"InitCommonControlsEx", ExportOf(&InitCommonControlsEx)},
                                   });
    RegisterModule("dwmapi.dll", {{"DwmEnableComposition", ExportOf(&DwmEnableComposition)}});
}

}  // namespace platform
