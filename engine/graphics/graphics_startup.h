// Graphics: start and end, screen settings and display modes, draw target,
// device-rebuild callback and 3D model start and end, as the engine's life
// cycle uses them.
#pragma once

#include <cstdint>

namespace DuRud {

struct DisplayModeInfo {
    int32_t width;
    int32_t height;
    int32_t colorBits;
    int32_t refreshRate;
};

typedef int (*GraphicsRestoreCallback)();

int StartGraphics();  // also starts fonts; negative: start-up fails
int EndGraphics();    // also ends fonts, masks and the remaining graphics work
int SetRestoreCallback(GraphicsRestoreCallback callback);  // null: reload every graphic
int SelectDrawTarget(int target);                          // -2, -4: the screen buffers

int QueryDrawSize(int* width, int* height);  // 640 x 480 when unset
int QueryColorBits();                        // 16 when unset
int QueryRefreshRate();                      // 0 when unset
int IsHardwareRenderingWanted();             // 1 unless software rendering was asked for
int QueryDisplayModeCount();
DisplayModeInfo QueryDisplayMode(int index);  // all -1 for an index out of range
int SetScreenMode(int width, int height, int colorBits, int refreshRate);
int StoreScreenSize(int width, int height);
int SetEmulate320x240(int flag);
int GetEmulate320x240();  // 1 while the 320x240 emulation is asked for or on

int StartModels();
int EndModels();

}  // namespace DuRud
