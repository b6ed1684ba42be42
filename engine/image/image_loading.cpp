// The load front ends: open the stream, run the decoder chain, then mirror,
// make the bitmap form, or load the alpha companion. Every stream opened
// here is closed on every path.
#include "image/image_loading.h"

#include <cstring>

#include "DuRud.h"
#include "image/dib_conversion.h"
#include "image/image_memory.h"
#include "image/pixel_conversion.h"

namespace DuRud {

namespace {

// The user loaders the engine registers (none).
ImageLoader g_userLoaders[kMaxUserImageLoaders] = {};
int32_t g_userLoaderCount = 0;

// Room for a DIB header, 256 colour entries and 4 spare bytes.
constexpr int64_t kBitmapInfoSize = sizeof(BITMAPINFOHEADER) + 256 * 4 + 4;

ImageStream MakeImageStream(const StreamInterface& functions, StreamHandle handle) {
    ImageStream s{};
    s.Tell = functions.Tell;
    s.Seek = functions.Seek;
    s.Read = functions.Read;
    s.Eof = functions.Eof;
    s.IdleCheck = functions.IdleCheck;
    s.Close = functions.Close;
    s.handle = handle;
    return s;
}

}  // namespace

int InitImageLoadParams(ImageLoadParams* params) {
    if (!params) return -1;
    std::memset(params, 0, sizeof *params);
    std::memcpy(params->userLoaders, g_userLoaders, sizeof g_userLoaders);
    params->userLoaderCount = g_userLoaderCount;
    params->streamFunctions = *GetStreamFunctionTable();
    params->fileStream = *GetFileStreamInterface();
    params->memoryStream = *GetMemoryImageStreamInterface();
    return 0;
}

int LoadImageWithParams(const ImageLoadParams* params, const char* fileName,
                        const void* memoryImage, int memorySize, int fromMemory, int wantBitmap,
                        int mirror, BaseImage* outImage, BITMAPINFO** outInfo, void** outBits) {
    if (!params) return -1;
    if (wantBitmap ? (!outInfo || !outBits) : !outImage) return -1;

    ImageStream stream;
    if (fromMemory) {
        if (memorySize < 0 || !params->memoryStream.Close) return -1;
        StreamHandle h = OpenMemoryImageStream(memoryImage, uint32_t(memorySize));
        if (!h) return -1;
        stream = MakeImageStream(params->memoryStream, h);
    } else {
        if (!fileName || !params->streamFunctions.Open || !params->streamFunctions.Close) return -1;
        StreamHandle h = params->streamFunctions.Open(fileName, 0, 1, 0);
        if (!h) return -1;
        stream = MakeImageStream(params->fileStream, h);
    }
    // Memory streams close through their interface, files through the
    // stream functions that opened them.
    auto closeStream = [&]() {
        if (!stream.handle) return;
        if (fromMemory) {
            params->memoryStream.Close(stream.handle);
        } else {
            params->streamFunctions.Close(stream.handle);
        }
        stream.handle = 0;
    };

    BaseImage image;
    int chained = LoadImageByLoaders(params, &stream, &image);
    if (fromMemory || chained != 0) closeStream();
    if (chained != 0) return -1;

    auto fail = [&]() {
        FreeBaseImagePixels(&image);
        closeStream();
        return -1;
    };
    if (mirror == 1) {
        if (DecompressBaseImage(&image) != 0 || MirrorBaseImage(&image) != 0) return fail();
    }
    if (wantBitmap) {
        if (DecompressBaseImage(&image) != 0) return fail();
        auto* info = static_cast<BITMAPINFO*>(IMAGE_ALLOC(kBitmapInfoSize));
        if (!info) return fail();
        std::memset(info, 0, size_t(kBitmapInfoSize));
        void* bits = nullptr;
        int converted = ConvertBaseImageToDib(&image, info, &bits, 0, 0);
        if (converted < 0 || !bits) {
            ImageFree(info);
            if (converted == 1) ImageFree(bits);
            return fail();
        }
        // 1: the bits are a copy and the record's pixels go; 0: the bits are
        // the record's pixels, now the caller's.
        if (converted == 1) FreeBaseImagePixels(&image);
        *outInfo = info;
        *outBits = bits;
    } else {
        *outImage = image;
    }
    closeStream();
    return 0;
}

int LoadImageWithDefaults(const char* fileName, const void* memoryImage, int memorySize,
                          int fromMemory, int wantBitmap, int mirror, BaseImage* outImage,
                          BITMAPINFO** outInfo, void** outBits) {
    ImageLoadParams params;
    InitImageLoadParams(&params);
    return LoadImageWithParams(&params, fileName, memoryImage, memorySize, fromMemory, wantBitmap,
                               mirror, outImage, outInfo, outBits);
}

int LoadBaseImage(const char* fileName, const void* memoryImage, int memorySize, int fromMemory,
                  BaseImage* outImage, int mirror) {
    return LoadImageWithDefaults(fileName, memoryImage, memorySize, fromMemory, 0, mirror, outImage,
                                 nullptr, nullptr);
}

int LoadBaseImageAndAlphaWithParams(const ImageLoadParams* params, const char* fileName,
                                    const void* memoryImage, int memorySize, int fromMemory,
                                    const void* alphaMemoryImage, int alphaMemorySize,
                                    int alphaMode, BaseImage* outImage, BaseImage* outAlpha,
                                    int mirror) {
    if (LoadImageWithParams(params, fileName, memoryImage, memorySize, fromMemory, 0, mirror,
                            outImage, nullptr, nullptr) != 0) {
        return -1;
    }
    if (!outAlpha) return 1;
    if (alphaMode == 0) {
        // Only a picture loaded from a file has a name to derive one from.
        char alphaName[MAX_PATH];
        if (fromMemory || !fileName ||
            MakeAlphaFileName(fileName, alphaName, int(sizeof alphaName)) != 0) {
            return 1;
        }
        return LoadImageWithParams(params, alphaName, nullptr, 0, 0, 0, mirror, outAlpha, nullptr,
                                   nullptr) == 0
                   ? 0
                   : 1;
    }
    if (alphaMode == 1) {
        return LoadImageWithParams(params, nullptr, alphaMemoryImage, alphaMemorySize, 1, 0, mirror,
                                   outAlpha, nullptr, nullptr) == 0
                   ? 0
                   : 1;
    }
    return 1;
}

int LoadBaseImageAndAlpha(const char* fileName, const void* memoryImage, int memorySize,
                          int fromMemory, const void* alphaMemoryImage, int alphaMemorySize,
                          int alphaMode, BaseImage* outImage, BaseImage* outAlpha, int mirror) {
    ImageLoadParams params;
    InitImageLoadParams(&params);
    return LoadBaseImageAndAlphaWithParams(&params, fileName, memoryImage, memorySize, fromMemory,
                                           alphaMemoryImage, alphaMemorySize, alphaMode, outImage,
                                           outAlpha, mirror);
}

int MakeAlphaFileName(const char* fileName, char* out, int outSize) {
    if (!fileName || !out || outSize <= 0) return -1;
    const int charSet = GetEngineCharSet();
    // The insertion point: the last '.' after the last separator.
    int64_t length = 0, dot = -1;
    while (fileName[length] != '\0') {
        unsigned char c = static_cast<unsigned char>(fileName[length]);
        if (IsLeadByte(c, charSet) && fileName[length + 1] != '\0') {
            length += 2;
            continue;
        }
        if (c == '\\' || c == '/') dot = -1;
        if (c == '.') dot = length;
        ++length;
    }
    if (length + 3 > outSize) return -1;
    const int64_t at = dot >= 0 ? dot : length;
    std::memcpy(out, fileName, size_t(at));
    out[at] = '_';
    out[at + 1] = 'a';
    std::memcpy(out + at + 2, fileName + at, size_t(length - at) + 1);
    return 0;
}

}  // namespace DuRud
