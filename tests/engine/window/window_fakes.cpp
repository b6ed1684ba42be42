#include "window_fakes.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "window/main_window.h"
#include "window/window_state.h"

using namespace DuRud;

namespace windowtest {
namespace {

RecordingWindowCalls* g_calls = nullptr;
DisplayModeCalls* g_modes = nullptr;

RecordingWindowCalls& C() {
    return *g_calls;
}
int Rec(const char* name) {
    C().Record(name);
    return 0;
}

WindowModuleCalls MakeTable() {
    WindowModuleCalls t = DefaultWindowModuleCalls();
    t.ReacquireInputDevices = [] { return Rec("ReacquireInputDevices"); };
    t.GetAnyInputBits = [] {
        auto& bits = C().anyInputBits;
        if (bits.empty()) return 0;
        const int value = bits.front();
        if (bits.size() > 1) bits.erase(bits.begin());
        return value;
    };
    t.ChangeScreenMode = [](int w, int h, int bits, int recreate, int rate) {
        C().Record("ChangeScreenMode(" + std::to_string(w) + "," + std::to_string(h) + "," +
                   std::to_string(bits) + "," + std::to_string(recreate) + "," +
                   std::to_string(rate) + ")");
        return 0;
    };
    t.RestartDevice = [] { return Rec("RestartDevice"); };
    t.ProcessNetworkMessages = [] {
        ++C().networkPasses;
        return 0;
    };
    t.HasDirectDrawWindow = [] { return C().hasDirectDrawWindow; };
    t.HasRestoreCallback = [] { return C().hasRestoreCallback; };
    t.ReleaseDeviceResources = [] { return Rec("ReleaseDeviceResources"); };
    t.RepaintScreen = [] {
        ++C().repaints;
        return 0;
    };
    t.GetDrawTarget = [] { return C().drawTarget; };
    t.PauseAllSounds = [](int pause) {
        return Rec(pause ? "PauseAllSounds(1)" : "PauseAllSounds(0)");
    };
    t.PauseSoftSoundPlayers = [](int pause) {
        return Rec(pause ? "PauseSoftSoundPlayers(1)" : "PauseSoftSoundPlayers(0)");
    };
    t.PauseAllMovies = [] { return Rec("PauseAllMovies"); };
    t.ResumeAllMovies = [] { return Rec("ResumeAllMovies"); };
    t.CreateFontHandle = [](const FontCacheSettings*, const char* face, int size, int thickness,
                            int, int, int, int, Handle wanted, int async) -> Handle {
        C().Record("CreateFontHandle(" + std::string(face ? face : "null") + "," +
                   std::to_string(size) + "," + std::to_string(thickness) + "," +
                   std::to_string(wanted) + "," + std::to_string(async) + ")");
        return 0x100 + C().fontsCreated++;
    };
    t.SetFontDeletedFlag = [](Handle, int32_t* flag) {
        C().fontDeletedFlag = flag;
        if (flag) *flag = 0;
        return 0;
    };
    t.GetTextWidthWithFont = [](const char*, int bytes, Handle, int) {
        return C().textWidthPerByte * bytes;
    };
    t.DrawTextWithFont = [](int x, int y, const char* text, uint32_t, Handle, uint32_t, int) {
        C().drawn.push_back({x, y, text});
        return 0;
    };
    t.DeleteHandle = [](Handle) {
        ++C().fontsDeleted;
        return 0;
    };
    return t;
}

WindowModuleCalls g_table;

}  // namespace

RecordingWindowCalls::RecordingWindowCalls() {
    g_calls = this;
    g_table = MakeTable();
    previous_ = InstallWindowModuleCalls(&g_table);
}
RecordingWindowCalls::~RecordingWindowCalls() {
    InstallWindowModuleCalls(previous_);
    g_calls = nullptr;
}
RecordingWindowCalls* RecordingWindowCalls::Current() {
    return g_calls;
}
std::vector<std::string> RecordingWindowCalls::Take() {
    std::vector<std::string> out;
    out.swap(trace_);
    return out;
}

DisplayModeCalls::DisplayModeCalls(std::vector<DisplayModeInfo> list) : modes(std::move(list)) {
    g_modes = this;
    table_ = RealModuleCalls();
    table_.QueryDisplayModeCount = [] { return static_cast<int>(g_modes->modes.size()); };
    table_.QueryDisplayMode = [](int i) {
        if (i < 0 || i >= static_cast<int>(g_modes->modes.size()))
            return DisplayModeInfo{-1, -1, -1, -1};
        return g_modes->modes[i];
    };
    table_.QueryDrawSize = [](int* width, int* height) {
        if (width) *width = g_modes->drawWidth;
        if (height) *height = g_modes->drawHeight;
        return 0;
    };
    table_.QueryColorBits = [] { return g_modes->colorBits; };
    table_.SetAutoEmulate320x240 = [](int flag) {
        g_modes->autoEmulate320x240 = flag;
        return 0;
    };
    table_.GetEmulate320x240 = [] { return g_modes->autoEmulate320x240; };
    table_.StoreScreenSize = [](int width, int height) {
        g_modes->storedWidth = width;
        g_modes->storedHeight = height;
        return 0;
    };
    previous_ = InstallModuleCalls(&table_);
}
DisplayModeCalls::~DisplayModeCalls() {
    InstallModuleCalls(previous_);
    g_modes = nullptr;
}
DisplayModeCalls* DisplayModeCalls::Current() {
    return g_modes;
}

int StartWindowedEngine() {
    SetEngineSkipFlags(0, 1, 1, 1);
    ChangeWindowMode(TRUE);
    return InitializeEngineLocked();
}

namespace {

// The window settings and the log are the engine's, set before a start-up:
// every test of this program begins with them as a fresh process has them.
class FreshWindowSettings : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        DuRud::ResetLogForTest();
        DuRud::WindowState() = DuRud::WindowSystemState{};
    }
};

const bool g_freshSettings = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FreshWindowSettings);
    return true;
}();

}  // namespace

}  // namespace windowtest
