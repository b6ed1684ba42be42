// Loading pictures: the decoder chain over an image stream, and the front
// ends that open a file or a memory image, run the chain, then mirror the
// picture, turn it into a bitmap for the platform, or load its "_a" alpha
// companion beside it.
#pragma once

#include <cstdint>

#include "files/file_access_table.h"
#include "files/loader_streams.h"
#include "image/image_decoders.h"
#include "image/image_record.h"
#include "win_gdi.h"

namespace DuRud {

constexpr int kMaxUserImageLoaders = 10;

struct ImageLoadParams {
    ImageLoader userLoaders[kMaxUserImageLoaders];  // tried before the built-in decoders
    int32_t userLoaderCount;
    StreamFunctionTable streamFunctions;  // opens and closes files by name
    StreamInterface fileStream;
    StreamInterface memoryStream;
};

// The engine's user loaders (none are registered), the current file-access
// table and the two stream interfaces. 0.
int InitImageLoadParams(ImageLoadParams* params);

// Rewinds the stream and clears the record before each decoder; 0 when one
// accepted the data, -1 when none did.
int LoadImageByLoaders(const ImageLoadParams* params, ImageStream* stream, BaseImage* image);

// From memory (fromMemory non-zero) or from the named file. With wantBitmap
// the picture comes back as a top-down DIB: *outInfo is a tracked block of
// the header and 256 colour entries, *outBits tracked pixels, both the
// caller's to free; otherwise the record goes to *outImage (its pixels the
// caller's). 0, or -1 with the outputs untouched.
int LoadImageWithParams(const ImageLoadParams* params, const char* fileName,
                        const void* memoryImage, int memorySize, int fromMemory, int wantBitmap,
                        int mirror, BaseImage* outImage, BITMAPINFO** outInfo, void** outBits);
int LoadImageWithDefaults(const char* fileName, const void* memoryImage, int memorySize,
                          int fromMemory, int wantBitmap, int mirror, BaseImage* outImage,
                          BITMAPINFO** outInfo, void** outBits);
int LoadBaseImage(const char* fileName, const void* memoryImage, int memorySize, int fromMemory,
                  BaseImage* outImage, int mirror);

// The picture and its alpha companion: alpha mode 0 loads the file named by
// MakeAlphaFileName (only for a picture loaded from a file), 1 the alpha
// memory image, any other mode nothing. -1 when the picture failed, 0 when
// the companion was loaded too, 1 when it was not.
int LoadBaseImageAndAlphaWithParams(const ImageLoadParams* params, const char* fileName,
                                    const void* memoryImage, int memorySize, int fromMemory,
                                    const void* alphaMemoryImage, int alphaMemorySize,
                                    int alphaMode, BaseImage* outImage, BaseImage* outAlpha,
                                    int mirror);
int LoadBaseImageAndAlpha(const char* fileName, const void* memoryImage, int memorySize,
                          int fromMemory, const void* alphaMemoryImage, int alphaMemorySize,
                          int alphaMode, BaseImage* outImage, BaseImage* outAlpha, int mirror);

// "_a" before the last '.' of the file's own name ("a.b.png" -> "a.b_a.png",
// "pic" -> "pic_a", "" -> "_a"), double-byte characters kept whole. 0, or
// -1 when the result (with its NUL) does not fit in outSize bytes.
int MakeAlphaFileName(const char* fileName, char* out, int outSize);

}  // namespace DuRud
