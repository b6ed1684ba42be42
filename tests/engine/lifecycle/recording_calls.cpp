#include "recording_calls.h"

#include <algorithm>
#include <sstream>

#include "DuRud.h"
#include "core/log.h"
#include "core/system_services.h"
#include "files/file_access_table.h"
#include "window/main_window.h"

using namespace DuRud;

namespace lifecycletest {
namespace {

RecordingCalls* g_current = nullptr;

int Rec(const char* name) {
    return RecordingCalls::Current()->Record(name);
}

#define RECORD0(Name) [] { return Rec(#Name); }

const ModuleCalls kRecordingTable = {
    RECORD0(ClearEndRequestFlag),
    [] {
        Rec("LoadWinApis");
        return LoadWinApis();  // the log needs the timer entry points
    },
    [] {
        const int r = Rec("UnloadWinApis");
        UnloadWinApis();
        return r;
    },
    [] {
        Rec("LogStart");
        return LogStart();
    },
    [] {
        Rec("LogSystemInfo");
        return LogSystemInfo();
    },
    RECORD0(InitializeCom),
    RECORD0(TerminateCom),
    [] {
        Rec("MemDumpAll");
        return MemDumpAll();
    },
    RECORD0(InitArchives),
    RECORD0(EndArchives),
    [](const StreamFunctionTable* table) {
        return Rec(table ? "SetStreamFunctionTable(table)" : "SetStreamFunctionTable(null)");
    },
    [](char* buffer) {
        Rec("GetStreamDir");
        return GetStreamDir(buffer);
    },
    [](const char* path) {
        Rec("ChangeStreamDir");
        return ChangeStreamDir(path);
    },
    RECORD0(CreateMainWindow),
    RECORD0(TerminateWindow),
    RECORD0(StopAsyncLoading),
    RECORD0(PumpWindowMessages),
    [](int windowed) {
        const int r = Rec(windowed ? "ChangeWindowMode(TRUE)" : "ChangeWindowMode(FALSE)");
        ChangeWindowMode(windowed);
        return r;
    },
    [](void*, int topmost) {
        return Rec(topmost ? "ForceForegroundWindow(1)" : "ForceForegroundWindow(0)");
    },
    RECORD0(StartOnScreenLog),
    RECORD0(EndOnScreenLog),
    RECORD0(InitializeInput),
    RECORD0(ShutdownInput),
    RECORD0(InitCharBuffer),
    RECORD0(EndNetwork),
    RECORD0(InitTheoraColorTables),
    RECORD0(InitSoundConvert),
    RECORD0(InitSoundSystem),
    RECORD0(InitMovieModule),
    RECORD0(StopCurrentMusic),
    RECORD0(TerminateMovieModule),
    RECORD0(TerminateSoundSystem),
    RECORD0(TerminateSoundConvert),
    RECORD0(InitializeBaseImage),
    RECORD0(TerminateBaseImage),
    RECORD0(InitializeSoftImages),
    RECORD0(TerminateSoftImages),
    RECORD0(DeleteAllSoftImages),
    RECORD0(StartGraphics),
    RECORD0(EndGraphics),
    [](GraphicsRestoreCallback callback) {
        return Rec(callback ? "SetRestoreCallback(function)" : "SetRestoreCallback(null)");
    },
    [](int target) { return Rec(("SelectDrawTarget(" + std::to_string(target) + ")").c_str()); },
    RECORD0(StartModels),
    RECORD0(EndModels),
    [](int* width, int* height) {
        if (width) *width = RecordingCalls::Current()->drawWidth;
        if (height) *height = RecordingCalls::Current()->drawHeight;
        return 0;
    },
    [] { return RecordingCalls::Current()->colorBits; },
    [] { return RecordingCalls::Current()->refreshRate; },
    [] { return 1; },
    [] { return static_cast<int>(RecordingCalls::Current()->displayModes.size()); },
    [](int index) {
        const auto& modes = RecordingCalls::Current()->displayModes;
        if (index < 0 || index >= static_cast<int>(modes.size()))
            return DisplayModeInfo{-1, -1, -1, -1};
        return modes[static_cast<size_t>(index)];
    },
    [](int width, int height, int bits, int refresh) {
        RecordingCalls* r = RecordingCalls::Current();
        const int result =
            r->Record("SetScreenMode(" + std::to_string(width) + "," + std::to_string(height) +
                      "," + std::to_string(bits) + "," + std::to_string(refresh) + ")");
        if (r->setScreenModeStores) {
            r->drawWidth = width;
            r->drawHeight = height;
            r->colorBits = bits;
            r->refreshRate = refresh;
        }
        return result;
    },
    [](int width, int height) {
        return Rec(("StoreScreenSize(" + std::to_string(width) + "," + std::to_string(height) + ")")
                       .c_str());
    },
    [](int flag) { return Rec(("SetAutoEmulate320x240(" + std::to_string(flag) + ")").c_str()); },
    [] { return 0; },
};

#undef RECORD0

}  // namespace

RecordingCalls::RecordingCalls() {
    g_current = this;
    results_["PumpWindowMessages"] = -1;
    previous_ = InstallModuleCalls(&kRecordingTable);
}

RecordingCalls::~RecordingCalls() {
    InstallModuleCalls(previous_);
    g_current = nullptr;
}

RecordingCalls* RecordingCalls::Current() {
    return g_current;
}

int RecordingCalls::Record(const std::string& name) {
    trace_.push_back(name);
    if (logNames) LogFormatLine("step %s", name.c_str());
    if (onRecord) onRecord(name);
    const auto found = results_.find(name);
    return found == results_.end() ? 0 : found->second;
}

std::vector<std::string> RecordingCalls::Take() {
    std::vector<std::string> taken;
    taken.swap(trace_);
    return taken;
}

// The steps in order, written one after another with blanks between.
std::vector<std::string> Steps(const char* text) {
    std::vector<std::string> steps;
    std::istringstream in(text);
    for (std::string step; in >> step;) steps.push_back(step);
    return steps;
}

std::vector<std::string> WindowModeStartUp() {
    return Steps(
        "ClearEndRequestFlag LoadWinApis InitTheoraColorTables InitArchives "
        "SetStreamFunctionTable(null) GetStreamDir LogStart LogSystemInfo "
        "SetRestoreCallback(null) InitializeCom CreateMainWindow InitializeInput "
        "InitSoundConvert InitSoundSystem InitializeBaseImage InitializeSoftImages "
        "InitMovieModule StartGraphics InitCharBuffer StartOnScreenLog SelectDrawTarget(-2) "
        "SelectDrawTarget(-4) StartModels");
}

std::vector<std::string> FullShutdown() {
    return Steps(
        "StopAsyncLoading DeleteAllSoftImages EndOnScreenLog EndNetwork StopCurrentMusic EndModels "
        "EndGraphics "
        "TerminateBaseImage TerminateSoftImages TerminateMovieModule ShutdownInput "
        "TerminateSoundSystem TerminateSoundConvert TerminateWindow TerminateCom "
        "PumpWindowMessages ChangeStreamDir EndArchives MemDumpAll UnloadWinApis");
}

std::vector<std::string> Without(std::vector<std::string> all,
                                 const std::vector<std::string>& names) {
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const std::string& s) {
                                 return std::find(names.begin(), names.end(), s) != names.end();
                             }),
              all.end());
    return all;
}

}  // namespace lifecycletest
