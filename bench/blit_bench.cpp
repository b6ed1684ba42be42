// The software blitter beside two peers, SDL2's surface blits and pixman's
// compositing, on identical buffers: an 800 x 600 destination and sprites of
// 16, 64 and 256 pixels square, all MEMIMG stores that the peers wrap with
// the same pitch. Each case is drawn once by every peer onto a fresh copy of
// the destination and compared with our result (copies, keys, stretches and
// fills exactly; blends within 2 per 8-bit channel, 1 step at 5 or 6 bits);
// a peer that disagrees is reported and not timed. After the runs a table
// gives ours / pixman and ours / SDL2 per case.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/image_record.h"
#include "image/memimg.h"
#include "soft/memimg_renderer.h"

using namespace DuRud;

namespace {

constexpr int kDestW = 800, kDestH = 600;
constexpr int kPlaceX = 40, kPlaceY = 40;

enum class Peer { Ours, Sdl, Pixman };
const char* PeerName(Peer p) {
    return p == Peer::Ours ? "ours" : p == Peer::Sdl ? "sdl2" : "pixman";
}

enum class Kind { Copy, Key, Alpha, ConstAlpha, Add255, Add128, Modulate, Stretch, Fill };
const char* KindName(Kind k) {
    switch (k) {
        case Kind::Copy:
            return "copy";
        case Kind::Key:
            return "colour_key";
        case Kind::Alpha:
            return "alpha_sprite";
        case Kind::ConstAlpha:
            return "constant_alpha";
        case Kind::Add255:
            return "add_p255";
        case Kind::Add128:
            return "add_p128";
        case Kind::Modulate:
            return "modulate";
        case Kind::Stretch:
            return "stretch_2x";
        case Kind::Fill:
            return "fill";
    }
    return "?";
}
bool ExactCase(Kind k) {
    return k == Kind::Copy || k == Kind::Key || k == Kind::Stretch || k == Kind::Fill;
}

// ---- images ------------------------------------------------------------------

// A MEMIMG made by the engine's own transfer from an A8R8G8B8 picture, so
// that the run table is built as the game builds it.
struct Sprite {
    MEMIMG img{};
    int w = 0, h = 0;
    std::vector<uint32_t> argb;     // the picture, straight alpha
    std::vector<uint32_t> peerA;    // peer-only copy (see Build)
    SDL_Surface* sdl = nullptr;     // wraps img's store, or peerA
    pixman_image_t* pix = nullptr;  // wraps img's store, or peerA

    ~Sprite() {
        if (sdl) SDL_FreeSurface(sdl);
        if (pix) pixman_image_unref(pix);
        DropMemImg(&img);
    }
};

// Picture: colour noise over a gradient; a disc of radius size/2 - 1 with a
// two-pixel soft edge; outside it transparent (alpha 0).
std::vector<uint32_t> Picture(int size, uint32_t seed) {
    std::vector<uint32_t> px(size_t(size) * size);
    uint32_t r = seed;
    const double c = (size - 1) / 2.0, radius = size / 2.0 - 1;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            r = r * 1664525u + 1013904223u;
            const uint32_t red = uint32_t(x * 255 / size) ^ (r >> 27);
            const uint32_t green = uint32_t(y * 255 / size) ^ ((r >> 19) & 31);
            const uint32_t blue = (r >> 8) & 0xFF;
            const double dist = std::hypot(x - c, y - c);
            const uint32_t a = dist > radius       ? 0
                               : dist > radius - 2 ? uint32_t(255 * (radius - dist) / 2)
                                                   : 255;
            px[size_t(y) * size + x] = a << 24 | red << 16 | green << 8 | blue;
        }
    }
    return px;
}

uint32_t Expand565(uint32_t v) {
    const uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return 0xFF000000u | ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | (b << 3) |
           (b >> 2);
}

enum class SpriteKind { Plain, Keyed, AlphaFlag };

std::unique_ptr<Sprite> BuildSprite(bool is32, int size, SpriteKind kind) {
    auto s = std::make_unique<Sprite>();
    s->w = s->h = size;
    s->argb = Picture(size, 77u + size);
    const int type = is32 ? kMemImgColor32 : kMemImgColor16;
    const bool alpha = kind == SpriteKind::AlphaFlag;
    SetupMemImg(&s->img, size, size, -1, 0, type, 0, alpha, 1, nullptr);
    BaseImage pic{};
    ColorFormat f{};
    SetColorFormatA8R8G8B8(&f);
    CreateBaseImage(size, size, &f, &pic);
    // Keyed: pixels outside the disc take the key colour; inside, opaque.
    const uint32_t keyArgb = 0xFFFF00FFu;
    for (int y = 0; y < size; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pic.pixels) +
                                                    ptrdiff_t(y) * pic.pitch);
        for (int x = 0; x < size; ++x) {
            uint32_t v = s->argb[size_t(y) * size + x];
            if (kind == SpriteKind::Keyed) v = (v >> 24) < 128 ? keyArgb : v | 0xFF000000u;
            if (kind == SpriteKind::Plain) v |= 0xFF000000u;
            row[x] = v;
        }
    }
    TransferBaseImageToMemImg(&pic, nullptr, &s->img, 0, 0, size, size, 0, 0, 0);
    if (kind == SpriteKind::Keyed) {
        // The key as the transfer stored it (corner pixel), then again so
        // that the run table marks it.
        uint32_t key = 0;
        std::memcpy(&key, s->img.pixels, is32 ? 4 : 2);
        s->img.body->transparentColor = key;
        TransferBaseImageToMemImg(&pic, nullptr, &s->img, 0, 0, size, size, 0, 0, 0);
    }
    FreeBaseImagePixels(&pic);

    const int pitch = s->img.body->pitch;
    uint8_t* store = s->img.pixels;
    const auto own = [&](int x, int y) -> uint32_t {
        uint32_t v = 0;
        std::memcpy(&v, store + ptrdiff_t(y) * pitch + ptrdiff_t(x) * (is32 || alpha ? 4 : 2),
                    is32 || alpha ? 4 : 2);
        return v;
    };
    switch (kind) {
        case SpriteKind::Plain:
            s->sdl = SDL_CreateRGBSurfaceWithFormatFrom(
                store, size, size, is32 ? 32 : 16, pitch,
                is32 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565);
            s->pix = pixman_image_create_bits(is32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5, size, size,
                                              reinterpret_cast<uint32_t*>(store), pitch);
            break;
        case SpriteKind::Keyed: {
            s->sdl = SDL_CreateRGBSurfaceWithFormatFrom(
                store, size, size, is32 ? 32 : 16, pitch,
                is32 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565);
            // pixman has no colour key: a copy with the key as alpha 0.
            s->peerA.resize(size_t(size) * size);
            const uint32_t key = s->img.body->transparentColor;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const uint32_t v = own(x, y);
                    s->peerA[size_t(y) * size + x] = v == key ? 0u
                                                     : is32   ? (v | 0xFF000000u)
                                                              : Expand565(v);
                }
            }
            s->pix =
                pixman_image_create_bits(PIXMAN_a8r8g8b8, size, size, s->peerA.data(), size * 4);
            break;
        }
        case SpriteKind::AlphaFlag: {
            // SDL blends straight alpha: our 32-bit store is already
            // A8R8G8B8; the 16-bit one (R5G6B5, alpha third) gets a copy.
            // pixman's OVER needs premultiplied colour.
            std::vector<uint32_t> straight(size_t(size) * size);
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const uint32_t v = own(x, y);
                    straight[size_t(y) * size + x] =
                        is32 ? v : ((v >> 16 & 0xFF) << 24) | (Expand565(v & 0xFFFF) & 0xFFFFFF);
                }
            }
            s->peerA.resize(straight.size());
            for (size_t i = 0; i < straight.size(); ++i) {
                const uint32_t v = straight[i], a = v >> 24;
                uint32_t out = a << 24;
                for (int ch = 0; ch < 24; ch += 8)
                    out |= ((((v >> ch) & 0xFF) * a + 127) / 255) << ch;
                s->peerA[i] = out;
            }
            if (is32) {
                s->sdl = SDL_CreateRGBSurfaceWithFormatFrom(store, size, size, 32, pitch,
                                                            SDL_PIXELFORMAT_ARGB8888);
            } else {
                s->sdl =
                    SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888);
                for (int y = 0; y < size; ++y)
                    std::memcpy(
                        static_cast<uint8_t*>(s->sdl->pixels) + ptrdiff_t(y) * s->sdl->pitch,
                        &straight[size_t(y) * size], size_t(size) * 4);
            }
            s->pix =
                pixman_image_create_bits(PIXMAN_a8r8g8b8, size, size, s->peerA.data(), size * 4);
            break;
        }
    }
    return s;
}

struct Destination {
    MEMIMG img{};
    SDL_Surface* sdl = nullptr;
    pixman_image_t* pix = nullptr;
    std::vector<uint8_t> start;  // the store every draw starts from
    bool is32 = true;

    explicit Destination(bool is32Bit) : is32(is32Bit) {
        SetupMemImg(&img, kDestW, kDestH, -1, 0, is32 ? kMemImgColor32 : kMemImgColor16, 0, 0, 0,
                    nullptr);
        const int pitch = img.body->pitch;
        start.resize(size_t(pitch) * kDestH);
        uint32_t r = 12345;
        for (int y = 0; y < kDestH; ++y) {
            for (int x = 0; x < kDestW; ++x) {
                r = r * 1664525u + 1013904223u;
                const uint32_t v = uint32_t(x * 255 / kDestW) << 16 |
                                   uint32_t(y * 255 / kDestH) << 8 | ((r >> 10) & 0xFF);
                uint8_t* p = start.data() + ptrdiff_t(y) * pitch;
                if (is32) {
                    std::memcpy(p + 4 * x, &v, 4);
                } else {
                    const uint16_t w =
                        uint16_t((v >> 19 & 31) << 11 | (v >> 10 & 63) << 5 | (v >> 3 & 31));
                    std::memcpy(p + 2 * x, &w, 2);
                }
            }
        }
        Reset();
        sdl = SDL_CreateRGBSurfaceWithFormatFrom(
            img.pixels, kDestW, kDestH, is32 ? 32 : 16, pitch,
            is32 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565);
        pix = pixman_image_create_bits(is32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5, kDestW, kDestH,
                                       reinterpret_cast<uint32_t*>(img.pixels), pitch);
    }
    ~Destination() {
        SDL_FreeSurface(sdl);
        pixman_image_unref(pix);
        DropMemImg(&img);
    }
    void Reset() { std::memcpy(img.pixels, start.data(), start.size()); }
    std::vector<uint8_t> Store() const {
        return std::vector<uint8_t>(img.pixels, img.pixels + start.size());
    }
};

// ---- one draw per peer ------------------------------------------------------------

struct Setup {
    Kind kind;
    bool is32;
    int size;
    bool clipped;
};

SpriteKind SpriteFor(Kind k) {
    return k == Kind::Key     ? SpriteKind::Keyed
           : k == Kind::Alpha ? SpriteKind::AlphaFlag
                              : SpriteKind::Plain;
}

constexpr uint32_t kFill32 = 0x00336699, kFill16 = 0x3333;

// Draws the case once with `peer` onto dst at (x, y).
void DrawOnce(Peer peer, const Setup& c, Destination& dst, Sprite& s, int x, int y,
              pixman_image_t* solid, pixman_image_t* scaled) {
    const int n = c.size;
    if (peer == Peer::Ours) {
        switch (c.kind) {
            case Kind::Copy:
                SetMemImgBlendMode(0, 255);
                MemImgBlit(&dst.img, &s.img, x, y, 0, nullptr);
                break;
            case Kind::Key:
            case Kind::Alpha:
                SetMemImgBlendMode(0, 255);
                MemImgBlit(&dst.img, &s.img, x, y, 1, nullptr);
                break;
            case Kind::ConstAlpha:
                SetMemImgBlendMode(1, 100);
                MemImgBlit(&dst.img, &s.img, x, y, 0, nullptr);
                break;
            case Kind::Add255:
                SetMemImgBlendMode(2, 255);
                MemImgBlit(&dst.img, &s.img, x, y, 0, nullptr);
                break;
            case Kind::Add128:
                SetMemImgBlendMode(2, 128);
                MemImgBlit(&dst.img, &s.img, x, y, 0, nullptr);
                break;
            case Kind::Modulate:
                SetMemImgBlendMode(4, 0);
                MemImgBlit(&dst.img, &s.img, x, y, 0, nullptr);
                break;
            case Kind::Stretch: {
                SetMemImgBlendMode(0, 255);
                const RECT r{x, y, x + 2 * n, y + 2 * n};
                MemImgBlitStretch(&dst.img, &s.img, &r, 0, nullptr);
                break;
            }
            case Kind::Fill: {
                SetMemImgBlendMode(0, 255);
                const RECT r{x, y, x + n, y + n};
                MemImgFillRect(&dst.img, &r, c.is32 ? kFill32 : kFill16);
                break;
            }
        }
        return;
    }
    if (peer == Peer::Sdl) {
        SDL_Rect r{x, y, n, n};
        switch (c.kind) {
            case Kind::Fill:
                SDL_FillRect(dst.sdl, &r, c.is32 ? kFill32 : kFill16);
                return;
            case Kind::Stretch: {
                SDL_Rect big{x, y, 2 * n, 2 * n};
                SDL_BlitScaled(s.sdl, nullptr, dst.sdl, &big);
                return;
            }
            default:
                SDL_BlitSurface(s.sdl, nullptr, dst.sdl, &r);
                return;
        }
    }
    switch (c.kind) {
        case Kind::Fill:
            pixman_fill(reinterpret_cast<uint32_t*>(dst.img.pixels), dst.img.body->pitch / 4,
                        c.is32 ? 32 : 16, x, y, n, n, c.is32 ? kFill32 : kFill16);
            return;
        case Kind::Stretch:
            pixman_image_composite32(PIXMAN_OP_SRC, scaled, nullptr, dst.pix, 0, 0, 0, 0, x, y,
                                     2 * n, 2 * n);
            return;
        case Kind::Copy:
            pixman_image_composite32(PIXMAN_OP_SRC, s.pix, nullptr, dst.pix, 0, 0, 0, 0, x, y, n,
                                     n);
            return;
        case Kind::Key:
        case Kind::Alpha:
            pixman_image_composite32(PIXMAN_OP_OVER, s.pix, nullptr, dst.pix, 0, 0, 0, 0, x, y, n,
                                     n);
            return;
        case Kind::ConstAlpha:
            pixman_image_composite32(PIXMAN_OP_OVER, s.pix, solid, dst.pix, 0, 0, 0, 0, x, y, n, n);
            return;
        case Kind::Add255:
        case Kind::Add128:
            pixman_image_composite32(PIXMAN_OP_ADD, s.pix, solid, dst.pix, 0, 0, 0, 0, x, y, n, n);
            return;
        case Kind::Modulate:
            pixman_image_composite32(PIXMAN_OP_MULTIPLY, s.pix, nullptr, dst.pix, 0, 0, 0, 0, x, y,
                                     n, n);
            return;
    }
}

// SDL state for the case, set on the sprite's surface before each draw.
void PrepareSdl(const Setup& c, Sprite& s) {
    SDL_SetColorKey(s.sdl, c.kind == Kind::Key ? SDL_TRUE : SDL_FALSE,
                    s.img.body->transparentColor);
    SDL_SetSurfaceAlphaMod(s.sdl, c.kind == Kind::ConstAlpha ? 100
                                  : c.kind == Kind::Add128   ? 128
                                                             : 255);
    SDL_BlendMode mode = SDL_BLENDMODE_NONE;
    if (c.kind == Kind::Alpha || c.kind == Kind::ConstAlpha) mode = SDL_BLENDMODE_BLEND;
    if (c.kind == Kind::Add255 || c.kind == Kind::Add128) mode = SDL_BLENDMODE_ADD;
    if (c.kind == Kind::Modulate) mode = SDL_BLENDMODE_MOD;
    SDL_SetSurfaceBlendMode(s.sdl, mode);
}

// Compares two destination stores channel by channel (byte 3 of a 32-bit
// pixel carries no colour); returns an empty string when every channel is
// within `allowed`, else the largest difference, where, and how often.
std::string Compare(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& peer, bool is32,
                    int pitch, int allowed) {
    static const int kShift32[3] = {0, 8, 16}, kShift16[3] = {0, 5, 11};
    static const uint32_t kMask16[3] = {31, 63, 31};
    int worst = 0, worstX = 0, worstY = 0, worstOurs = 0, worstPeer = 0;
    int64_t over = 0;
    for (int y = 0; y < kDestH; ++y) {
        for (int x = 0; x < kDestW; ++x) {
            const size_t off = size_t(y) * pitch + size_t(x) * (is32 ? 4 : 2);
            uint32_t a = 0, b = 0;
            std::memcpy(&a, &ours[off], is32 ? 4 : 2);
            std::memcpy(&b, &peer[off], is32 ? 4 : 2);
            for (int ch = 0; ch < 3; ++ch) {
                const int va =
                    int(is32 ? (a >> kShift32[ch]) & 0xFF : (a >> kShift16[ch]) & kMask16[ch]);
                const int vb =
                    int(is32 ? (b >> kShift32[ch]) & 0xFF : (b >> kShift16[ch]) & kMask16[ch]);
                const int diff = std::abs(va - vb);
                if (diff > allowed) ++over;
                if (diff > worst) {
                    worst = diff;
                    worstX = x;
                    worstY = y;
                    worstOurs = va;
                    worstPeer = vb;
                }
            }
        }
    }
    if (worst <= allowed) return {};
    char msg[200];
    std::snprintf(msg, sizeof msg,
                  "differs from ours by up to %d (allowed %d) in %lld channels; at (%d, %d): "
                  "%d against our %d",
                  worst, allowed, static_cast<long long>(over), worstX, worstY, worstPeer,
                  worstOurs);
    return msg;
}

int VisiblePixels(const Setup& c, int x, int y) {
    const int n = c.kind == Kind::Stretch ? 2 * c.size : c.size;
    const int w = std::min(x + n, kDestW) - std::max(x, 0);
    const int h = std::min(y + n, kDestH) - std::max(y, 0);
    return std::max(w, 0) * std::max(h, 0);
}

void RunCase(benchmark::State& state, Setup c, Peer peer) {
    BuildMemImgBlendTables();
    SetMemImgDrawBright(0xFFFFFF);
    const RECT area{0, 0, kDestW, kDestH};
    SetMemImgDrawArea(&area);
    Destination dst(c.is32);
    std::unique_ptr<Sprite> s = BuildSprite(c.is32, c.size, SpriteFor(c.kind));
    const int x = c.clipped ? -c.size / 2 : kPlaceX, y = kPlaceY;

    pixman_image_t* solid = nullptr;
    if (c.kind == Kind::ConstAlpha || c.kind == Kind::Add255 || c.kind == Kind::Add128) {
        const uint16_t a = c.kind == Kind::ConstAlpha ? 100 * 257
                           : c.kind == Kind::Add128   ? 128 * 257
                                                      : 0xFFFF;
        const pixman_color_t colour{0, 0, 0, a};
        solid = pixman_image_create_solid_fill(&colour);
    }
    pixman_image_t* scaled = nullptr;
    if (c.kind == Kind::Stretch) {
        scaled = pixman_image_create_bits(c.is32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5, c.size, c.size,
                                          reinterpret_cast<uint32_t*>(s->img.pixels),
                                          s->img.body->pitch);
        pixman_transform_t t;
        pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
        pixman_image_set_transform(scaled, &t);
        pixman_image_set_filter(scaled, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
    const auto release = [&] {
        if (solid) pixman_image_unref(solid);
        if (scaled) pixman_image_unref(scaled);
    };
    if (!s->sdl || !s->pix || !dst.sdl || !dst.pix) {
        state.SkipWithError("could not wrap the images");
        release();
        return;
    }
    if (peer == Peer::Sdl) PrepareSdl(c, *s);

    // Ours once, then the peer once on the same start, compared.
    dst.Reset();
    DrawOnce(Peer::Ours, c, dst, *s, x, y, solid, scaled);
    const std::vector<uint8_t> ours = dst.Store();
    if (ours == dst.start && c.kind != Kind::Modulate) {
        state.SkipWithError("our blit drew nothing");
        release();
        return;
    }
    if (peer != Peer::Ours) {
        dst.Reset();
        DrawOnce(peer, c, dst, *s, x, y, solid, scaled);
        // A blend may land two steps from ours at either depth: ours truncates
        // once at the channel's own width, the peers blend at 8 bits and
        // truncate again to 5 or 6 bits.
        const std::string why =
            Compare(ours, dst.Store(), c.is32, dst.img.body->pitch, ExactCase(c.kind) ? 0 : 2);
        if (!why.empty()) {
            state.SkipWithError((std::string(PeerName(peer)) + " " + why).c_str());
            release();
            return;
        }
    }
    dst.Reset();
    for (auto _ : state) {
        DrawOnce(peer, c, dst, *s, x, y, solid, scaled);
        benchmark::ClobberMemory();
    }
    // Shown with SI prefixes (1.2G/s is 1200 Mpixel/s); the closing table
    // gives Mpixel/s.
    state.counters["pixel/s"] = benchmark::Counter(
        double(state.iterations()) * VisiblePixels(c, x, y), benchmark::Counter::kIsRate);
    release();
}

// ---- the table after the runs --------------------------------------------------------

std::string CaseName(const Setup& c) {
    return std::string(KindName(c.kind)) + (c.is32 ? "/32" : "/16") + "/" + std::to_string(c.size) +
           (c.clipped ? "/clipped" : "/whole");
}

class TableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // With repetitions the median stands for the case.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            const std::string name = r.run_name.function_name;
            const auto slash = name.rfind('/');
            const std::string key = name.substr(0, slash), peer = name.substr(slash + 1);
            double rate = -1;
            if (!r.error_occurred) {
                const auto it = r.counters.find("pixel/s");
                if (it != r.counters.end()) rate = it->second.value / 1e6;
            }
            auto& slot = rates_[key][peer];
            if (r.run_type == Run::RT_Aggregate || slot == 0) slot = rate;
            if (std::find(order_.begin(), order_.end(), key) == order_.end()) order_.push_back(key);
        }
    }
    void PrintTable() const {
        SDL_version v;
        SDL_GetVersion(&v);
        std::printf("\nMpixel/s per case and ours / peer; pixman %s, SDL2 %d.%d.%d\n",
                    pixman_version_string(), v.major, v.minor, v.patch);
        std::printf("%-34s %10s %10s %10s %12s %12s  %s\n", "case", "ours", "pixman", "sdl2",
                    "ours/pixman", "ours/sdl2", "aim");
        int notMet = 0;
        for (const std::string& key : order_) {
            const auto& m = rates_.at(key);
            const auto get = [&](const char* p) {
                const auto it = m.find(p);
                return it == m.end() ? -1.0 : it->second;
            };
            const double o = get("ours"), px = get("pixman"), sd = get("sdl2");
            const auto ratio = [](double a, double b) {
                char buf[32];
                if (a > 0 && b > 0) {
                    std::snprintf(buf, sizeof buf, "%.2f", a / b);
                } else {
                    std::snprintf(buf, sizeof buf, "-");
                }
                return std::string(buf);
            };
            const auto rate = [](double a) {
                char buf[32];
                if (a > 0) {
                    std::snprintf(buf, sizeof buf, "%.0f", a);
                } else {
                    std::snprintf(buf, sizeof buf, "skipped");
                }
                return std::string(buf);
            };
            // The aimed cases: copies, keys and sprites; the stretch, which
            // must also reach SDL2; the 32-bit scaled add; the 16-bit fill.
            std::string aim;
            const auto starts = [&](const char* prefix) { return key.rfind(prefix, 0) == 0; };
            const bool stretch = starts("stretch_2x/");
            const bool aimed = starts("copy/") || starts("colour_key/") ||
                               starts("alpha_sprite/") || stretch || starts("add_p128/32/") ||
                               starts("fill/16/");
            if (aimed) {
                if (px <= 0) {
                    aim = "no pixman figure";
                } else if (o >= px && (!stretch || o >= sd)) {
                    aim = "aim met";
                } else {
                    aim = "aim not met";
                    ++notMet;
                }
            }
            std::printf("%-34s %10s %10s %10s %12s %12s  %s\n", key.c_str(), rate(o).c_str(),
                        rate(px).c_str(), rate(sd).c_str(), ratio(o, px).c_str(),
                        ratio(o, sd).c_str(), aim.c_str());
        }
        std::printf("%d aimed case(s) not met\n", notMet);
    }

  private:
    std::map<std::string, std::map<std::string, double>> rates_;
    std::vector<std::string> order_;
};

void RegisterAll() {
    const Kind kinds[] = {Kind::Copy,       Kind::Key,     Kind::Alpha,
                          Kind::ConstAlpha, Kind::Add255,  Kind::Add128,
                          Kind::Modulate,   Kind::Stretch, Kind::Fill};
    for (bool is32 : {true, false}) {
        for (Kind k : kinds) {
            for (int size : {16, 64, 256}) {
                for (bool clipped : {false, true}) {
                    if (clipped && k != Kind::Key && k != Kind::Alpha) continue;
                    const Setup c{k, is32, size, clipped};
                    for (Peer p : {Peer::Ours, Peer::Pixman, Peer::Sdl}) {
                        const std::string name = CaseName(c) + "/" + PeerName(p);
                        benchmark::RegisterBenchmark(name.c_str(), RunCase, c, p)->MinTime(0.2);
                    }
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable();
    benchmark::Shutdown();
    return 0;
}
