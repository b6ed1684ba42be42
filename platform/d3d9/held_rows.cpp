// Rows of a surface held back by the rasteriser or by a moved whole-surface
// copy, written out before anything else reads or writes the bytes.
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

}  // namespace

void WriteHeldRows(const PixelBuffer* p) {
    if (!p) return;
    if (p->heldRows && p->heldRows->Any()) p->heldRows->WriteAll(RasterOf(*p));
    if (p->copyOf) {
        p->copyOf->copiedBy = nullptr;
        const_cast<PixelBuffer*>(p)->copyOf = nullptr;
    }
}

void SettleBeforeWrite(const PixelBuffer* p) {
    if (!p) return;
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

PixelBuffer::~PixelBuffer() {
    if (copiedBy) WriteHeldRows(copiedBy);
    if (copyOf) copyOf->copiedBy = nullptr;
}

}  // namespace platform::d3d9
