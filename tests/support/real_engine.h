// For game tests that link the engine: starts it headless the way the game
// does (virtual clock, a window of 800 x 600, 32-bit colour, 60 Hz), gives the
// main window for the capture, key and event knobs, and ends the engine.
// Header only: the game's test areas on the fake never see it.
#pragma once

#include "DuRud.h"
#include "graphics/graphics_startup.h"
#include "test_knobs.h"
#include "window/main_window.h"

namespace testsupport {

class RealEngine {
  public:
    RealEngine() {
        KnobSetVirtualClock(true);
        DuRud::ChangeWindowMode(TRUE);
        DuRud::SetScreenMode(800, 600, 32, 60);
        started_ = DuRud::InitializeEngineLocked() == 0;
    }
    ~RealEngine() {
        if (started_) DuRud::ShutdownEngineLocked();
    }
    RealEngine(const RealEngine&) = delete;
    RealEngine& operator=(const RealEngine&) = delete;

    // False when the engine refused to start (the test then has nothing to drive).
    bool started() const { return started_; }
    HWND window() const { return static_cast<HWND>(DuRud::GetMainWindowHandle()); }

  private:
    bool started_ = false;
};

}  // namespace testsupport
