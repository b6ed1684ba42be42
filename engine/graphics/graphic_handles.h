// Graphic handles (type 1): a rectangle over a reference-counted shared
// image that holds tiled textures (Direct3D) or a MEMIMG (software), the
// draw pieces the draw workers read, sub-graphics, the restore source a
// rebuild reloads from, and deletion.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"
#include "graphics/graphic_create_params.h"
#include "image/image_record.h"
#include "image/memimg.h"

namespace DuRud {

struct TextureFormatRequest {
    uint8_t direct3D;
    uint8_t alpha;
    uint8_t drawTarget;
    uint8_t software;
    uint8_t managed;
    uint8_t compressed;  // 1..5: DXT1..DXT5 source
    uint8_t mipLevels;
    uint8_t alphaTest;
    uint8_t floatChannels;
    uint8_t colorBits;
    uint8_t channelCount;  // 0: four-channel colour
    uint8_t bitsPerChannel;
    uint8_t blendImage;
    uint8_t paletteImage;
    uint8_t multisampleCount;
    uint8_t multisampleQuality;
};

struct TextureTile {
    IDirect3DTexture9* texture;
    IDirect3DSurface9* surface;             // top level, draw targets
    IDirect3DSurface9* multisampleSurface;  // never made: the device refuses multisampling
    IDirect3DSurface9* depthSurface;
    int32_t x, y;
    int32_t usedWidth, usedHeight;
    int32_t textureWidth, textureHeight;
};

// Software colour-format kinds of a shared image.
constexpr int kSoftKind16 = 27, kSoftKind16Alpha = 28, kSoftKind32 = 29, kSoftKind32Alpha = 30;
constexpr int kMaxTilesPerAxis = 64;

struct SharedImage {
    int32_t referenceCount;
    int32_t colorFormatKind;
    TextureFormatRequest request;
    uint32_t transparentColor;
    int32_t width, height;
    int32_t depthSurfaceFlag;
    int32_t mipLevels;
    int32_t tileCount;
    MEMIMG memImg;       // software mode
    TextureTile* tiles;  // Direct3D mode: tileCount tiles after the record
};

struct RestoreSource {
    int32_t reserved;
    char* fileName;
    BaseImage* image;
    BaseImage* alphaImage;
    void* memoryImage;
    int32_t memorySize;
    void* alphaMemoryImage;
    int32_t alphaMemorySize;
    int32_t option;
    int32_t referenceCount;
    // The load's transparent colour and its keep / to-alpha / top-left
    // words: a reload turns the key into alpha as the load did.
    int32_t transparentColor;
    int32_t keepTransparentColor, transparentToAlpha, topLeftTransparent;
};

struct TileDrawPiece {
    int32_t x, y;        // inside the graphic
    int32_t srcX, srcY;  // inside the tile's texture
    int32_t width, height;
    struct {
        float x, y, u, v;
    } corners[4];  // top-left, top-right, bottom-left, bottom-right
    uint8_t edges[4];
    TextureTile* tile;
};

constexpr int kInlineDrawPieces = 4;

struct GraphicRecord {
    HandleHeader header;
    int32_t* deletedFlag;
    int32_t movie;  // -1: none
    RestoreSource* restore;
    int32_t originX, originY;
    SharedImage* image;
    int32_t x, y;
    int32_t width, height;
    int32_t pieceCount;
    MEMIMG view;  // software mode: the graphic's rectangle of the shared MEMIMG
    TileDrawPiece pieces[kInlineDrawPieces];  // more follow when the record grew
};

// Registers handle type 1 (graphics start-up calls it). 0, -1.
int RegisterGraphicHandleType();
Handle NewGraphicHandle();
GraphicRecord* GraphicFromHandle(Handle handle, int allowPending);
int IsGraphicValid(Handle handle);

// Tile sizes along one axis; the count, or -1 when the length needs more
// than kMaxTilesPerAxis tiles.
int SplitTextureAxis(int maximum, int length, uint16_t* sizes, int exactAllowed, int singleAllowed);
TextureFormatRequest MakeTextureFormatRequest(const GraphicCreateParams& params, int width,
                                              int height, int hasAlpha, int paletteImage,
                                              int compressedFormat, int mipLevels);
int CreateSharedImage(const GraphicCreateParams& params, Handle handle, int width, int height,
                      int hasAlpha, int paletteImage, int compressedFormat, int mipLevels,
                      int allowPending, int fromWorker);
int BuildTileCoverage(Handle handle, int allowPending);
Handle CreateSubGraphicEx(int x, int y, int width, int height, Handle source, int allowPending);
Handle CreateSubGraphic(int x, int y, int width, int height, Handle source);
int MakeSubGraphic(Handle target, int x, int y, int width, int height, Handle source,
                   int allowPending);
// Exactly one of file name, base images or memory image is kept; a source
// handle with nothing else shares that graphic's restore source.
int SetGraphicRestoreSource(Handle handle, const char* fileName, const void* memoryImage,
                            int memorySize, const void* alphaMemoryImage, int alphaMemorySize,
                            const BaseImage* image, const BaseImage* alphaImage, int option,
                            Handle source, int allowPending);
// Records the keying words of the load (see RestoreSource). 0, -1 for a bad
// handle or one without a restore source.
int SetGraphicRestoreKeying(Handle handle, const GraphicCreateParams& params, int allowPending);
int SetGraphicRestoreSourceFromFile(Handle handle, const char* fileName, int option, Handle source,
                                    int allowPending);
// A copy of the image with pixels of its own (freed by FreeBaseImagePixels).
int DuplicateBaseImage(const BaseImage* source, BaseImage* out);
int DeleteGraphic(Handle handle);
int SetGraphicDeletedFlag(Handle handle, int32_t* flag);

// The device's textures of one shared image, of every graphic (and the work
// textures), and the device itself on a full-screen deactivation.
int CreateGraphicTexture(SharedImage* image, int fromWorker);
int ReleaseSharedImageTextures(SharedImage* image, int fromWorker);
int ReleaseAllGraphicTextures();
int RecreateAllGraphicTextures();
int ReleaseDeviceResources();

}  // namespace DuRud
