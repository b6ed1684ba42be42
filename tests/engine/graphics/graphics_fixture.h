// Brings graphics up: the settings the set-up reads go into the screen
// state, the engine starts windowed (or full screen) without graphics, then
// graphics start-up runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "graphics/screen_state.h"

namespace graphicstest {

struct ScreenSettings {
    int width = 800;
    int height = 600;
    int colorBits = 32;
    int softwareForced = 0;
    int emulate320x240 = 0;
    bool windowed = true;
    bool graphicHandles = false;  // also start base images
};

// StartGraphics' result (-100 when the engine did not start).
int StartDevice(const ScreenSettings& settings = {});
int StartEngine(const ScreenSettings& settings = {});  // the engine only
void StopDevice();

// Settings with base images started; full screen at 640 x 480.
ScreenSettings WithHandles();
ScreenSettings FullScreenWithHandles();
// What a graphic shows at (x, y): its tile's texel (A8R8G8B8), or its
// MEMIMG pixel with alpha 255; 0 when nothing covers it.
uint32_t ShownPixel(int handle, int x, int y);

// An A8R8G8B8 graphic of one colour, or of two: left and right half.
DuRud::Handle SolidGraphic(int width, int height, uint32_t argb, uint32_t rightArgb);
inline DuRud::Handle SolidGraphic(int width, int height, uint32_t argb) {
    return SolidGraphic(width, height, argb, argb);
}
// Draws the graphic's first piece at (x, y) as the draw workers do: prepare
// when needed, reserve, write six vertices, append; with a blend graphic its
// first piece's texture is the blend texture.
void DrawAsWorker(DuRud::Handle graphic, int x, int y, uint32_t flags, DuRud::Handle blend = -1);
// The back buffer's pixel after a flush (A8R8G8B8).
uint32_t BackBufferPixel(int x, int y);
// The screen's RGB at (x, y) on either renderer (software: the 32-bit primary).
uint32_t ScreenPixel(int software, int x, int y);

// A test that starts screens of its own sizes: at its end the device is
// stopped and later tests find the screen state as it was.
class OwnScreenTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = DuRud::GetScreenState(); }
    void TearDown() override {
        StopDevice();
        DuRud::GetScreenState() = saved_;
    }

  private:
    DuRud::ScreenState saved_{};
};

HWND MainWindow();
std::string Log();  // "Log.txt"
// True when each line is in the log after the one before.
::testing::AssertionResult LogHasInOrder(std::initializer_list<const char*> utf8Lines);
// Trace lines that start with the method name.
std::vector<std::string> TraceOf(const std::vector<std::string>& trace, const char* method);
// An opaque graphic whose pixel (x, y) is pixel(x, y) (0xAARRGGBB, alpha ignored).
int GraphicOfPixels(int width, int height, uint32_t (*pixel)(int x, int y));
// The same with the alpha channel kept (an A8R8G8B8 graphic).
int GraphicOfArgb(int width, int height, uint32_t (*pixel)(int x, int y));

// Starts the device with pixel and vertex shaders 2.0 (shaders 1) or none
// (0) and checks the device took that path: -101 (and stopped again) when it
// did not.
int StartOnPath(int shaders, const ScreenSettings& settings);
// The kernel the device's current pixel shader runs ("" for none).
std::string CurrentPixelKernel();
// What a target shows, row by row after a flush: a graphic's texels
// (A8R8G8B8), or the back buffer's RGB for -2.
std::vector<uint32_t> TargetPixels(int target, int width, int height);

}  // namespace graphicstest
