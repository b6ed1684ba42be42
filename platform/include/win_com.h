// COM start-up, object creation and task memory ("ole32.dll"). Classes come
// from the layer's registry of stand-in classes (platform/win32/com_registry.h).
#pragma once

#include "win_types.h"

// CoInitializeEx concurrency models (combinable with the two hints).
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_DISABLE_OLE1DDE 0x4
#define COINIT_SPEED_OVER_MEMORY 0x8

// Creation contexts.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL \
    (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

// S_OK for the first call on a thread, S_FALSE for a repeat with the same
// model (each needs its CoUninitialize), RPC_E_CHANGED_MODE for another model.
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize();

// REGDB_E_CLASSNOTREG for an unknown class, E_NOINTERFACE for an interface the
// class lacks, CO_E_NOTINITIALIZED on a thread that never initialised COM
// (unless another thread entered the multithreaded apartment).
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                                LPVOID* object);

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size);
void WINAPI CoTaskMemFree(LPVOID block);

// Stand-in classes live in the program itself: there is no library to unload.
void WINAPI CoFreeUnusedLibraries();
