// The decoder chain: user loaders first, then the built-in decoders, each on
// a rewound stream and a cleared record.
#include <cstring>

#include "image/image_loading.h"

namespace DuRud {

const ImageLoader ImageLoaderTable[] = {
    LoadBmpImage, LoadJpegImage, LoadPngImage, LoadBgraImage, LoadTgaImage, LoadDdsImage, nullptr,
};

namespace {

bool TryLoader(ImageLoader loader, ImageStream* stream, BaseImage* image) {
    stream->Seek(stream->handle, 0, 0);
    std::memset(image, 0, sizeof *image);
    return loader(stream, image) == 0;
}

}  // namespace

int LoadImageByLoaders(const ImageLoadParams* params, ImageStream* stream, BaseImage* image) {
    if (!params || !stream || !image) return -1;
    std::memset(image, 0, sizeof *image);
    int users = params->userLoaderCount;
    if (users > kMaxUserImageLoaders) users = kMaxUserImageLoaders;
    for (int i = 0; i < users; ++i) {
        if (params->userLoaders[i] && TryLoader(params->userLoaders[i], stream, image)) return 0;
    }
    for (int i = 0; ImageLoaderTable[i]; ++i) {
        if (TryLoader(ImageLoaderTable[i], stream, image)) return 0;
    }
    std::memset(image, 0, sizeof *image);
    return -1;
}

}  // namespace DuRud
