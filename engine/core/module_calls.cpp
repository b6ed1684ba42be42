// The real module call table.
#include "core/module_calls.h"

#include "core/async_loading.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "core/system_services.h"
#include "files/archive_access.h"
#include "image/image_record.h"
#include "image/soft_images.h"
#include "input/char_input.h"
#include "input/input_devices.h"
#include "net/network.h"
#include "sound/movie/movie_module.h"
#include "sound/sound_system.h"
#include "window/main_window.h"
#include "window/on_screen_log.h"

namespace DuRud {
namespace {

const ModuleCalls kRealCalls = {
    ClearEndRequestFlag,
    LoadWinApis,
    UnloadWinApis,
    LogStart,
    LogSystemInfo,
    InitializeCom,
    TerminateCom,
    MemDumpAll,
    InitArchives,
    EndArchives,
    SetStreamFunctionTable,
    GetStreamDir,
    ChangeStreamDir,
    CreateMainWindow,
    TerminateWindow,
    AsyncLoadStopThreads,
    PumpWindowMessages,
    ChangeWindowMode,
    ForceForegroundWindow,
    StartOnScreenLog,
    EndOnScreenLog,
    InitializeInput,
    ShutdownInput,
    InitCharBuffer,
    EndNetwork,
    InitTheoraColorTables,
    InitSoundConvert,
    InitSoundSystem,
    InitMovieModule,
    StopCurrentMusic,
    TerminateMovieModule,
    TerminateSoundSystem,
    TerminateSoundConvert,
    InitializeBaseImage,
    TerminateBaseImage,
    InitializeSoftImages,
    TerminateSoftImages,
    DeleteAllSoftImages,
    StartGraphics,
    EndGraphics,
    SetRestoreCallback,
    SelectDrawTarget,
    StartModels,
    EndModels,
    QueryDrawSize,
    QueryColorBits,
    QueryRefreshRate,
    IsHardwareRenderingWanted,
    QueryDisplayModeCount,
    QueryDisplayMode,
    SetScreenMode,
    StoreScreenSize,
    SetAutoEmulate320x240,
    GetEmulate320x240,
};

const ModuleCalls* g_calls = &kRealCalls;

}  // namespace

const ModuleCalls& Calls() {
    return *g_calls;
}
const ModuleCalls& RealModuleCalls() {
    return kRealCalls;
}

const ModuleCalls* InstallModuleCalls(const ModuleCalls* table) {
    const ModuleCalls* previous = g_calls;
    g_calls = table ? table : &kRealCalls;
    return previous;
}

}  // namespace DuRud
