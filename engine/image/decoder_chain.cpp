// The built-in decoders in the order the chain tries them.
#include "image/image_decoders.h"

namespace DuRud {

const ImageLoader ImageLoaderTable[] = {
    LoadBmpImage, LoadJpegImage, LoadPngImage, LoadBgraImage, LoadTgaImage, LoadDdsImage, nullptr,
};

}  // namespace DuRud
