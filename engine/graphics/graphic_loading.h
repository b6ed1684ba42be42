// Graphic loading and creation: pictures (whole or cut into pieces), empty
// and draw-target graphics and graphics from images in memory, each with
// the restore source a rebuild reloads from; and the image fills they use.
#pragma once

#include "DuRud.h"
#include "graphics/graphic_create_params.h"
#include "image/image_record.h"

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
int CreateDivGraphFromGraphImage(const GraphicCreateParams& params, int reload, Handle baseHandle,
                                 const BaseImage* image, const BaseImage* alphaImage, int count,
                                 int across, int down, int width, int height, Handle* handles,
                                 int option, int mirror, int fromWorker);
Handle CreateEmptyGraphic(const GraphicCreateParams& params, int width, int height,
                          int asynchronous, int fromWorker);

// Also public (DuRud.h): LoadGraphic, LoadDividedGraphic, CreateDrawableGraphic,
// NewGraphicFromBaseImage.

}  // namespace DuRud
