// Rows of a surface held back by the rasteriser or by a moved whole-surface
// copy, written out before anything else reads or writes the bytes.
#include <cstring>
#include <utility>

#include "device_internals.h"

namespace platform::d3d9 {

raster::RasterSurface RasterOf(const PixelBuffer& p) {
    raster::RasterSurface s;
    s.pixels = p.bytes.get();
    s.pitch = int(p.pitch);
    s.width = int(p.width);
    s.height = int(p.height);
    s.format = p.format;
    return s;
}

namespace {

bool ThirtyTwoBit(D3DFORMAT f) {
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8;
}

// Sets the top byte of every pixel (rows only, not their padding).
void SetTopBytes(PixelBuffer& p) {
    for (UINT y = 0; y < p.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(p.Row(y));
        for (UINT x = 0; x < p.width; ++x) row[x] |= 0xFF000000u;
    }
}

}  // namespace

void WriteHeldRows(const PixelBuffer* p, bool keepTopBytes) {
    if (!p) return;
    if (p->heldRows && p->heldRows->Any()) {
        // Writing them changes those rows of p: a holder of rows of p gets
        // the same rows first.
        for (UINT y = 0; p->copiedBy && y < p->height; ++y)
            if (p->heldRows->Holds(int(y))) SettleHolderRows(p, int(y), int(y) + 1);
        p->heldRows->WriteAll(RasterOf(*p));
    }
    if (p->copyOf) {
        p->copyOf->copiedBy = nullptr;
        const_cast<PixelBuffer*>(p)->copyOf = nullptr;
    }
    if (p->topBytesUnset && !keepTopBytes) {
        // The rows a holder copies from these bytes are its own: written
        // out before the bytes change.
        if (p->copiedBy) WriteHeldRows(p->copiedBy);
        auto& own = const_cast<PixelBuffer&>(*p);
        SetTopBytes(own);
        own.topBytesUnset = false;
    }
}

void SettleHolderRows(const PixelBuffer* p, int y0, int y1) {
    PixelBuffer* holder = p ? p->copiedBy : nullptr;
    if (!holder) return;
    if (holder->heldRows) holder->heldRows->WriteRows(RasterOf(*holder), y0, y1);
    if (!holder->heldRows || !holder->heldRows->Any()) {
        holder->copyOf = nullptr;
        const_cast<PixelBuffer*>(p)->copiedBy = nullptr;
    }
}

void SettleBeforeWrite(const PixelBuffer* p) {
    if (!p) return;
    const_cast<PixelBuffer*>(p)->zeroSinceAllocation = false;
    if (p->copiedBy) WriteHeldRows(p->copiedBy);
    WriteHeldRows(p);
}

bool MoveWholeCopy(PixelBuffer& src, PixelBuffer& dst) {
    if (&src == &dst || !src.bytes || !dst.bytes || src.format != dst.format ||
        !ThirtyTwoBit(src.format) || src.width != dst.width || src.height != dst.height ||
        src.pitch != dst.pitch || src.depth != 1 || dst.depth != 1)
        return false;
    SettleBeforeWrite(&src);  // its bytes move
    SettleBeforeWrite(&dst);
    std::swap(src.bytes, dst.bytes);
    if (!src.heldRows) src.heldRows = std::make_unique<raster::HeldRows>(int(src.height));
    src.heldRows->HoldCopy(dst.bytes.get(), int(dst.pitch), int(dst.width));
    src.copyOf = &dst;
    dst.copiedBy = &src;
    return true;
}

bool MoveDrawnCopy(PixelBuffer& src, PixelBuffer& dst, bool topBytesUnset) {
    if (&src == &dst || !src.bytes || !dst.bytes || !ThirtyTwoBit(src.format) ||
        !ThirtyTwoBit(dst.format) || src.width != dst.width || src.height != dst.height ||
        src.pitch != dst.pitch || src.depth != 1 || dst.depth != 1)
        return false;
    // src still holding rows of dst as a copy (the last move's) where most
    // rows are such: dst has those already, so only src's other rows go over
    // and src keeps holding what it held. Otherwise moving the bytes costs
    // less (src's held rows are written out, then the bytes trade places).
    UINT copies = 0;
    const bool linked = src.copyOf == &dst && dst.copiedBy == &src && src.heldRows &&
                        !src.copiedBy && !src.topBytesUnset;
    for (UINT y = 0; linked && y < src.height; ++y)
        copies += src.heldRows->HoldsWholeCopy(int(y), int(src.width)) ? 1 : 0;
    if (linked && 2 * copies > src.height) {
        if (dst.copyOf) {
            dst.copyOf->copiedBy = nullptr;
            dst.copyOf = nullptr;
        }
        if (dst.heldRows) dst.heldRows->Clear();
        dst.zeroSinceAllocation = false;
        src.zeroSinceAllocation = false;
        const raster::RasterSurface from = RasterOf(src);
        const size_t rowBytes = size_t(src.width) * 4;
        for (UINT y = 0; y < src.height; ++y) {
            if (src.heldRows->HoldsWholeCopy(int(y), int(src.width))) continue;
            src.heldRows->WriteRow(from, int(y));  // a held fill or part of a copy
            std::memcpy(dst.Row(y), src.Row(y), rowBytes);
        }
        dst.topBytesUnset = topBytesUnset;
        return true;
    }
    SettleBeforeWrite(&src);  // its bytes move
    // dst's bytes are all replaced: whoever holds rows of them gets them
    // first; its own held rows and unset top bytes go with them.
    if (dst.copiedBy) WriteHeldRows(dst.copiedBy);
    if (dst.copyOf) {
        dst.copyOf->copiedBy = nullptr;
        dst.copyOf = nullptr;
    }
    if (dst.heldRows) dst.heldRows->Clear();
    dst.zeroSinceAllocation = false;
    std::swap(src.bytes, dst.bytes);
    dst.topBytesUnset = topBytesUnset;
    if (!src.heldRows) src.heldRows = std::make_unique<raster::HeldRows>(int(src.height));
    src.heldRows->HoldCopy(dst.bytes.get(), int(dst.pitch), int(dst.width));
    src.copyOf = &dst;
    dst.copiedBy = &src;
    return true;
}

PixelBuffer::~PixelBuffer() {
    if (copiedBy) WriteHeldRows(copiedBy);
    if (copyOf) copyOf->copiedBy = nullptr;
}

}  // namespace platform::d3d9
