// The six YUV frame converters: one arithmetic, six sample layouts.
#include <algorithm>

#include "image/video_frames.h"

namespace DuRud {
namespace {

uint8_t Clamp15(int32_t sum) {
    if (sum < 0) return 0;
    if (sum > 0x7F8000) return 255;
    return uint8_t(sum >> 15);
}

struct Target {
    uint8_t* pixels;
    int pitch;
    int width;   // columns that may be written
    int height;  // lines that may be written

    void Put(int x, int y, int luma, int u, int v) const {
        if (x >= width || y >= height) return;
        const int32_t base = luma * 32768;
        uint8_t* p = pixels + int64_t(y) * pitch + int64_t(x) * 4;
        p[0] = Clamp15(base + 58064 * u);
        p[1] = Clamp15(base - 11272 * u - 23396 * v);
        p[2] = Clamp15(base + 45940 * v);
        p[3] = 255;
    }
};

bool MakeTarget(const void* frame, int width, int height, BaseImage* image, Target* t) {
    if (!frame || !image || !image->pixels || width < 0 || height < 0) return false;
    if (image->colorFormat.formatCode != kFormatPlain || image->colorFormat.bytesPerPixel != 4) {
        return false;
    }
    *t = {static_cast<uint8_t*>(image->pixels), image->pitch, std::min(width, image->width),
          std::min(height, image->height)};
    return true;
}

// Planar 4:2:0: Y plane then two chroma planes (YV12: V then U) or one
// interleaved U, V plane (NV12).
int Planar420(const void* frame, int width, int height, BaseImage* image, bool interleaved) {
    Target t;
    if (!MakeTarget(frame, width, height, image, &t)) return -1;
    const auto* y = static_cast<const uint8_t*>(frame);
    const int64_t cw = width / 2, ch = height / 2;
    const uint8_t* chroma = y + int64_t(width) * height;
    for (int64_t by = 0; by < ch; ++by) {
        for (int64_t bx = 0; bx < cw; ++bx) {
            int u, v;
            if (interleaved) {
                u = chroma[by * cw * 2 + bx * 2] - 128;
                v = chroma[by * cw * 2 + bx * 2 + 1] - 128;
            } else {
                v = chroma[by * cw + bx] - 128;
                u = chroma[cw * ch + by * cw + bx] - 128;
            }
            for (int j = 0; j < 2; ++j) {
                for (int i = 0; i < 2; ++i) {
                    const int64_t px = bx * 2 + i, py = by * 2 + j;
                    t.Put(int(px), int(py), y[py * width + px], u, v);
                }
            }
        }
    }
    return 0;
}

// Packed 4:2:2: four bytes per two pixels; the offsets name where Y0, U, Y1
// and V sit in each group.
int Packed422(const void* frame, int width, int height, BaseImage* image, int y0, int u0, int y1,
              int v0) {
    Target t;
    if (!MakeTarget(frame, width, height, image, &t)) return -1;
    const auto* src = static_cast<const uint8_t*>(frame);
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* line = src + int64_t(row) * width * 2;
        for (int p = 0; p < pairs; ++p) {
            const uint8_t* g = line + p * 4;
            const int u = g[u0] - 128, v = g[v0] - 128;
            t.Put(p * 2, row, g[y0], u, v);
            t.Put(p * 2 + 1, row, g[y1], u, v);
        }
    }
    return 0;
}

}  // namespace

int ConvertYv12ToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    return Planar420(frame, width, height, image, false);
}

int ConvertNv12ToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    return Planar420(frame, width, height, image, true);
}

int ConvertNv11ToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    Target t;
    if (!MakeTarget(frame, width, height, image, &t)) return -1;
    const auto* y = static_cast<const uint8_t*>(frame);
    const uint8_t* chroma = y + int64_t(width) * height;
    const int64_t chromaLine = width / 2;
    const int groups = width / 4;
    for (int row = 0; row < height; ++row) {
        for (int g = 0; g < groups; ++g) {
            const uint8_t* pair = chroma + row * chromaLine + g * 2;
            const int u = pair[0] - 128, v = pair[1] - 128;
            for (int i = 0; i < 4; ++i) {
                const int64_t px = int64_t(g) * 4 + i;
                t.Put(int(px), row, y[int64_t(row) * width + px], u, v);
            }
        }
    }
    return 0;
}

int ConvertYuy2ToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    return Packed422(frame, width, height, image, 0, 1, 2, 3);
}

int ConvertUyvyToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    return Packed422(frame, width, height, image, 1, 0, 3, 2);
}

int ConvertYvyuToBaseImage(const void* frame, int width, int height, BaseImage* image) {
    return Packed422(frame, width, height, image, 0, 3, 2, 1);
}

}  // namespace DuRud
