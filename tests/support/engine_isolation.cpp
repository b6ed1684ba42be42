// Linked into every test program that links the engine: each test begins with
// the engine's process-wide state as a fresh process has it. The log keeps the
// folder of the first start-up (by then an earlier test's removed folder), the
// generator its seed, the sound system the output an earlier test chose, the
// window state a closed window's quit flag and the settings made before a
// start-up, the
// screen state the last test's size, the device layer a refused Ex device
// and the loaded d3d9.dll, the run-time module table the modules an
// earlier start-up loaded (so a module hidden now is really missing), the
// API lock the last call made (a fresh process has none until its first call).
#include <gtest/gtest.h>

#include "core/api_lock.h"
#include "core/engine_lifecycle.h"
#include "core/log.h"
#include "core/random.h"
#include "core/system_services.h"
#include "graphics/device_layer.h"
#include "graphics/screen_state.h"
#include "sound/sound_device.h"
#include "window/window_state.h"

namespace {

class FreshEngineState : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { Reset(); }
    void OnTestEnd(const testing::TestInfo&) override { Reset(); }
    static void Reset() {
        DuRud::ResetLogForTest();
        DuRud::ResetRandomForTest();
        DuRud::ResetSoundSystemForTest();
        const DuRud::EngineFlags& engine = DuRud::GetEngineFlags();
        if (!engine.initialised && !engine.initialising) DuRud::DestroyEngineApiLock();
        if (!DuRud::WindowState().initialised) DuRud::WindowState() = DuRud::WindowSystemState{};
        if (!DuRud::GetScreenState().started) {
            DuRud::GetScreenState() = DuRud::ScreenState{};
            DuRud::DeviceLayerState& layer = DuRud::GetDeviceLayer();
            if (!layer.device && !layer.direct3D && !layer.directDraw) {
                DuRud::UnloadD3D9Library();
                layer = DuRud::DeviceLayerState{};
            }
            DuRud::UnloadWinApis();
        }
    }
};

const bool g_installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FreshEngineState);
    return true;
}();

}  // namespace
