// Copies and fills of the software device: UpdateSurface, UpdateTexture
// (dirty regions only), GetRenderTargetData, StretchRect (none, point,
// linear), ColorFill and Clear, each with Direct3D 9's refusals.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats.h"
#include "objects.h"
#include "raster/raster.h"

namespace platform::d3d9 {

namespace {

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void CopyRows(const PixelBuffer& src, UINT sx, UINT sy, UINT sz, PixelBuffer& dst, UINT dx, UINT dy,
              UINT dz, UINT w, UINT h) {
    WriteHeldRows(&src);
    SettleBeforeWrite(&dst);
    AdviseRowsWrite(dst, dx, dy, dz, w, h);
    const UINT bpp = BytesPerPixel(src.format);
    for (UINT y = 0; y < h; ++y)
        std::memcpy(dst.Row(dy + y, dz) + size_t(dx) * bpp, src.Row(sy + y, sz) + size_t(sx) * bpp,
                    size_t(w) * bpp);
}

void Stretch(const PixelBuffer& src, const RECT& sr, PixelBuffer& dst, const RECT& dr,
             D3DTEXTUREFILTERTYPE filter) {
    WriteHeldRows(&src);
    SettleBeforeWrite(&dst);
    const LONG sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const LONG dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    const UINT dbpp = BytesPerPixel(dst.format);
    if (IsYuvFormat(src.format)) {
        // Converted point by point, whatever the filter.
        for (LONG y = 0; y < dh; ++y) {
            const UINT sy = UINT(sr.top + LONG((int64_t(2 * y + 1) * sh) / (2 * dh)));
            BYTE* out = dst.Row(UINT(dr.top + y)) + size_t(dr.left) * dbpp;
            for (LONG x = 0; x < dw; ++x, out += dbpp) {
                const UINT sx = UINT(sr.left + LONG((int64_t(2 * x + 1) * sw) / (2 * dw)));
                WriteArgb(dst.format, out, ReadYuvAsXrgb(src, sx, sy));
            }
        }
        return;
    }
    if (sw == dw && sh == dh && src.format == dst.format) {
        CopyRows(src, UINT(sr.left), UINT(sr.top), 0, dst, UINT(dr.left), UINT(dr.top), 0, UINT(sw),
                 UINT(sh));
        return;
    }
    if (filter == D3DTEXF_LINEAR && !(sw == dw && sh == dh)) {
        // Bilinear stretching samples exactly as textured triangles do.
        raster::RasterStretchLinear(RasterOf(src), sr, RasterOf(dst), dr);
        return;
    }
    // The source texel whose area holds each destination centre.
    std::vector<LONG> columns(static_cast<size_t>(dw));
    for (LONG x = 0; x < dw; ++x) columns[x] = sr.left + LONG((int64_t(2 * x + 1) * sw) / (2 * dw));
    const UINT sbpp = BytesPerPixel(src.format);
    const bool same = src.format == dst.format;
    for (LONG y = 0; y < dh; ++y) {
        const LONG sy = sr.top + LONG((int64_t(2 * y + 1) * sh) / (2 * dh));
        const BYTE* in = src.Row(UINT(sy));
        BYTE* out = dst.Row(UINT(dr.top + y)) + size_t(dr.left) * dbpp;
        if (same && dbpp == 4) {
            for (LONG x = 0; x < dw; ++x, out += 4)
                std::memcpy(out, in + size_t(columns[x]) * 4, 4);
        } else if (same) {
            for (LONG x = 0; x < dw; ++x, out += 2)
                std::memcpy(out, in + size_t(columns[x]) * 2, 2);
        } else {
            for (LONG x = 0; x < dw; ++x, out += dbpp)
                WriteArgb(dst.format, out, ReadArgb(src.format, in + size_t(columns[x]) * sbpp));
        }
    }
}

// The kept bits of each pixel with the set ones over them, row by row; with
// nothing kept, a plain fill.
template <class Word>
void ClearDepthWords(PixelBuffer& p, const RECT& r, Word keep, Word set) {
    for (LONG y = r.top; y < r.bottom; ++y) {
        auto* at = reinterpret_cast<Word*>(p.Row(UINT(y))) + r.left;
        const size_t n = size_t(r.right - r.left);
        if (keep == 0) {
            std::fill_n(at, n, set);
            continue;
        }
        for (size_t x = 0; x < n; ++x) at[x] = Word((at[x] & keep) | set);
    }
}

// A clear sets some bits of each depth pixel to one value and keeps the
// others (a stencil cleared alone): worked out once from a pixel of zeros and
// one of ones, then written over the rectangle without rounding per pixel.
void ClearDepthRect(PixelBuffer& p, const RECT& r, float z, bool depth, DWORD stencil,
                    bool writeStencil) {
    const UINT bpp = BytesPerPixel(p.format);
    if (bpp != 2 && bpp != 4) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                WriteDepth(p.format, p.Row(UINT(y)) + size_t(x) * bpp, z, depth, stencil,
                           writeStencil);
        return;
    }
    uint32_t zeros = 0, ones = bpp == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    WriteDepth(p.format, reinterpret_cast<BYTE*>(&zeros), z, depth, stencil, writeStencil);
    WriteDepth(p.format, reinterpret_cast<BYTE*>(&ones), z, depth, stencil, writeStencil);
    const uint32_t keep = zeros ^ ones, set = zeros;
    if (bpp == 2)
        ClearDepthWords<uint16_t>(p, r, uint16_t(keep), uint16_t(set));
    else
        ClearDepthWords<uint32_t>(p, r, keep, set);
}

void FillRect(PixelBuffer& p, const RECT& r, DWORD colour) {
    const UINT bpp = BytesPerPixel(p.format);
    BYTE pixel[4] = {};
    WriteArgb(p.format, pixel, colour);
    // Zero onto bytes that are all still zero since their allocation changes
    // nothing: left unwritten, their pages are never touched (a new target's
    // first fill).
    if (p.zeroSinceAllocation && std::all_of(pixel, pixel + bpp, [](BYTE b) { return b == 0; }))
        return;
    // Only the filled rows change: a holder of rows of p keeps the others.
    p.zeroSinceAllocation = false;
    SettleHolderRows(&p, int(r.top), int(r.bottom));
    WriteHeldRows(&p);
    AdviseRowsWrite(p, UINT(r.left), UINT(r.top), 0, UINT(r.right - r.left),
                    UINT(r.bottom - r.top));
    // The first row pixel by pixel, the others copied from it.
    BYTE* first = p.Row(UINT(r.top)) + size_t(r.left) * bpp;
    for (LONG x = r.left; x < r.right; ++x)
        std::memcpy(first + size_t(x - r.left) * bpp, pixel, bpp);
    const size_t bytes = size_t(r.right - r.left) * bpp;
    for (LONG y = r.top + 1; y < r.bottom; ++y)
        std::memcpy(p.Row(UINT(y)) + size_t(r.left) * bpp, first, bytes);
}

bool Intersect(RECT& a, const RECT& b) {
    a.left = std::max(a.left, b.left);
    a.top = std::max(a.top, b.top);
    a.right = std::min(a.right, b.right);
    a.bottom = std::min(a.bottom, b.bottom);
    return a.left < a.right && a.top < a.bottom;
}

}  // namespace

HRESULT DeviceImpl::UpdateSurface(IDirect3DSurface9* source, const RECT* srcRect,
                                  IDirect3DSurface9* destination, const POINT* destPoint) {
    CallGuard guard(*core_);
    const char* name = "UpdateSurface";
    SurfaceImpl* s = AsSurface(source);
    SurfaceImpl* d = AsSurface(destination);
    if (!s || !d || s->core_ != core_ || d->core_ != core_)
        return Traced(name, D3DERR_INVALIDCALL, "surfaces");
    if (s->pool_ != D3DPOOL_SYSTEMMEM || d->pool_ != D3DPOOL_DEFAULT)
        return Traced(name, D3DERR_INVALIDCALL, "pools %u -> %u", unsigned(s->pool_),
                      unsigned(d->pool_));
    if (s->pixels_.format != d->pixels_.format)
        return Traced(name, D3DERR_INVALIDCALL, "formats %s -> %s", FormatName(s->pixels_.format),
                      FormatName(d->pixels_.format));
    if (d->IsDepthStencil() || s->IsDepthStencil())
        return Traced(name, D3DERR_INVALIDCALL, "depth surface");
    if (s->locked_ || d->locked_)
        return Traced(name, D3DERR_INVALIDCALL, "%s locked", s->locked_ ? "source" : "destination");
    RECT r;
    if (!RectInside(srcRect, s->pixels_.width, s->pixels_.height, &r))
        return Traced(name, D3DERR_INVALIDCALL, "source rect outside");
    const int64_t dx = destPoint ? destPoint->x : 0, dy = destPoint ? destPoint->y : 0;
    const int64_t w = r.right - r.left, h = r.bottom - r.top;
    if (dx < 0 || dy < 0 || dx + w > int64_t(d->pixels_.width) ||
        dy + h > int64_t(d->pixels_.height))
        return Traced(name, D3DERR_INVALIDCALL, "destination outside");
    CopyRows(s->pixels_, UINT(r.left), UINT(r.top), 0, d->pixels_, UINT(dx), UINT(dy), 0, UINT(w),
             UINT(h));
    return Traced(name, D3D_OK, "%ldx%ld to %ld,%ld", long(w), long(h), long(dx), long(dy));
}

HRESULT DeviceImpl::UpdateTexture(IDirect3DBaseTexture9* source,
                                  IDirect3DBaseTexture9* destination) {
    CallGuard guard(*core_);
    const char* name = "UpdateTexture";
    BaseTextureImpl* s = AsBaseTexture(source);
    BaseTextureImpl* d = AsBaseTexture(destination);
    if (!s || !d || s->core_ != core_ || d->core_ != core_)
        return Traced(name, D3DERR_INVALIDCALL, "textures");
    if (s->pool_ != D3DPOOL_SYSTEMMEM || d->pool_ != D3DPOOL_DEFAULT)
        return Traced(name, D3DERR_INVALIDCALL, "pools %u -> %u", unsigned(s->pool_),
                      unsigned(d->pool_));
    if (s->IsVolume() != d->IsVolume() || s->Format() != d->Format())
        return Traced(name, D3DERR_INVALIDCALL, "kinds or formats differ");
    // Levels match from the smallest up: a source with more levels skips its
    // largest ones, and the first level kept must be the destination's size.
    if (s->Levels() < d->Levels())
        return Traced(name, D3DERR_INVALIDCALL, "source has fewer levels");
    const UINT skip = s->Levels() - d->Levels();
    const PixelBuffer* s0 = s->LevelPixels(skip);
    const PixelBuffer* d0 = d->LevelPixels(0);
    if (s0->width != d0->width || s0->height != d0->height || s0->depth != d0->depth)
        return Traced(name, D3DERR_INVALIDCALL, "source level %u is %ux%u, destination %ux%u", skip,
                      s0->width, s0->height, d0->width, d0->height);
    size_t copied = 0;
    for (const D3DBOX& box : s->dirty_) {
        for (UINT level = 0; level < d->Levels(); ++level) {
            const PixelBuffer* sp = s->LevelPixels(skip + level);
            PixelBuffer* dp = d->LevelPixels(level);
            if (dp->knownDepth) dp->knownDepth->ForgetAll();
            // The dirty box (source level-0 texels) in this level's texels, rounded outwards.
            const UINT shift = skip + level, round = (1u << shift) - 1;
            const UINT l = box.Left >> shift, t = box.Top >> shift, f = box.Front >> shift;
            const UINT r = std::min(dp->width, (box.Right + round) >> shift);
            const UINT b = std::min(dp->height, (box.Bottom + round) >> shift);
            const UINT k = std::min(dp->depth, (box.Back + round) >> shift);
            if (l < r && t < b && f < k) AdviseRowsWrite(*dp, l, t, f, r - l, b - t, k - f);
            for (UINT z = f; z < k; ++z)
                if (l < r && t < b) CopyRows(*sp, l, t, z, *dp, l, t, z, r - l, b - t);
        }
        ++copied;
    }
    s->dirty_.clear();
    return Traced(name, D3D_OK, "%zu dirty regions", copied);
}

HRESULT DeviceImpl::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* destination) {
    CallGuard guard(*core_);
    const char* name = "GetRenderTargetData";
    SurfaceImpl* s = AsSurface(target);
    SurfaceImpl* d = AsSurface(destination);
    if (!s || !d || s->core_ != core_ || d->core_ != core_)
        return Traced(name, D3DERR_INVALIDCALL, "surfaces");
    if (!s->IsRenderTarget() || s->pool_ != D3DPOOL_DEFAULT || d->pool_ != D3DPOOL_SYSTEMMEM)
        return Traced(name, D3DERR_INVALIDCALL, "not a render target to system memory");
    if (s->pixels_.format != d->pixels_.format || s->pixels_.width != d->pixels_.width ||
        s->pixels_.height != d->pixels_.height)
        return Traced(name, D3DERR_INVALIDCALL, "%ux%u %s -> %ux%u %s", s->pixels_.width,
                      s->pixels_.height, FormatName(s->pixels_.format), d->pixels_.width,
                      d->pixels_.height, FormatName(d->pixels_.format));
    CopyRows(s->pixels_, 0, 0, 0, d->pixels_, 0, 0, 0, s->pixels_.width, s->pixels_.height);
    return Traced(name, D3D_OK, "%ux%u", s->pixels_.width, s->pixels_.height);
}

HRESULT DeviceImpl::GetFrontBufferData(UINT, IDirect3DSurface9*) {
    return Unsupported("GetFrontBufferData");
}

HRESULT DeviceImpl::StretchRect(IDirect3DSurface9* source, const RECT* srcRect,
                                IDirect3DSurface9* destination, const RECT* dstRect,
                                D3DTEXTUREFILTERTYPE filter) {
    CallGuard guard(*core_);
    const char* name = "StretchRect";
    SurfaceImpl* s = AsSurface(source);
    SurfaceImpl* d = AsSurface(destination);
    if (!s || !d || s->core_ != core_ || d->core_ != core_)
        return Traced(name, D3DERR_INVALIDCALL, "surfaces");
    if (s->pool_ != D3DPOOL_DEFAULT || d->pool_ != D3DPOOL_DEFAULT)
        return Traced(name, D3DERR_INVALIDCALL, "pools %u -> %u", unsigned(s->pool_),
                      unsigned(d->pool_));
    if (s->IsDepthStencil() || d->IsDepthStencil())
        return Traced(name, D3DERR_INVALIDCALL, "depth surface");
    // Only render targets (surfaces or texture levels) take a StretchRect, and
    // plain surfaces a YUV picture converted into their colour.
    const bool yuv = IsYuvFormat(s->pixels_.format);
    if (IsYuvFormat(d->pixels_.format) ||
        (yuv && d->pixels_.format != D3DFMT_X8R8G8B8 && d->pixels_.format != D3DFMT_A8R8G8B8))
        return Traced(name, D3DERR_INVALIDCALL, "YUV %s -> %s", FormatName(s->pixels_.format),
                      FormatName(d->pixels_.format));
    if (!d->IsRenderTarget() && !(yuv && d->role_ == SurfaceRole::Plain))
        return Traced(name, D3DERR_INVALIDCALL, "destination is a plain %s",
                      d->role_ == SurfaceRole::Plain ? "off-screen surface" : "texture");
    if (filter != D3DTEXF_NONE && filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR)
        return Traced(name, D3DERR_INVALIDCALL, "filter %u", unsigned(filter));
    RECT sr, dr;
    if (!RectInside(srcRect, s->pixels_.width, s->pixels_.height, &sr) ||
        !RectInside(dstRect, d->pixels_.width, d->pixels_.height, &dr))
        return Traced(name, D3DERR_INVALIDCALL, "rectangle outside");
    if (s == d && Overlap(sr, dr))
        return Traced(name, D3DERR_INVALIDCALL, "overlapping rectangles");
    if (s == d &&
        (sr.right - sr.left != dr.right - dr.left || sr.bottom - sr.top != dr.bottom - dr.top))
        return Traced(name, D3DERR_INVALIDCALL, "stretch within one surface");
    // A whole surface onto another of its size moves the bytes: the source
    // gets them back (copied) only if something reads it before it is drawn
    // over (the sub back buffer shown each frame, then drawn anew).
    const bool whole = sr.left == 0 && sr.top == 0 && dr.left == 0 && dr.top == 0 &&
                       sr.right == LONG(s->pixels_.width) && sr.bottom == LONG(s->pixels_.height) &&
                       dr.right == sr.right && dr.bottom == sr.bottom;
    if (!(whole && !s->locked_ && !d->locked_ && MoveWholeCopy(s->pixels_, d->pixels_)))
        Stretch(s->pixels_, sr, d->pixels_, dr, filter);
    return Traced(name, D3D_OK, "%ldx%ld %s -> %ldx%ld %s filter %u", long(sr.right - sr.left),
                  long(sr.bottom - sr.top), FormatName(s->pixels_.format), long(dr.right - dr.left),
                  long(dr.bottom - dr.top), FormatName(d->pixels_.format), unsigned(filter));
}

HRESULT DeviceImpl::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR colour) {
    CallGuard guard(*core_);
    const char* name = "ColorFill";
    SurfaceImpl* s = AsSurface(surface);
    if (!s || s->core_ != core_) return Traced(name, D3DERR_INVALIDCALL, "surface");
    if (s->pool_ != D3DPOOL_DEFAULT || s->IsDepthStencil() ||
        (!s->IsRenderTarget() && s->role_ != SurfaceRole::Plain) || IsYuvFormat(s->pixels_.format))
        return Traced(name, D3DERR_INVALIDCALL, "not a render target or plain DEFAULT surface");
    RECT r;
    if (!RectInside(rect, s->pixels_.width, s->pixels_.height, &r))
        return Traced(name, D3DERR_INVALIDCALL, "rectangle outside");
    FillRect(s->pixels_, r, colour);
    return Traced(name, D3D_OK, "%ld,%ld,%ld,%ld 0x%08X", long(r.left), long(r.top), long(r.right),
                  long(r.bottom), unsigned(colour));
}

HRESULT DeviceImpl::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                          DWORD stencil) {
    CallGuard guard(*core_);
    const char* name = "Clear";
    const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (!(flags & all) || (flags & ~all))
        return Traced(name, D3DERR_INVALIDCALL, "flags 0x%X", unsigned(flags));
    if ((count > 0) != (rects != nullptr))
        return Traced(name, D3DERR_INVALIDCALL, "count %u", unsigned(count));
    SurfaceImpl* depth = state_.depthStencil;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depth)
        return Traced(name, D3DERR_INVALIDCALL, "no depth surface");
    if ((flags & D3DCLEAR_STENCIL) && !HasStencil(depth->pixels_.format))
        return Traced(name, D3DERR_INVALIDCALL, "no stencil in %s",
                      FormatName(depth->pixels_.format));
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.f && z <= 1.f))
        return Traced(name, D3DERR_INVALIDCALL, "z out of range");
    SurfaceImpl* target = state_.renderTargets[0];
    RECT area{LONG(state_.viewport.X), LONG(state_.viewport.Y),
              LONG(state_.viewport.X + state_.viewport.Width),
              LONG(state_.viewport.Y + state_.viewport.Height)};
    if (state_.renderStates[kRsScissorTestEnable] && !Intersect(area, state_.scissor))
        return Traced(name, D3D_OK, "empty scissor");
    auto clearOne = [&](RECT r) {
        if (!Intersect(r, area)) return;
        if ((flags & D3DCLEAR_TARGET) && target) {
            RECT t = r;
            if (Intersect(t, RECT{0, 0, LONG(target->pixels_.width), LONG(target->pixels_.height)}))
                FillRect(target->pixels_, t, colour);
        }
        if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) {
            RECT t = r;
            PixelBuffer& p = depth->pixels_;
            if (!Intersect(t, RECT{0, 0, LONG(p.width), LONG(p.height)})) return;
            p.zeroSinceAllocation = false;
            if (p.knownDepth && (flags & D3DCLEAR_ZBUFFER))
                for (LONG y = t.top; y < t.bottom; ++y)
                    p.knownDepth->Forget(int(y), t.left, t.right);
            ClearDepthRect(p, t, z, (flags & D3DCLEAR_ZBUFFER) != 0, stencil,
                           (flags & D3DCLEAR_STENCIL) != 0);
        }
    };
    if (count == 0) {
        clearOne(area);
    } else {
        for (DWORD i = 0; i < count; ++i)
            clearOne(RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2});
    }
    return Traced(name, D3D_OK, "%u rects flags 0x%X colour 0x%08X z %g", unsigned(count),
                  unsigned(flags), unsigned(colour), double(z));
}

}  // namespace platform::d3d9
