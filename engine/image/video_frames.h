// Conversion of decoded YUV video frames into 32-bit records (blue, green,
// red, 255 per pixel) for the movie renderer.
#pragma once

#include "image/image_record.h"

namespace DuRud {

// Each takes (frame, width, height, 32-bit destination record) and returns
// 0, or -1 for a null argument, a negative size or a record that is not 32
// bits. Pixels outside the record's width and height are never written;
// pairs, 2 x 2 blocks and 4-pixel groups beyond the last whole one neither.
// Packed layouts have 2 * width bytes per line.
int ConvertYv12ToBaseImage(const void* frame, int width, int height, BaseImage* image);
int ConvertNv12ToBaseImage(const void* frame, int width, int height, BaseImage* image);
int ConvertNv11ToBaseImage(const void* frame, int width, int height, BaseImage* image);
int ConvertYuy2ToBaseImage(const void* frame, int width, int height, BaseImage* image);
int ConvertUyvyToBaseImage(const void* frame, int width, int height, BaseImage* image);
int ConvertYvyuToBaseImage(const void* frame, int width, int height, BaseImage* image);

}  // namespace DuRud
