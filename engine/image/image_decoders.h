// The picture decoders and the stream they read from. Each decoder takes an
// image stream positioned at the start of the data and a cleared record; it
// returns 0 when it filled the record and -1 (having freed whatever it
// allocated) when the bytes are not its format or cannot be decoded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/image_record.h"

namespace DuRud {

// The loader stream interface's six slots followed by the stream handle; the
// decoders use only Tell, Seek and Read.
struct ImageStream {
    int32_t (*Tell)(intptr_t stream);
    int (*Seek)(intptr_t stream, int32_t offset, int origin);  // 0 start, 1 current, 2 end
    size_t (*Read)(void* buffer, size_t elementSize, size_t count, intptr_t stream);
    int (*Eof)(intptr_t stream);
    int (*IdleCheck)(intptr_t stream);
    int (*Close)(intptr_t stream);
    intptr_t handle;
};

typedef int (*ImageLoader)(ImageStream* stream, BaseImage* image);

int LoadBmpImage(ImageStream* stream, BaseImage* image);
int LoadJpegImage(ImageStream* stream, BaseImage* image);
int LoadPngImage(ImageStream* stream, BaseImage* image);
int LoadBgraImage(ImageStream* stream, BaseImage* image);
int LoadTgaImage(ImageStream* stream, BaseImage* image);
int LoadDdsImage(ImageStream* stream, BaseImage* image);

// The built-in decoders in the order the chain tries them, ended by null.
extern const ImageLoader ImageLoaderTable[];

}  // namespace DuRud
