// Moving image pixels into a graphic: into every texture tile the rectangle
// touches (by the managed lock, a borrowed work texture, or a system-memory
// texture for draw targets) or into the graphic's MEMIMG; the choice of the
// colour-format kind a texture is made in.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include "DuRud.h"
#include "graphics/graphic_handles.h"
#include "image/image_record.h"

namespace DuRud {

constexpr int kGraphicColorFormatKinds = 25;

int ClassifyGraphicFormat(const TextureFormatRequest& request);
// The descriptor of the kind a graphic with these properties gets.
const ColorFormat* QueryGraphicColorFormat(int alpha, int alphaTest, int is32Bit, int drawTarget);
// The descriptor of the texture format a kind is made in on this device
// (null when the slot is unusable or the kind does not exist).
const ColorFormat* GraphicKindColorFormat(int kind);

// Copies the source rectangle (left, top, right, bottom; null: the whole
// image, clipped to it) to (destX, destY). sharedImageSpace 1 addresses the
// whole shared image. 0 or -1.
int TransferImageToGraphic(Handle handle, const RECT* sourceRect, int destX, int destY,
                           const BaseImage* image, const BaseImage* alphaImage, int colorKeyToAlpha,
                           int sharedImageSpace, int allowPending, int fromWorker);
// The same for pictures the caller gives up (image and alphaImage are then
// the releasable ones): their pixels are freed as soon as the last texture
// has read them, before the copies into the graphic's textures and the work
// texture's return, so a load waiting on those no longer holds its picture.
// Freed on failure too.
int TransferReleasingImageToGraphic(Handle handle, const RECT* sourceRect, int destX, int destY,
                                    BaseImage* image, BaseImage* alphaImage, int colorKeyToAlpha,
                                    int sharedImageSpace, int allowPending, int fromWorker);
// The whole picture with its transparent colour (0x00RRGGBB) turned into
// alpha as it is written, as MakeTransparentAlphaImage would make it, without
// a whole keyed copy where the textures can be written a rectangle at a time.
// With release set the pictures are freed as for
// TransferReleasingImageToGraphic. 0 or -1.
int TransferKeyedImageToGraphic(Handle handle, BaseImage* image, BaseImage* alphaImage,
                                uint32_t transparentColor, int release, int fromWorker);
// The same from a GDI bitmap pair, read through their bits in the given
// colour format (refused when its bits per pixel differ from the bitmap's).
int TransferBitmapToGraphic(Handle handle, const ColorFormat* format, HBITMAP bitmap,
                            HBITMAP alphaBitmap, const RECT* sourceRect, int destX, int destY,
                            int colorKeyToAlpha, int sharedImageSpace, int allowPending,
                            int fromWorker);
// Borrows a work texture of a tile's shape: while every one of that shape is
// held, the main thread pumps once and a loader thread sleeps, then both try
// again. The index, or -1 when creation fails or the program is ending.
int GetTileWorkTexture(int width, int height, int levels, int kind, int fromWorker);
// A system-memory texture of one level in the kind's format; null on failure.
IDirect3DTexture9* CreateSystemTexture(int width, int height, int kind, int fromWorker);
// Copies a tile's multi-sample surface into its texture. 0 or -1.
int ResolveMultiSampleTile(TextureTile* tile);
int IsGraphicMultiSampled(Handle handle);
// One tile texture: the rectangle of the image into (destX, destY) of its
// top level (levels 1), or with its mip chain. 0 or -1.
int TransferImageToTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                           const BaseImage* image, const BaseImage* alphaImage, const RECT& source,
                           int destX, int destY, int colorKeyToAlpha, uint32_t transparentColor,
                           int fromWorker);
int TransferImageToMipTexture(IDirect3DTexture9* texture, const ColorFormat* textureFormat,
                              int levels, const BaseImage* image, const BaseImage* alphaImage,
                              const RECT& source, int destX, int destY, int colorKeyToAlpha,
                              uint32_t transparentColor, int fromWorker);

}  // namespace DuRud
