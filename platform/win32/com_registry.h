// The class registry behind CoCreateInstance. Each stand-in area (DirectInput,
// DirectDraw, DirectShow, XAudio2, ...) adds its classes from one registration
// function listed in RegisterStandInComClasses (com_registry.cpp); static
// self-registration would be dropped by the linker from a static library.
#pragma once

#include <string>

#include "win_types.h"

namespace platform {

// Creates an object of one class and hands back the requested interface.
// Returns S_OK, E_NOINTERFACE (object released, *object null),
// CLASS_E_NOAGGREGATION or E_OUTOFMEMORY.
using ComCreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

// Adds or replaces a class; a null function removes it (tests clean up so).
void RegisterComClass(REFCLSID clsid, ComCreateFunction create);

// The create function of a class, or null (also for a class a test hid).
ComCreateFunction FindComClass(REFCLSID clsid);

// Ties a class to the stand-in module that serves it: while that module is
// hidden, CoCreateInstance of the class gives REGDB_E_CLASSNOTREG.
void LinkComClassToModule(REFCLSID clsid, const char* module);
// The module a class is tied to, or empty.
std::string ComClassModule(REFCLSID clsid);

// Runs every area's registration once; CoCreateInstance calls it.
void RegisterStandInComClasses();

// One registration function per area (defined in that area's files).
void RegisterD3D9ComClasses();         // DirectDraw (platform/d3d9/registration.cpp)
void RegisterDirectInputComClasses();  // DirectInput 8 (platform/input/direct_input.cpp)
void RegisterDirectShowComClasses();   // DirectShow (platform/dshow/registration.cpp)
void RegisterAudioComClasses();        // DirectSound, XAudio2 2.7 (platform/audio/)

// Knob plumbing for test_knobs.cpp: every class offered again; reads VESSAMIRE_HIDE_CLASS.
void ResetComKnobs();
void ApplyComEnvironment();

}  // namespace platform
