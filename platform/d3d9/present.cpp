// The implicit swap chain and presenting: back buffer 0, with source and
// destination rectangles and an override window, goes to the window picture
// (kept here as the capture tests read) on the vertical blank when the
// interval asks for it.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "formats.h"
#include "knobs.h"
#include "objects.h"
#include "test_knobs.h"
#include "../win32/window_picture.h"
#include "vertical_blank.h"

namespace platform::d3d9 {

namespace {
// A colour no program draws on purpose: what DISCARD leaves in the back buffer.
constexpr DWORD kDiscardMarker = 0xFFFF00FF;

// Hands the source rectangle of the back buffer to the window picture,
// which scales it into the destination rectangle of the client area.
bool ShowInWindow(const PixelBuffer& back, const RECT& src, const RECT* dst, HWND window) {
    if (back.format == D3DFMT_X8R8G8B8 || back.format == D3DFMT_A8R8G8B8)
        return WindowPictureWrite(window, back.bytes.get(), int(back.width), int(back.height),
                                  int(back.pitch), &src, dst);
    const LONG w = src.right - src.left, h = src.bottom - src.top;
    std::vector<DWORD> frame(size_t(w) * h);
    const UINT bpp = BytesPerPixel(back.format);
    for (LONG y = 0; y < h; ++y) {
        const BYTE* row = back.Row(UINT(src.top + y)) + size_t(src.left) * bpp;
        for (LONG x = 0; x < w; ++x)
            frame[size_t(y) * w + x] = ReadArgb(back.format, row + size_t(x) * bpp) & 0x00FFFFFFu;
    }
    return WindowPictureWrite(window, frame.data(), int(w), int(h), int(w * 4), nullptr, dst);
}
// Fills every pixel of a buffer (not the row padding) with the discard
// marker: one pixel converted, then copied along the first row and the first
// row copied down, so a frame costs a few copies, not a conversion per pixel.
void FillWithMarker(PixelBuffer& p) {
    const UINT bpp = BytesPerPixel(p.format);
    if (p.width == 0 || p.height == 0 || bpp == 0) return;
    BYTE* first = p.Row(0);
    WriteArgb(p.format, first, kDiscardMarker);
    const size_t rowBytes = size_t(p.width) * bpp;
    for (size_t done = bpp; done < rowBytes;) {
        const size_t n = std::min(done, rowBytes - done);
        std::memcpy(first + done, first, n);
        done += n;
    }
#if defined(__SSE2__)
    // The other rows by streaming stores: nobody reads the marker soon, and
    // a back buffer's worth of it would only push useful data out of the
    // cache. Pixel sizes divide 16 and rows start on pixel boundaries, so one
    // 16-byte pattern fits every aligned address.
    if (rowBytes >= 16 && 16 % bpp == 0) {
        __m128i pattern;
        std::memcpy(&pattern, first, 16);
        for (UINT y = 1; y < p.height; ++y) {
            BYTE* row = p.Row(y);
            const size_t head = std::min(rowBytes, size_t(-reinterpret_cast<uintptr_t>(row) & 15));
            if (head % bpp != 0) {
                std::memcpy(row, first, rowBytes);
                continue;
            }
            std::memcpy(row, first, head);
            size_t i = head;
            for (; i + 16 <= rowBytes; i += 16)
                _mm_stream_si128(reinterpret_cast<__m128i*>(row + i), pattern);
            std::memcpy(row + i, first + i, rowBytes - i);
        }
        _mm_sfence();
        return;
    }
#endif
    for (UINT y = 1; y < p.height; ++y) std::memcpy(p.Row(y), first, rowBytes);
}
// What DISCARD leaves in a back buffer. A 32-bit one holds it as a one-colour
// fill of each row, written only if something reads the rows before the next
// frame's picture covers them; others take it written.
void LeaveMarker(PixelBuffer& p) {
    if ((p.format != D3DFMT_A8R8G8B8 && p.format != D3DFMT_X8R8G8B8) || p.width == 0 ||
        p.height == 0) {
        FillWithMarker(p);
        return;
    }
    if (!p.heldRows) p.heldRows = std::make_unique<raster::HeldRows>(int(p.height));
    const raster::RasterSurface s = RasterOf(p);
    for (UINT y = 0; y < p.height; ++y)
        p.heldRows->Hold(s, int(y), kDiscardMarker, 0, int(p.width));
}
// DISCARD: the marker replaces every pixel. A 32-bit buffer holds it and its
// bytes stay as they are until a row is read or drawn on, so whoever holds
// rows of them as a copy keeps holding (it gets them before they change),
// and unset top bytes need no setting. Others take it written.
void Discard(PixelBuffer& p) {
    if ((p.format != D3DFMT_A8R8G8B8 && p.format != D3DFMT_X8R8G8B8) || p.width == 0 ||
        p.height == 0) {
        SettleBeforeWrite(&p);
        FillWithMarker(p);
        return;
    }
    p.zeroSinceAllocation = false;
    WriteHeldRows(&p, true);
    p.topBytesUnset = false;
    LeaveMarker(p);
}
// Presenting on a lost device shows nothing. An Ex device is never lost to
// Present: it reports an occluded window, and the loss itself through
// TestCooperativeLevel and CheckDeviceState.
HRESULT LostPresent(const DeviceImpl& device, const char* name) {
    return Traced(name, device.isEx_ ? S_PRESENT_OCCLUDED : D3DERR_DEVICELOST, "device lost");
}
}  // namespace

SwapChainImpl::SwapChainImpl(std::shared_ptr<DeviceCore> core, const D3DPRESENT_PARAMETERS& pp)
    : Object(core, LiveKind::SwapChain, D3DPOOL_DEFAULT, true), params_(pp) {
    refs_ = 0;
    const bool lockable = (pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    for (UINT i = 0; i < pp.BackBufferCount; ++i) {
        auto* b = new SurfaceImpl(core, SurfaceRole::BackBuffer, pp.BackBufferWidth,
                                  pp.BackBufferHeight, pp.BackBufferFormat, D3DUSAGE_RENDERTARGET,
                                  D3DPOOL_DEFAULT, lockable, true);
        b->owner_ = this;
        b->swapChain_ = this;
        backBuffers_.push_back(b);
    }
}

SwapChainImpl::~SwapChainImpl() {
    for (SurfaceImpl* b : backBuffers_) delete b;
}

HRESULT SwapChainImpl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DSwapChain9) {
        AddRef();
        *ppv = static_cast<IDirect3DSwapChain9*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT SwapChainImpl::PresentNow(const RECT* srcRect, const RECT* dstRect, HWND override, DWORD) {
    const char* name = "Present";
    if ((srcRect || dstRect) && params_.SwapEffect != D3DSWAPEFFECT_COPY)
        return Traced(name, D3DERR_INVALIDCALL, "rectangles need SWAPEFFECT_COPY");
    if (core_->device && core_->device->state_.inScene)
        return Traced(name, D3DERR_INVALIDCALL, "inside a scene");
    SurfaceImpl* back = backBuffers_[0];
    const LONG bw = LONG(back->pixels_.width), bh = LONG(back->pixels_.height);
    const RECT asked = srcRect ? *srcRect : RECT{0, 0, bw, bh};
    if (asked.left >= asked.right || asked.top >= asked.bottom)
        return Traced(name, D3DERR_INVALIDCALL, "empty source rectangle");
    RECT dst = dstRect ? *dstRect : RECT{0, 0, bw, bh};
    if (dst.left >= dst.right || dst.top >= dst.bottom || dst.right <= 0 || dst.bottom <= 0 ||
        dst.right > 16384 || dst.bottom > 16384)
        return Traced(name, D3DERR_INVALIDCALL, "destination rectangle");
    HWND window = override ? override : params_.hDeviceWindow;
    if (!window && core_->device) window = core_->device->focus_;
    // A source rectangle reaching past the back buffer is clipped to it, and
    // the destination (the whole client area when none is given) loses the
    // same share of each side.
    const RECT src{std::max<LONG>(asked.left, 0), std::max<LONG>(asked.top, 0),
                   std::min(asked.right, bw), std::min(asked.bottom, bh)};
    const bool clipped = src.left != asked.left || src.top != asked.top ||
                         src.right != asked.right || src.bottom != asked.bottom;
    if (clipped && !dstRect) {
        int cw = 0, ch = 0;
        if (WindowPictureSize(window, &cw, &ch)) dst = RECT{0, 0, LONG(cw), LONG(ch)};
    }
    const auto map = [](LONG v, LONG from, LONG fromEnd, LONG to, LONG toEnd) {
        return LONG(to + int64_t(v - from) * (toEnd - to) / (fromEnd - from));
    };
    const RECT clippedDst{map(src.left, asked.left, asked.right, dst.left, dst.right),
                          map(src.top, asked.top, asked.bottom, dst.top, dst.bottom),
                          map(src.right, asked.left, asked.right, dst.left, dst.right),
                          map(src.bottom, asked.top, asked.bottom, dst.top, dst.bottom)};
    const bool visible = src.left < src.right && src.top < src.bottom &&
                         clippedDst.left < clippedDst.right && clippedDst.top < clippedDst.bottom;
    if (params_.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE) WaitForNextVerticalBlank();
    // The window takes no top bytes: those a moved copy left unset stay so.
    for (SurfaceImpl* b : backBuffers_) WriteHeldRows(&b->pixels_, true);
    if (visible && !ShowInWindow(back->pixels_, src, clipped ? &clippedDst : dstRect, window))
        return Traced(name, D3DERR_INVALIDCALL, "window %p refused the picture",
                      static_cast<void*>(window));
    if (params_.SwapEffect == D3DSWAPEFFECT_FLIP)
        for (SurfaceImpl* b : backBuffers_) SettleBeforeWrite(&b->pixels_);
    if (params_.SwapEffect == D3DSWAPEFFECT_DISCARD) {
        for (SurfaceImpl* b : backBuffers_) Discard(b->pixels_);
    } else if (params_.SwapEffect == D3DSWAPEFFECT_FLIP && backBuffers_.size() > 1) {
        // The shown buffer goes to the back of the queue.
        for (size_t i = 0; i + 1 < backBuffers_.size(); ++i) {
            std::swap(backBuffers_[i]->pixels_.bytes, backBuffers_[i + 1]->pixels_.bytes);
            std::swap(backBuffers_[i]->pixels_.zeroSinceAllocation,
                      backBuffers_[i + 1]->pixels_.zeroSinceAllocation);
        }
    }
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        Knobs& k = D3D9Knobs();
        ++k.presentCount;
        if (k.loseAtPresent > 0 && k.presentCount == k.loseAtPresent) {
            ++k.lossGeneration;  // whole-program runs: lost now, back at the next check
        }
    }
    return Traced(name, D3D_OK, "%ldx%ld to window %p", long(src.right - src.left),
                  long(src.bottom - src.top), static_cast<void*>(window));
}

HRESULT SwapChainImpl::Present(const RECT* src, const RECT* dst, HWND override, const RGNDATA*,
                               DWORD flags) {
    CallGuard guard(*core_);
    if (!core_->device) return Traced("SwapChain::Present", D3DERR_INVALIDCALL, "device destroyed");
    if (core_->device->LossState() != D3D_OK)
        return LostPresent(*core_->device, "SwapChain::Present");
    return PresentNow(src, dst, override, flags);
}

HRESULT SwapChainImpl::GetFrontBufferData(IDirect3DSurface9*) {
    return Unsupported("SwapChain::GetFrontBufferData");
}

HRESULT SwapChainImpl::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetBackBuffer", D3DERR_INVALIDCALL);
    *pp = nullptr;
    if (index >= backBuffers_.size() || type != D3DBACKBUFFER_TYPE_MONO)
        return Traced("GetBackBuffer", D3DERR_INVALIDCALL, "index %u type %u", index,
                      unsigned(type));
    backBuffers_[index]->AddRef();
    *pp = backBuffers_[index];
    return Traced("GetBackBuffer", D3D_OK, "%u", index);
}

HRESULT SwapChainImpl::GetRasterStatus(D3DRASTER_STATUS* status) {
    if (!status) return Traced("GetRasterStatus", D3DERR_INVALIDCALL);
    bool blank = false;
    status->ScanLine = CurrentScanLine(&blank);
    status->InVBlank = blank;
    return D3D_OK;
}

HRESULT SwapChainImpl::GetDisplayMode(D3DDISPLAYMODE* mode) {
    CallGuard guard(*core_);
    if (!mode || !core_->device) return Traced("SwapChain::GetDisplayMode", D3DERR_INVALIDCALL);
    *mode = core_->device->mode_;
    return D3D_OK;
}

HRESULT SwapChainImpl::GetDevice(IDirect3DDevice9** pp) {
    return GetDeviceFor(pp);
}

HRESULT SwapChainImpl::GetPresentParameters(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return Traced("GetPresentParameters", D3DERR_INVALIDCALL);
    *pp = params_;
    return D3D_OK;
}

std::string SwapChainImpl::Describe() const {
    return "swap chain";
}

// --- the device's presenting methods --------------------------------------------------
HRESULT DeviceImpl::GetSwapChain(UINT index, IDirect3DSwapChain9** pp) {
    CallGuard guard(*core_);
    if (!pp) return Traced("GetSwapChain", D3DERR_INVALIDCALL);
    *pp = nullptr;
    if (index != 0) return Traced("GetSwapChain", D3DERR_INVALIDCALL, "index %u", index);
    swapChain_->AddRef();
    *pp = swapChain_;
    return Traced("GetSwapChain", D3D_OK);
}

UINT DeviceImpl::GetNumberOfSwapChains() {
    return 1;
}

HRESULT DeviceImpl::Present(const RECT* src, const RECT* dst, HWND override, const RGNDATA* dirty) {
    CallGuard guard(*core_);
    if (LossState() != D3D_OK) return LostPresent(*this, "Present");
    return swapChain_->PresentNow(src, dst, override, 0);
}

HRESULT DeviceImpl::PresentEx(const RECT* src, const RECT* dst, HWND override, const RGNDATA*,
                              DWORD flags) {
    CallGuard guard(*core_);
    if (LossState() != D3D_OK) return LostPresent(*this, "PresentEx");
    return swapChain_->PresentNow(src, dst, override, flags);
}

HRESULT DeviceImpl::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                  IDirect3DSurface9** pp) {
    CallGuard guard(*core_);
    if (swapChain != 0) {
        if (pp) *pp = nullptr;
        return Traced("GetBackBuffer", D3DERR_INVALIDCALL, "swap chain %u", swapChain);
    }
    return swapChain_->GetBackBuffer(index, type, pp);
}

HRESULT DeviceImpl::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
    if (swapChain != 0) return Traced("GetRasterStatus", D3DERR_INVALIDCALL);
    return swapChain_->GetRasterStatus(status);
}

HRESULT DeviceImpl::WaitForVBlank(UINT swapChain) {
    if (swapChain != 0) return Traced("WaitForVBlank", D3DERR_INVALIDCALL);
    WaitForNextVerticalBlank();
    return D3D_OK;
}

}  // namespace platform::d3d9

long KnobD3D9PresentCount() {
    std::lock_guard<std::mutex> lock(platform::d3d9::D3D9KnobMutex());
    return platform::d3d9::D3D9Knobs().presentCount;
}
