// The registry of stand-in modules behind LoadLibraryA / GetProcAddress.
// Each area adds its modules and their named exports from one registration
// function listed in RegisterStandInModules (standin_modules.cpp); static
// self-registration would be dropped by the linker from a static library.
#pragma once

#include <initializer_list>
#include <string>

#include "win_types.h"

namespace platform {

struct ModuleExport {
    const char* name;
    FARPROC proc;
};

// Casts any function to the export type GetProcAddress returns.
template <class F>
FARPROC ExportOf(F* function) {
    // Through the generic function type, which the compiler accepts silently.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Adds a module (a repeat adds exports to the same module; a repeated export
// name replaces the old one). A resident module is loaded from the start, like
// the libraries a Windows program imports statically.
void RegisterModule(const char* name, std::initializer_list<ModuleExport> exports,
                    bool resident = false);

// The canonical form of a module name: directory dropped, ASCII lower-cased,
// a trailing ".dll" removed ("C:\\Sys\\WINMM.DLL" -> "winmm").
std::string CanonicalModuleName(const char* name);

// Runs every area's registration once; every registry entry point calls it.
void RegisterStandInModules();

// Whether a test made the module absent (KnobHideModule).
bool ModuleHidden(const char* name);

// One registration function per area (defined in that area's files).
void RegisterKernelModules();  // kernel32, winmm, ole32, comctl32, dwmapi
void RegisterSystemInfoExports();  // kernel32: what the engine looks up by name (system_info.cpp)
void RegisterUserModules();  // user32, gdi32, shell32 (user_modules.cpp)
void RegisterD3D9Modules();  // d3d9 (platform/d3d9/registration.cpp)
void RegisterInputModules();  // winmm joystick functions (platform/input/)
void RegisterXInputModules();  // xinput1_4, xinput1_3, xinput9_1_0 (called by the above)
void RegisterImeModules();  // imm32, user32's WINNLSEnableIME (platform/win32/input_method.cpp)
void RegisterWinsockModules();  // ws2_32 (platform/net/winsock_exports.cpp)
void RegisterAcmModules();      // msacm32 (platform/audio/acm_streams.cpp)
void RegisterDirectShowModules();  // quartz (platform/dshow/registration.cpp)
void RegisterAudioModules();    // dsound, XAudio2_8, X3DAudio1_7 (platform/audio/audio_registration.cpp)

}  // namespace platform

namespace platform {

// Knob plumbing for test_knobs.cpp: clears hidden modules and exports; reads
// VESSAMIRE_HIDE (a comma-separated list of module names).
void ResetModuleKnobs();
void ApplyModuleEnvironment();

}  // namespace platform
