// The engine as the graphics benchmarks run it: windowed at 800 x 600, 32
// bits, without sound and input, the log off, base images and graphics
// started; the plain device when the Ex export is hidden.
#pragma once

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_state.h"
#include "image/image_record.h"
#include "test_knobs.h"

namespace benchengine {

inline void Start(bool exDevice = true) {
    KnobResetAll();
    KnobHideExport("d3d9.dll", "Direct3DCreate9Ex", !exDevice);
    KnobD3D9ShaderVersions(0, 0);
    DuRud::StoreScreenSize(800, 600);
    DuRud::GetScreenState().colorBits = 32;
    DuRud::SetEngineSkipFlags(0, 1, 1, 1);
    DuRud::ChangeWindowMode(TRUE);
    DuRud::SetLogOutput(0);
    DuRud::InitializeEngineLocked();
    DuRud::InitializeBaseImage();
    DuRud::StartGraphics();
}

inline void Stop() {
    DuRud::EndGraphics();
    DuRud::TerminateBaseImage();
    DuRud::ShutdownEngineLocked();
}

}  // namespace benchengine
