// Graphic loading and creation: pictures (whole or cut into pieces), empty
// and draw-target graphics and graphics from images in memory, each with
// the restore source a rebuild reloads from; and the image fills they use.
#pragma once

#include "DuRud.h"
#include "graphics/graphic_create_params.h"
#include "image/image_record.h"
#include "win_gdi.h"

namespace DuRud {

// Fills the whole graphic from the image at the copy point. 0 or -1.
int CreateGraphicFromBaseImage(const BaseImage* image, const BaseImage* alphaImage,
                               int colorKeyToAlpha, Handle handle, int copyX, int copyY,
                               int asynchronous, int fromWorker);
int FillDividedGraphicsFromImage(const BaseImage* image, const BaseImage* alphaImage,
                                 const Handle* handles, int count, int columns, int cellWidth,
                                 int cellHeight, int reverse, int asynchronous, int fromWorker);
// A 32-bit copy whose transparent-colour pixels have alpha 0 and take the
// colour of an opaque neighbour. 0 or -1.
int MakeTransparentAlphaImage(const BaseImage* image, const BaseImage* alphaImage,
                              uint32_t transparentColor, BaseImage* out);

int CreateGraphicFromImage(const GraphicCreateParams& params, int reload, Handle handle,
                           const BaseImage* image, const BaseImage* alphaImage, int option,
                           int fromWorker);
// The same from pictures the caller gives up: their pixels (and those of a
// keyed copy) are freed as soon as the graphic's textures have read them.
int CreateGraphicFromReleasedImage(const GraphicCreateParams& params, int reload, Handle handle,
                                   BaseImage* image, BaseImage* alphaImage, int fromWorker);
// A non-null release says image and alphaImage are the caller's to give up
// (see CreateGraphicFromReleasedImage); a reload keeps them.
int CreateDivGraphFromGraphImage(const GraphicCreateParams& params, int reload, Handle baseHandle,
                                 const BaseImage* image, const BaseImage* alphaImage, int count,
                                 int across, int down, int width, int height, Handle* handles,
                                 int option, int mirror, int fromWorker,
                                 BaseImage* release = nullptr, BaseImage* releaseAlpha = nullptr);
// With asynchronous set (and not on a loader thread) the shared image is made
// by a queued load; the handle counts one pending load until then.
// A graphic's deletion drops it from a load still queued for it: with the
// request removed by this delete, the load runs again for its other pieces
// or is freed. Called by the graphic's delete callback.
void ForgetQueuedGraphicLoad(Handle handle, int requestRemoved);
Handle CreateEmptyGraphic(const GraphicCreateParams& params, int width, int height,
                          int asynchronous, int fromWorker);

// Fills part of the graphic: the source rectangle of the image (null: all of
// it) to (x, y) of the graphic. 0 or -1.
int UpdateGraphicFromImage(const BaseImage* image, const BaseImage* alphaImage,
                           const RECT* sourceRect, int x, int y, Handle handle);

// One load: where the picture comes from (a file name, a memory image, a DIB
// pair or base images: the first one set), the creation settings, and for a
// reload the existing handles it refills.
struct GraphicLoadRequest {
    GraphicCreateParams params{};
    int reload = 0;
    Handle handle = -1;  // a reloaded single picture
    const char* fileName = nullptr;
    const void* memoryImage = nullptr;
    int memorySize = 0;
    const void* alphaMemoryImage = nullptr;
    int alphaMemorySize = 0;
    const BITMAPINFO* dibInfo = nullptr;
    const void* dibBits = nullptr;
    const BITMAPINFO* alphaDibInfo = nullptr;
    const void* alphaDibBits = nullptr;
    const BaseImage* image = nullptr;
    const BaseImage* alphaImage = nullptr;
    int count = 0, across = 0, down = 0, width = 0, height = 0;
    Handle* handles = nullptr;  // divided: written (new) or refilled (reload)
    int mirror = 0;             // the picture is loaded mirrored left to right
    int movieOption = 0;
};

// Queued when asynchronous loading is on (the request's data is copied), else
// run now. A new handle, 0 for a reload, or -1.
Handle LoadGraphicRequestRun(const GraphicLoadRequest& request, int fromWorker);
int LoadDividedRequestRun(const GraphicLoadRequest& request, int fromWorker);

// Null params take the current settings. Reload refills the given handle
// (0 or -1); otherwise a new handle or -1.
Handle LoadGraphicFromMemory(const void* image, int size, const void* alphaImage, int alphaSize,
                             int reload, Handle handle, const GraphicCreateParams* params);
Handle LoadGraphicFromBaseImages(const BaseImage* image, const BaseImage* alphaImage, int reload,
                                 Handle handle, const GraphicCreateParams* params);
// Refill loaded graphics from a picture file of the same size. 0 or -1.
int ReloadGraphic(const char* fileName, Handle handle);
int ReloadDividedGraphic(const char* fileName, int count, int across, int down, int width,
                         int height, const Handle* handles);

// Also public (DuRud.h): LoadGraphic, LoadDividedGraphic, CreateDrawableGraphic,
// NewGraphicFromBaseImage.

}  // namespace DuRud
