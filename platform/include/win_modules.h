// Run-time loaded modules: LoadLibraryA, GetProcAddress, FreeLibrary and
// GetModuleHandleA over the layer's registry of stand-in modules.
#pragma once

#include "win_types.h"

// Loads a module by name ("winmm", "WINMM.DLL" and "C:\\x\\winmm.dll" are one
// module) and counts the load; null with ERROR_MOD_NOT_FOUND when unknown or hidden.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);

// An export by name; null with ERROR_PROC_NOT_FOUND when the module lacks it
// (or a test hid it), ERROR_MOD_NOT_FOUND when the handle names no loaded module.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);

// Drops one load; FALSE with ERROR_INVALID_HANDLE for a handle that is not loaded.
BOOL WINAPI FreeLibrary(HMODULE module);

// The handle of a module that is already loaded, without counting a load;
// null gives the program's own instance.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
