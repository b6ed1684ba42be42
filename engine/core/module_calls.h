// The module call table: engine start-up and shutdown reach every other
// module through these pointers, one per operation. The global instance
// points at the real functions; tests install a table of their own to see
// and steer the order.
#pragma once

#include "files/file_access_table.h"
#include "graphics/graphics_startup.h"

namespace DuRud {

struct ModuleCalls {
    // foundation
    int (*ClearEndRequestFlag)();
    int (*LoadWinApis)();
    int (*UnloadWinApis)();
    int (*LogStart)();
    int (*LogSystemInfo)();
    int (*InitializeCom)();
    int (*TerminateCom)();
    int (*MemDumpAll)();
    // files and archives
    int (*InitArchives)();
    int (*EndArchives)();
    int (*SetStreamFunctionTable)(const StreamFunctionTable* table);
    int (*GetStreamDir)(char* buffer);
    int (*ChangeStreamDir)(const char* path);
    // window, pump, on-screen log, input, network
    int (*CreateMainWindow)();
    int (*TerminateWindow)();
    int (*StopAsyncLoading)();  // the loader's workers end; queued loads stay queued
    int (*PumpWindowMessages)();
    int (*ChangeWindowMode)(int windowed);
    int (*ForceForegroundWindow)(void* window, int topmost);
    int (*StartOnScreenLog)();
    int (*EndOnScreenLog)();
    int (*InitializeInput)();
    int (*ShutdownInput)();
    int (*InitCharBuffer)();
    int (*EndNetwork)();
    // sound and movies
    int (*InitTheoraColorTables)();
    int (*InitSoundConvert)();
    int (*InitSoundSystem)();
    int (*InitMovieModule)();
    int (*StopCurrentMusic)();
    int (*TerminateMovieModule)();
    int (*TerminateSoundSystem)();
    int (*TerminateSoundConvert)();
    // images
    int (*InitializeBaseImage)();
    int (*TerminateBaseImage)();
    int (*InitializeSoftImages)();
    int (*TerminateSoftImages)();
    int (*DeleteAllSoftImages)();
    // graphics and models
    int (*StartGraphics)();
    int (*EndGraphics)();
    int (*SetRestoreCallback)(GraphicsRestoreCallback callback);
    int (*SelectDrawTarget)(int target);
    int (*StartModels)();
    int (*EndModels)();
    // screen settings read and changed by the full-screen mode check
    int (*QueryDrawSize)(int* width, int* height);
    int (*QueryColorBits)();
    int (*QueryRefreshRate)();
    int (*IsHardwareRenderingWanted)();
    int (*QueryDisplayModeCount)();
    DisplayModeInfo (*QueryDisplayMode)(int index);
    int (*SetScreenMode)(int width, int height, int colorBits, int refreshRate);
    int (*StoreScreenSize)(int width, int height);
    int (*SetAutoEmulate320x240)(int flag);
    int (*GetEmulate320x240)();
};

// The table in use.
const ModuleCalls& Calls();
// The table of the real functions.
const ModuleCalls& RealModuleCalls();
// Installs a table (null: the real one); returns the one it replaces.
const ModuleCalls* InstallModuleCalls(const ModuleCalls* table);

}  // namespace DuRud
