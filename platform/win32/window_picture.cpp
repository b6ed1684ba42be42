// The window picture: each window keeps its client area as X8R8G8B8 words;
// writes land there under the window table's lock and are pushed to the SDL
// window surface on the video thread. A full-screen window shows its picture
// scaled onto the desktop with the aspect ratio kept (black bars).
#include "window_picture.h"

#include <SDL.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <vector>

#include "test_knobs.h"
#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

// Where the picture lands inside an SDL surface of the given size.
SDL_Rect FittedRect(int pictureWidth, int pictureHeight, int surfaceWidth, int surfaceHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return SDL_Rect{0, 0, 0, 0};
    if (surfaceWidth == pictureWidth && surfaceHeight == pictureHeight) {
        return SDL_Rect{0, 0, pictureWidth, pictureHeight};
    }
    // Largest size with the picture's aspect ratio that fits.
    int64_t w = surfaceWidth;
    int64_t h = w * pictureHeight / pictureWidth;
    if (h > surfaceHeight) {
        h = surfaceHeight;
        w = h * pictureWidth / pictureHeight;
    }
    return SDL_Rect{static_cast<int>((surfaceWidth - w) / 2),
                    static_cast<int>((surfaceHeight - h) / 2), static_cast<int>(w),
                    static_cast<int>(h)};
}

// Copies n words with their top bytes cleared. Rows go out with streaming
// stores where aligned: a frame's worth of words is read next by the screen,
// not by this thread, and would only push the caller's data out of the cache.
// Source words need not be 4-byte aligned. With AVX2, eight words a store;
// the plain loop gives the same words.
#if defined(__x86_64__)
[[gnu::target("avx2")]] size_t CopyWordsMaskedAvx2(uint32_t* to, const uint8_t* from, size_t n) {
    const __m256i mask = _mm256_set1_epi32(0x00FFFFFF);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i * 4));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i * 4 + 32));
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i), _mm256_and_si256(a, mask));
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i + 8), _mm256_and_si256(b, mask));
    }
    for (; i + 8 <= n; i += 8)
        _mm256_stream_si256(
            reinterpret_cast<__m256i*>(to + i),
            _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i * 4)),
                             mask));
    return i;
}
#endif

void CopyWordsMasked(uint32_t* to, const uint8_t* from, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i < n && (reinterpret_cast<uintptr_t>(to + i) & 31) != 0; ++i) {
        uint32_t p;
        std::memcpy(&p, from + i * 4, 4);
        to[i] = p & 0x00FFFFFFu;
    }
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && (reinterpret_cast<uintptr_t>(to + i) & 31) == 0)
        i += CopyWordsMaskedAvx2(to + i, from + i * 4, n - i);
#endif
    if ((reinterpret_cast<uintptr_t>(to + i) & 15) == 0) {
        const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
        for (; i + 4 <= n; i += 4)
            _mm_stream_si128(
                reinterpret_cast<__m128i*>(to + i),
                _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i * 4)),
                              mask));
    }
#endif
    for (; i < n; ++i) {
        uint32_t p;
        std::memcpy(&p, from + i * 4, 4);
        to[i] = p & 0x00FFFFFFu;
    }
}

void MarkPresented(const std::shared_ptr<Window>& window) {
    ++window->presents;
    window->pictureDirty = true;
}

void AfterPresent(const std::shared_ptr<Window>& window) {
    if (OnVideoThread()) {
        FlushPicture(window);
    } else {
        WakeQueue(window->queue);
    }
}

}  // namespace

void MaterialisePicture(Window& window) {
    if (!window.pictureInSurface) return;
    window.pictureInSurface = false;
    // The surface holds the words already without their top bytes.
    for (int y = 0; y < window.pictureHeight; ++y)
        std::memcpy(&window.picture[static_cast<size_t>(y) * window.pictureWidth],
                    window.surfacePixels + static_cast<size_t>(y) * window.surfacePitch,
                    static_cast<size_t>(window.pictureWidth) * 4);
    window.surfacePixels = nullptr;
    window.surfacePitch = 0;
}

void ResizePicture(Window& window, int width, int height) {
    MaterialisePicture(window);
    std::vector<uint32_t> next(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    int w = std::min(width, window.pictureWidth);
    int h = std::min(height, window.pictureHeight);
    for (int y = 0; y < h; ++y) {
        std::memcpy(&next[static_cast<size_t>(y) * width],
                    &window.picture[static_cast<size_t>(y) * window.pictureWidth],
                    static_cast<size_t>(w) * 4);
    }
    window.picture.swap(next);
    window.pictureWidth = width;
    window.pictureHeight = height;
    window.pictureDirty = true;
}

POINT SdlToClient(const Window& window, int x, int y) {
    if (!window.fullscreen || !window.sdl) return POINT{x, y};
    int sw = 0, sh = 0;
    SDL_GetWindowSize(window.sdl, &sw, &sh);
    SDL_Rect r = FittedRect(window.pictureWidth, window.pictureHeight, sw, sh);
    if (r.w <= 0 || r.h <= 0) return POINT{0, 0};
    LONG cx = static_cast<LONG>(static_cast<int64_t>(x - r.x) * window.pictureWidth / r.w);
    LONG cy = static_cast<LONG>(static_cast<int64_t>(y - r.y) * window.pictureHeight / r.h);
    return POINT{std::clamp<LONG>(cx, 0, std::max(0, window.pictureWidth - 1)),
                 std::clamp<LONG>(cy, 0, std::max(0, window.pictureHeight - 1))};
}

void FlushPicture(const std::shared_ptr<Window>& window) {
    if (!OnVideoThread() || !window->sdl) return;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    // Asking SDL for the surface may free the one the picture lives in.
    MaterialisePicture(*window);
    SDL_Surface* target = SDL_GetWindowSurface(window->sdl);
    if (!target) return;
    window->pictureDirty = false;
    const int pw = window->pictureWidth, ph = window->pictureHeight;
    SDL_Rect where =
        window->fullscreen ? FittedRect(pw, ph, target->w, target->h) : SDL_Rect{0, 0, pw, ph};
    SDL_Surface* source =
        pw > 0 && ph > 0 ? SDL_CreateRGBSurfaceWithFormatFrom(window->picture.data(), pw, ph, 32,
                                                              pw * 4, SDL_PIXELFORMAT_RGB888)
                         : nullptr;
    // Black only where the picture does not reach (bars, a surface larger
    // than the client area): a picture covering the surface overwrites it all.
    if (!source || where.x > 0 || where.y > 0 || where.x + where.w < target->w ||
        where.y + where.h < target->h)
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    if (source) {
        if (where.w == pw && where.h == ph) {
            SDL_BlitSurface(source, nullptr, target, &where);
        } else {
            SDL_BlitScaled(source, nullptr, target, &where);
        }
        SDL_FreeSurface(source);
    }
    SDL_UpdateWindowSurface(window->sdl);
}

}  // namespace platform::user

using namespace platform::user;

namespace platform {

bool WindowPictureWrite(HWND handle, const void* pixels, int width, int height, int pitch,
                        const RECT* source, const RECT* dest) {
    auto window = GetWindow(handle);
    if (!window) return false;
    if (!pixels || width < 1 || height < 1 || pitch < width * 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    RECT src = source ? *source : RECT{0, 0, width, height};
    if (src.left < 0 || src.top < 0 || src.right > width || src.bottom > height ||
        src.left >= src.right || src.top >= src.bottom) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const bool videoThread = OnVideoThread() && window->sdl;
    bool shown = false;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        RECT dst = dest ? *dest : RECT{0, 0, window->pictureWidth, window->pictureHeight};
        const int64_t sw = src.right - src.left, sh = src.bottom - src.top;
        const int64_t dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        const int y0 = std::max<LONG>(dst.top, 0);
        const int y1 = std::min<LONG>(dst.bottom, window->pictureHeight);
        const int x0 = std::max<LONG>(dst.left, 0);
        const int x1 = std::min<LONG>(dst.right, window->pictureWidth);
        // A write that covers every word needs none of the old ones; any
        // other needs them back from the surface before SDL may replace it.
        const bool whole = dw > 0 && dh > 0 && x0 == 0 && y0 == 0 && x0 < x1 && y0 < y1 &&
                           x1 == window->pictureWidth && y1 == window->pictureHeight;
        if (!whole) MaterialisePicture(*window);
        // On the video thread a whole write goes only to SDL's window surface
        // when that surface is the picture's twin (same size and format,
        // shown 1:1): the picture then lives there until something needs it
        // apart (a part write, an edit, a capture, a resize, another thread).
        SDL_Surface* surface = videoThread ? SDL_GetWindowSurface(window->sdl) : nullptr;
        if (dw > 0 && dh > 0) {
            const auto* bytes = static_cast<const uint8_t*>(pixels);
            // The source column of each destination column, worked out once
            // for all rows (same widths: an offset, and rows copy straight).
            const bool sameWidth = sw == dw;
            uint8_t* twin = nullptr;
            if (whole && surface && !window->fullscreen && surface->w == window->pictureWidth &&
                surface->h == window->pictureHeight &&
                surface->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(surface))
                twin = static_cast<uint8_t*>(surface->pixels);
            std::vector<int64_t> columns;
            if (!sameWidth && x0 < x1) {
                columns.resize(static_cast<size_t>(x1 - x0));
                for (int x = x0; x < x1; ++x)
                    columns[static_cast<size_t>(x - x0)] = src.left + (x - dst.left) * sw / dw;
            }
            for (int y = y0; y < y1; ++y) {
                int64_t sy = src.top + (y - dst.top) * sh / dh;
                const uint8_t* row = bytes + sy * pitch;
                uint32_t* out =
                    twin ? reinterpret_cast<uint32_t*>(
                               twin + static_cast<size_t>(y) * static_cast<size_t>(surface->pitch))
                         : &window->picture[static_cast<size_t>(y) * window->pictureWidth];
                if (sameWidth) {
                    const uint8_t* from = row + (src.left + (x0 - dst.left)) * 4;
                    CopyWordsMasked(out + x0, from, static_cast<size_t>(x1 - x0));
                } else {
                    for (int x = x0; x < x1; ++x) {
                        uint32_t p;
                        std::memcpy(&p, row + columns[static_cast<size_t>(x - x0)] * 4, 4);
                        out[x] = p & 0x00FFFFFFu;
                    }
                }
            }
#if defined(__SSE2__)
            _mm_sfence();  // streamed words are seen by whoever takes the lock next
#endif
            shown = twin != nullptr;
            if (shown) {
                window->surfacePixels = twin;
                window->surfacePitch = surface->pitch;
            }
        }
        // A whole write that did not go to the surface replaced every word
        // of the picture itself.
        window->pictureInSurface = shown;
        if (!shown) {
            window->surfacePixels = nullptr;
            window->surfacePitch = 0;
        }
        MarkPresented(window);
        if (shown) window->pictureDirty = false;
    }
    if (shown)
        SDL_UpdateWindowSurface(window->sdl);
    else
        AfterPresent(window);
    return true;
}

bool WindowPictureEdit(HWND handle,
                       const std::function<void(uint32_t* pixels, int width, int height)>& edit) {
    auto window = GetWindow(handle);
    if (!window) return false;
    {
        std::lock_guard<std::mutex> lock(Globals().mutex);
        MaterialisePicture(*window);
        edit(window->picture.data(), window->pictureWidth, window->pictureHeight);
        for (uint32_t& p : window->picture) p &= 0x00FFFFFFu;
        MarkPresented(window);
    }
    AfterPresent(window);
    return true;
}

bool WindowPictureSize(HWND handle, int* width, int* height) {
    auto window = GetWindow(handle);
    if (!window) return false;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    if (width) *width = window->pictureWidth;
    if (height) *height = window->pictureHeight;
    return true;
}

}  // namespace platform

bool KnobCaptureWindow(HWND handle, std::vector<uint32_t>* pixels, int* width, int* height) {
    auto window = GetWindow(handle);
    if (!window || !pixels) return false;
    if (OnVideoThread() && window->sdl && !window->fullscreen) {
        // Read back what SDL's window surface holds: the pixels that reached it.
        FlushPicture(window);
        SDL_Surface* surface = SDL_GetWindowSurface(window->sdl);
        std::lock_guard<std::mutex> lock(Globals().mutex);
        const int w = window->pictureWidth, h = window->pictureHeight;
        if (surface && surface->w >= w && surface->h >= h) {
            pixels->assign(static_cast<size_t>(w) * h, 0);
            if (w > 0 && h > 0) {
                if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
                SDL_ConvertPixels(w, h, surface->format->format, surface->pixels, surface->pitch,
                                  SDL_PIXELFORMAT_RGB888, pixels->data(), w * 4);
                if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
            }
            for (uint32_t& p : *pixels) p &= 0x00FFFFFFu;
            if (width) *width = w;
            if (height) *height = h;
            return true;
        }
    }
    std::lock_guard<std::mutex> lock(Globals().mutex);
    MaterialisePicture(*window);
    *pixels = window->picture;
    if (width) *width = window->pictureWidth;
    if (height) *height = window->pictureHeight;
    return true;
}

uint64_t KnobWindowPresentCount(HWND handle) {
    auto window = GetWindow(handle);
    if (!window) return 0;
    std::lock_guard<std::mutex> lock(Globals().mutex);
    return window->presents;
}
