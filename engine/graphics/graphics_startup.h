// Graphics: start and end, screen settings and display modes, draw target,
// device-rebuild callback and 3D model start and end, as the engine's life
// cycle uses them.
#pragma once

#include <cstdint>

#include "DuRud.h"  // GraphicsRestoreCallback, SetRestoreCallback, SetScreenMode

namespace DuRud {

struct DisplayModeInfo {
    int32_t width;
    int32_t height;
    int32_t colorBits;
    int32_t refreshRate;
};

int StartGraphics();  // also starts fonts; negative: start-up fails
int EndGraphics();    // also ends fonts, masks and the remaining graphics work; 0
// The whole module ended and started again in another mode (-1 keeps a
// value); force 1 rebuilds an unchanged mode. 0.
int ChangeScreenMode(int width, int height, int colorBits, int force, int refreshRate);
// The device torn down and made again in place: newMode 1 stores the given
// mode first, 0 keeps it and restarts the input devices. 0.
int RecreateDevice(int colorBits, int newMode, int width, int height, int refreshRate);
int RestartDevice();  // RecreateDevice in the current mode
// Serves the loader threads until no load is queued or running. 0.
int FinishQueuedLoads();
// The restore callback (or the reload of every graphic) with asynchronous
// loading off, then model textures and fonts. 0.
int RunRestoreCallback();
// 1: a restore path always exists (the caller's or the reload of every graphic).
int HasRestoreCallback();

int QueryDrawSize(int* width, int* height);  // 640 x 480 when unset
int QueryColorBits();                        // 16 when unset
int QueryRefreshRate();                      // 0 when unset
int IsHardwareRenderingWanted();             // 1 unless software rendering was asked for
int QueryDisplayModeCount();
DisplayModeInfo QueryDisplayMode(int index);  // all -1 for an index out of range
int StoreScreenSize(int width, int height);
int SetEmulate320x240(int flag);
// The emulation a 320 x 240 full screen switches on by itself; leaving full
// screen clears it again (the caller's own switch stays).
int SetAutoEmulate320x240(int flag);
int GetEmulate320x240();  // 1 while the 320x240 emulation is asked for or on

int StartModels();
int EndModels();

}  // namespace DuRud
