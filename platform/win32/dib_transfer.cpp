// DIB transfers: SetDIBitsToDevice and StretchDIBits onto a memory DC's DIB
// section or a window DC's picture, and GetDIBits out of a DIB section. Every
// source layout converts through X8R8G8B8; destinations are clipped.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "user_state.h"
#include "win_kernel.h"
#include "window_picture.h"

namespace platform::gdi {

namespace {

// Runs `draw` with the destination's pixels as a DIB layout; false when the
// DC cannot be drawn on.
bool WithTargetUnguarded(HDC handle, const std::function<void(const DibFormat&, uint8_t*)>& draw);

// Runs `draw` on the DC's pixels; a draw too large for memory fails cleanly.
bool WithTarget(HDC handle, const std::function<void(const DibFormat&, uint8_t*)>& draw) {
    try {
        return WithTargetUnguarded(handle, draw);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

bool WithTargetUnguarded(HDC handle, const std::function<void(const DibFormat&, uint8_t*)>& draw) {
    auto dc = GetDc(handle);
    if (!dc) return false;
    if (dc->window) {
        return platform::WindowPictureEdit(dc->window, [&](uint32_t* pixels, int w, int h) {
            DibFormat f;
            f.width = w;
            f.height = h;
            f.topDown = true;
            f.bitCount = 32;
            f.masks[0] = 0xFF0000;
            f.masks[1] = 0x00FF00;
            f.masks[2] = 0x0000FF;
            f.stride = static_cast<size_t>(w) * 4;
            if (w > 0 && h > 0) draw(f, reinterpret_cast<uint8_t*>(pixels));
        });
    }
    if (!dc->memory) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    auto bitmap = GetAs<Bitmap>(dc->selected[OBJ_BITMAP]);
    if (!bitmap || bitmap->stock) {
        SetLastError(ERROR_INVALID_PARAMETER);  // no DIB section selected
        return false;
    }
    std::lock_guard<std::mutex> lock(DrawMutex());
    draw(bitmap->format, bitmap->storage.data());
    return true;
}

uint8_t* TargetRow(const DibFormat& f, uint8_t* base, int y) {
    size_t storageRow = f.topDown ? static_cast<size_t>(y) : static_cast<size_t>(f.height - 1 - y);
    return base + storageRow * f.stride;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

int WINAPI SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                             int ySrc, UINT startScan, UINT lines, const void* bits,
                             const BITMAPINFO* info, UINT usage) {
    DibFormat src;
    if (!bits || !DecodeDibFormat(info, usage, &src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lines == 0 || startScan >= static_cast<UINT>(src.height) || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF) {
        return 0;
    }
    const UINT supplied = std::min<UINT>(lines, static_cast<UINT>(src.height) - startScan);
    // A rectangle of a whole top-down picture in the window's own layout goes
    // to the window picture in one copy (a frame of the software renderer),
    // not converted into the picture and then copied on to the screen.
    if (auto target = GetDc(dc);
        target && target->window && src.topDown && src.bitCount == 32 && src.masks[0] == 0xFF0000 &&
        src.masks[1] == 0x00FF00 && src.masks[2] == 0x0000FF && startScan == 0 &&
        supplied == static_cast<UINT>(src.height) && width > 0 && height > 0 && xSrc >= 0 &&
        ySrc >= 0 && int64_t{xSrc} + width <= src.width && int64_t{ySrc} + height <= src.height) {
        const RECT source{xSrc, ySrc, static_cast<LONG>(xSrc + width),
                          static_cast<LONG>(ySrc + height)};
        const RECT dest{xDest, yDest, static_cast<LONG>(int64_t{xDest} + width),
                        static_cast<LONG>(int64_t{yDest} + height)};
        return platform::WindowPictureWrite(target->window, bits, src.width, src.height,
                                            static_cast<int>(src.stride), &source, &dest)
                   ? static_cast<int>(supplied)
                   : 0;
    }
    const auto* data = static_cast<const uint8_t*>(bits);
    bool ok = WithTarget(dc, [&](const DibFormat& dst, uint8_t* base) {
        const int64_t w = width, h = height;
        std::vector<uint32_t> line;
        for (int64_t dy = std::max<int64_t>(yDest, 0);
             dy < std::min<int64_t>(int64_t{yDest} + h, dst.height); ++dy) {
            // Bottom-up sources count rows from the bottom: (xSrc, ySrc) is the
            // lower-left corner of the source rectangle.
            int64_t row = src.topDown ? ySrc + (dy - yDest) : ySrc + (yDest + h - 1 - dy);
            if (row < startScan || row >= int64_t{startScan} + supplied) continue;
            const uint8_t* srcRow = data + static_cast<size_t>(row - startScan) * src.stride;
            uint8_t* dstRow = TargetRow(dst, base, static_cast<int>(dy));
            // Columns where both the target and the source have pixels.
            const int64_t x0 = std::max<int64_t>({xDest, 0, int64_t{xDest} - xSrc});
            const int64_t x1 = std::min<int64_t>(
                {int64_t{xDest} + w, dst.width, int64_t{xDest} - xSrc + src.width});
            if (x1 <= x0) continue;
            const int count = static_cast<int>(x1 - x0);
            line.resize(static_cast<size_t>(count));
            ReadDibRow(src, srcRow, static_cast<int>(xSrc + (x0 - xDest)), count, line.data());
            WriteDibRow(dst, dstRow, static_cast<int>(x0), count, line.data());
        }
    });
    return ok ? static_cast<int>(supplied) : 0;
}

int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                         int ySrc, int srcWidth, int srcHeight, const void* bits,
                         const BITMAPINFO* info, UINT usage, DWORD rop) {
    DibFormat src;
    if (!bits || rop != SRCCOPY || !DecodeDibFormat(info, usage, &src)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
    // Negative sizes mirror.
    bool mirrorX = (destWidth < 0) != (srcWidth < 0);
    bool mirrorY = (destHeight < 0) != (srcHeight < 0);
    int64_t dW = std::abs(int64_t{destWidth}), dH = std::abs(int64_t{destHeight});
    int64_t sW = std::abs(int64_t{srcWidth}), sH = std::abs(int64_t{srcHeight});
    int64_t dX = destWidth < 0 ? int64_t{xDest} + destWidth + 1 : xDest;
    int64_t dY = destHeight < 0 ? int64_t{yDest} + destHeight + 1 : yDest;
    int64_t sX = srcWidth < 0 ? int64_t{xSrc} + srcWidth + 1 : xSrc;
    int64_t sY = srcHeight < 0 ? int64_t{ySrc} + srcHeight + 1 : ySrc;
    const auto* data = static_cast<const uint8_t*>(bits);
    bool ok = WithTarget(dc, [&](const DibFormat& dst, uint8_t* base) {
        std::vector<uint32_t> source;
        std::vector<uint32_t> line;
        int64_t convertedRow = -1, convertedLo = -1, convertedHi = -1;
        for (int64_t dy = std::max<int64_t>(dY, 0); dy < std::min<int64_t>(dY + dH, dst.height);
             ++dy) {
            int64_t fy = (dy - dY) * sH / dH;
            if (mirrorY) fy = sH - 1 - fy;
            // Rows of a bottom-up source count from its bottom edge.
            int64_t row = src.topDown ? sY + fy : sY + (sH - 1 - fy);
            if (row < 0 || row >= src.height) continue;
            const uint8_t* srcRow = data + static_cast<size_t>(row) * src.stride;
            uint8_t* dstRow = TargetRow(dst, base, static_cast<int>(dy));
            const int64_t x0 = std::max<int64_t>(dX, 0);
            const int64_t x1 = std::min<int64_t>(dX + dW, dst.width);
            if (x1 <= x0) continue;
            // The source columns this row needs (the mapping is monotonic). A
            // narrow span is converted once per source row; a very wide one
            // (a huge shrink) is read pixel by pixel instead.
            auto column = [&](int64_t dx) {
                int64_t fx = (dx - dX) * sW / dW;
                return sX + (mirrorX ? sW - 1 - fx : fx);
            };
            const int64_t lo =
                std::clamp<int64_t>(std::min(column(x0), column(x1 - 1)), 0, src.width - 1);
            const int64_t hi =
                std::clamp<int64_t>(std::max(column(x0), column(x1 - 1)), 0, src.width - 1);
            const bool spanRead = hi - lo + 1 <= 4 * (x1 - x0) + 64;
            if (spanRead && (row != convertedRow || lo != convertedLo || hi != convertedHi)) {
                source.resize(static_cast<size_t>(hi - lo + 1));
                ReadDibRow(src, srcRow, static_cast<int>(lo), static_cast<int>(hi - lo + 1),
                           source.data());
                convertedRow = row;
                convertedLo = lo;
                convertedHi = hi;
            }
            line.resize(static_cast<size_t>(x1 - x0));
            size_t n = 0;
            for (int64_t dx = x0; dx < x1; ++dx) {
                int64_t fx = (dx - dX) * sW / dW;
                if (mirrorX) fx = sW - 1 - fx;
                int64_t sx = sX + fx;
                if (sx < 0 || sx >= src.width) {
                    // Columns outside the source keep what the target had.
                    if (n)
                        WriteDibRow(dst, dstRow, static_cast<int>(dx - n), static_cast<int>(n),
                                    line.data());
                    n = 0;
                    continue;
                }
                line[n++] = spanRead ? source[static_cast<size_t>(sx - lo)]
                                     : ReadDibPixel(src, srcRow, static_cast<int>(sx));
            }
            if (n)
                WriteDibRow(dst, dstRow, static_cast<int>(x1 - n), static_cast<int>(n),
                            line.data());
        }
    });
    return ok ? static_cast<int>(sH) : 0;
}

int WINAPI GetDIBits(HDC dc, HBITMAP handle, UINT startScan, UINT lines, LPVOID bits,
                     LPBITMAPINFO info, UINT usage) {
    auto bitmap = GetAs<Bitmap>(handle);
    if (!bitmap || !GetDc(dc) || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> lock(DrawMutex());
    const DibFormat& f = bitmap->format;
    if (!bits) {
        // Fill in the header of the bitmap's own layout.
        BITMAPINFOHEADER& h = info->bmiHeader;
        if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
        h.biWidth = f.width;
        h.biHeight = f.topDown ? -f.height : f.height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(f.bitCount);
        h.biCompression = f.compression;
        h.biSizeImage = static_cast<DWORD>(f.stride * f.height);
        return f.height;
    }
    DibFormat out;
    if (!DecodeDibFormat(info, usage, &out) || out.width != f.width || out.height != f.height) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (startScan >= static_cast<UINT>(f.height)) return 0;
    const UINT count = std::min<UINT>(lines, static_cast<UINT>(f.height) - startScan);
    auto* dst = static_cast<uint8_t*>(bits);
    for (UINT i = 0; i < count; ++i) {
        // Scan line numbers follow the requested layout's row order.
        const int rowInOut = static_cast<int>(startScan + i);
        const int imageY = out.topDown ? rowInOut : f.height - 1 - rowInOut;
        const uint8_t* srcRow = TargetRow(f, const_cast<uint8_t*>(bitmap->storage.data()), imageY);
        uint8_t* dstRow = dst + static_cast<size_t>(i) * out.stride;
        for (int x = 0; x < f.width; ++x) WriteDibPixel(out, dstRow, x, ReadDibPixel(f, srcRow, x));
    }
    return static_cast<int>(count);
}
