// A slow reference of the whole-image blit, written channel by channel from
// the per-channel rules (no packed words, no tables but the blend-image
// factors the caller chose). Shared with the stretched, palette and shape
// tests, which draw with the same per-pixel rules.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "soft_blit_fixture.h"

namespace softblit {

inline int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

struct RefCall {
    int mode = 0;
    int p = 255;
    uint32_t bright = 0xFFFFFF;
    bool blend = false;
    bool alpha = false;
    bool trans = false;
    bool mmx = false;
    bool runPath = false;  // the run-table path: no special kernels
    // The stretched blit's forms: no half blend, six-bit mix or full-strength
    // add; an alpha source without the flag is always alpha-weighted.
    bool stretch = false;
    uint32_t transColor = 0;
};

inline bool RefWhite(uint32_t bright) {
    return (bright & 0xFFFFFF) == 0xFFFFFF;
}

// ---- 32-bit ----------------------------------------------------------------
inline int Ch32(uint32_t v, int c) {
    return int((v >> (8 * c)) & 0xFF);
}
inline uint32_t With32(uint32_t word, int c, int v) {
    return (word & ~(0xFFu << (8 * c))) | (uint32_t(v & 0xFF) << (8 * c));
}

// Channel-by-channel saturating add of the blitter. `term` (a scaled
// term): every channel exact; otherwise (the whole source, plain code) blue
// exact, green and red on their upper seven bits with the carry from below.
// The fourth byte becomes the carry out of red.
inline uint32_t RefAdd32(uint32_t d, uint32_t x, bool term) {
    if (term) {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) out = With32(out, c, std::min(255, Ch32(d, c) + Ch32(x, c)));
        return With32(out, 3, Ch32(d, 2) + Ch32(x, 2) > 255);
    }
    uint32_t out = 0;
    int carry = 0;
    for (int c = 0; c < 3; ++c) {
        const int dc = Ch32(d, c), xc = Ch32(x, c);
        int v;
        if (c == 0) {
            v = dc + xc;
            carry = v > 255;
            v = carry ? 255 : v;
        } else {
            const int half = (dc >> 1) + (xc >> 1);
            const int low = carry;
            carry = half > 127;
            v = carry ? 255 : 2 * half + low;
        }
        out = With32(out, c, v);
    }
    return With32(out, 3, carry);
}
inline uint32_t RefSubtract32(uint32_t d, uint32_t x) {
    uint32_t out = 0;
    int borrow = 0;
    for (int c = 0; c < 3; ++c) {
        const int dc = Ch32(d, c), xc = Ch32(x, c);
        int v;
        if (c == 0) {
            v = dc - xc;
        } else {
            v = (dc | 1) - borrow - (xc & 0xFE);
        }
        borrow = v < 0;
        out = With32(out, c, borrow ? 0 : v);
    }
    return out;
}

// What a source pixel does before any arithmetic, the same at both depths:
// skipped, stored as it is, or mixed (weighted by its alpha when useA).
enum class RefGate { Skip, Store, Mix };
inline RefGate RefPixelGate(const RefCall& k, uint32_t s, int a, int kind, bool* useA) {
    *useA = false;
    if (k.runPath) {
        if (kind == 0) return RefGate::Skip;
        *useA = k.alpha && kind == 2;
    } else if (!k.alpha) {
        if (k.trans && s == k.transColor) return RefGate::Skip;
    } else if (k.trans) {
        if (a == 0) return RefGate::Skip;
        *useA = a != 255;
    } else {
        if (k.mode == 0 && RefWhite(k.bright) && !k.blend && !k.stretch) return RefGate::Store;
        *useA = true;
    }
    return RefGate::Mix;
}

// The new destination word for one source pixel, or d when it is skipped.
inline uint32_t RefPixel32(const RefCall& k, uint32_t s, uint32_t d, int t, int kind) {
    const bool white = RefWhite(k.bright);
    const int a = int(s >> 24);
    bool useA = false;
    const RefGate gate = RefPixelGate(k, s, a, kind, &useA);
    if (gate != RefGate::Mix) return gate == RefGate::Skip ? d : s;
    const bool plain = !k.blend && white && !k.alpha && !k.runPath;
    if (plain && k.mode == 1 && k.p == 128 && !k.stretch) {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) out = With32(out, c, (Ch32(s, c) >> 1) + (Ch32(d, c) >> 1));
        return out;
    }
    if (plain && (k.mode == 2 || k.mode == 3) && k.p == 255 && !(k.stretch && k.mode == 2)) {
        if (k.mmx) {
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const int v = k.mode == 2 ? std::min(255, Ch32(d, c) + Ch32(s, c))
                                          : std::max(0, Ch32(d, c) - Ch32(s, c));
                out = With32(out, c, v);
            }
            return out;
        }
        return k.mode == 2 ? RefAdd32(d, s, false) : RefSubtract32(d, s);
    }
    const bool usesP = k.mode == 1 || k.mode == 2 || k.mode == 3 || k.mode == 10 || k.mode == 11;
    int64_t W = 1;
    int n = 0;
    if (k.blend) W *= t, n += 8;
    if (useA) W *= a, n += 8;
    if (usesP) W *= k.p, n += 8;
    auto bright = [&](int c, int v) {
        return white ? v : int(((k.bright >> (8 * c)) & 0xFF) * v / 255);
    };
    if (k.mode == 0 && n == 0) {
        if (white) return s;
        uint32_t out = d;
        for (int c = 0; c < 3; ++c) out = With32(out, c, bright(c, Ch32(s, c)));
        return out;
    }
    auto mix = [&](int64_t v, int64_t dc) {
        return int(dc + FloorDiv((v - dc) * W, int64_t(1) << n));
    };
    uint32_t out = d;
    uint32_t x = 0;
    for (int c = 0; c < 3; ++c) {
        const int dc = Ch32(d, c);
        const int sc = Ch32(s, c);
        switch (k.mode) {
            case 0:
            case 1:
                out = With32(out, c, mix(bright(c, sc), dc));
                break;
            case 10:
                out = With32(out, c, mix(bright(c, 255 - sc), dc));
                break;
            case 11:
                out = With32(out, c, mix(bright(c, sc) * dc / 256, dc));
                break;
            case 2:
            case 3: {
                const int v = bright(c, sc);
                // The parameter alone scales to the nearest; other weights shift.
                x = With32(x, c, n == 8 ? (k.p * v + 127) / 255 : int(v * W >> n));
                break;
            }
            case 4:
                out = With32(out, c, int(W * bright(c, sc) * dc >> (n + 8)));
                break;
        }
    }
    if (k.mode == 2) return RefAdd32(d, x, true);
    if (k.mode == 3) return RefSubtract32(d, x);
    return out;
}

// ---- 16-bit ----------------------------------------------------------------
constexpr int kShift16[3] = {0, 5, 11};  // blue, green, red
constexpr int kBits16[3] = {5, 6, 5};
inline int Ch16(uint32_t v, int c) {
    return int((v >> kShift16[c]) & ((1u << kBits16[c]) - 1));
}
inline uint32_t Pack16(const int v[3]) {
    return uint32_t(v[2] << 11 | v[1] << 5 | v[0]);
}

// One pixel's saturating add; `term` keeps the operands' lowest bits.
inline uint32_t RefAdd16(uint32_t d, uint32_t x, bool term) {
    int v[3];
    int blueCarry = Ch16(d, 0) + Ch16(x, 0) >= 32;
    v[0] = blueCarry ? 31 : Ch16(d, 0) + Ch16(x, 0);
    const int g = (Ch16(d, 1) >> 1) + (Ch16(x, 1) >> 1);
    const int greenCarry = g >= 32;
    v[1] = (greenCarry ? 62 : 2 * g) | blueCarry | (term ? (Ch16(d, 1) | Ch16(x, 1)) & 1 : 0);
    const int r = (Ch16(d, 2) >> 1) + (Ch16(x, 2) >> 1);
    v[2] = r >= 16 ? 31 : 2 * r + (greenCarry | (term ? (Ch16(d, 2) | Ch16(x, 2)) & 1 : 0));
    return Pack16(v);
}
inline uint32_t RefSubtract16(uint32_t d, uint32_t x) {
    int v[3];
    v[0] = std::max(0, Ch16(d, 0) - Ch16(x, 0));
    const int g = (Ch16(d, 1) >> 1) - (Ch16(x, 1) >> 1);
    v[1] = g < 0 ? 0 : 2 * g;
    const int r = (Ch16(d, 2) >> 1) - (Ch16(x, 2) >> 1);
    v[2] = r < 0 ? 0 : 2 * r + (g >= 0);
    return Pack16(v);
}
// The right pixel of a fast-path pair: blue too on its upper four bits, its
// lowest bit from the left pixel's red carry (add) or missing borrow
// (subtract); green and red as the one-pixel form without the term.
inline uint32_t RefPairRight16(uint32_t d, uint32_t x, bool add, bool leftFlag) {
    int v[3];
    const int h =
        add ? (Ch16(d, 0) >> 1) + (Ch16(x, 0) >> 1) : (Ch16(d, 0) >> 1) - (Ch16(x, 0) >> 1);
    int blueFlag;
    if (add) {
        blueFlag = h >= 16;
        v[0] = blueFlag ? 31 : 2 * h + leftFlag;
        const int g = (Ch16(d, 1) >> 1) + (Ch16(x, 1) >> 1);
        const int greenCarry = g >= 32;
        v[1] = (greenCarry ? 62 : 2 * g) | blueFlag;
        const int r = (Ch16(d, 2) >> 1) + (Ch16(x, 2) >> 1);
        v[2] = r >= 16 ? 31 : 2 * r + greenCarry;
    } else {
        v[0] = h < 0 ? 0 : 2 * h + leftFlag;
        const int g = (Ch16(d, 1) >> 1) - (Ch16(x, 1) >> 1);
        v[1] = g < 0 ? 0 : 2 * g;
        const int r = (Ch16(d, 2) >> 1) - (Ch16(x, 2) >> 1);
        v[2] = r < 0 ? 0 : 2 * r + (g >= 0);
    }
    return Pack16(v);
}
// Whether the left pixel's red carried (add) or did not borrow (subtract).
inline bool RefLeftRedFlag16(uint32_t d, uint32_t x, bool add) {
    const int r =
        add ? (Ch16(d, 2) >> 1) + (Ch16(x, 2) >> 1) : (Ch16(d, 2) >> 1) - (Ch16(x, 2) >> 1);
    return add ? r >= 16 : r >= 0;
}

// s: the R5G6B5 source value, a its alpha (alpha sources), t the factor.
inline uint32_t RefPixel16(const RefCall& k, uint32_t s, int a, uint32_t d, int t, int kind) {
    const bool white = RefWhite(k.bright);
    bool useA = false;
    const RefGate gate = RefPixelGate(k, s, a, kind, &useA);
    if (gate != RefGate::Mix) return gate == RefGate::Skip ? d : s;
    const bool plain = !k.blend && white && !k.alpha && !k.runPath;
    int out[3];
    if (plain && k.mode == 1 && !k.stretch) {
        for (int c = 0; c < 3; ++c) {
            const int sc = Ch16(s, c), dc = Ch16(d, c);
            const int layer = k.p / 4;
            out[c] = k.p == 128 ? (sc >> 1) + (dc >> 1) : (layer * sc + (63 - layer) * dc) / 63;
        }
        return Pack16(out);
    }
    const bool usesP = k.mode == 1 || k.mode == 10 || k.mode == 11;
    int64_t W = 1;
    int n = 0;
    if (k.blend) W *= t, n += 8;
    if (useA) W *= a, n += 8;
    if (usesP) W *= k.p, n += 8;
    auto bright = [&](int c, int v) {
        return white ? v : int(((k.bright >> (8 * c)) & 0xFF) * v / 255);
    };
    int x[3];
    for (int c = 0; c < 3; ++c) {
        const int sc = Ch16(s, c), dc = Ch16(d, c);
        const int max = (1 << kBits16[c]) - 1;
        int target = 0;
        if (k.mode == 0 || k.mode == 1) target = bright(c, sc);
        if (k.mode == 10) target = bright(c, max - sc);
        if (k.mode == 11) target = (bright(c, sc) * dc) >> kBits16[c];
        switch (k.mode) {
            case 0:
            case 1:
            case 10:
            case 11:
                if (n == 0) {
                    out[c] = target;
                } else if (usesP && n == 8) {
                    out[c] = dc + int(int64_t(k.p) * (target - dc) / 255);  // truncated toward zero
                } else {
                    out[c] = int(dc + FloorDiv((target - dc) * W, int64_t(1) << n));
                }
                if (k.mode == 11 && white && !k.blend && useA && c == 1) {
                    out[c] = int(FloorDiv(
                        int64_t(dc) * (1 << 21) + (int64_t(sc * dc / 2) - 32 * dc) * a * k.p,
                        int64_t(1) << 21));
                }
                break;
            case 2:
            case 3: {
                int y;
                if (!k.blend && !useA)
                    y = bright(c, sc);
                else if (!k.blend)
                    y = bright(c, sc * a / 256);
                else if (!useA)
                    y = bright(c, sc) * t / 256;
                else
                    y = bright(c, sc) * a * t / 65536;
                x[c] = (k.p * y + 127) / 255;  // to the nearest
                break;
            }
            case 4:
                out[c] = int(int64_t(dc) * bright(c, sc) * W >> (kBits16[c] + n));
                break;
        }
    }
    if (k.mode == 2) return RefAdd16(d, Pack16(x), true);
    if (k.mode == 3) return RefSubtract16(d, Pack16(x));
    return Pack16(out);
}

// ---- Whole call ----------------------------------------------------------------
// The expected store of dst after MemImgBlit(dst.view, src.view, x, y, trans,
// blend ? blend->view : null) under `state`; `runPath` says which path the
// call must take (the test knows whether it built a matching table).
// The settings of a call drawing src under `state`; false when the mode and
// parameter make the call draw nothing.
inline bool RefCallSettings(const Canvas& src, int trans, const Canvas* blend,
                            const DrawState& state, bool mmx, RefCall* k) {
    k->mode = state.mode;
    k->p = state.p;
    k->bright = state.bright;
    k->blend = blend != nullptr;
    k->alpha = src.body()->alphaFlag == 1;
    k->trans = trans != 0;
    k->mmx = mmx;
    k->transColor = src.body()->transparentColor;
    const bool palette = src.body()->paletteFlag == 1;
    if (k->mode < 0 || k->mode > 11 || (k->mode >= 5 && k->mode <= 9)) return false;
    if ((k->mode == 1 || k->mode == 2) && k->p == 0) return false;
    if (k->mode == 3 && k->p == 0 && !palette) return false;
    if (k->mode == 1 && k->p == 255) k->mode = 0;
    return true;
}

inline std::vector<uint8_t> RefBlit(const Canvas& dst, const Canvas& src, int x, int y, int trans,
                                    const Canvas* blend, const DrawState& state, bool mmx,
                                    bool runPath) {
    std::vector<uint8_t> store = dst.Store();
    RefCall k;
    if (!RefCallSettings(src, trans, blend, state, mmx, &k)) return store;
    k.runPath = runPath;
    const bool palette = src.body()->paletteFlag == 1;
    const int left = std::max({x, int(state.area.left), 0});
    const int top = std::max({y, int(state.area.top), 0});
    const int right = std::min({x + src.w(), int(state.area.right), dst.w()});
    const int bottom = std::min({y + src.h(), int(state.area.bottom), dst.h()});
    const uint8_t* base = dst.body()->pixelStore;
    const bool is16 = dst.colorType == DuRud::kMemImgColor16;
    const bool fast16 = is16 && !runPath && !k.blend && RefWhite(k.bright) && !k.alpha &&
                        k.p == 255 && (k.mode == 2 || k.mode == 3);
    for (int dy = top; dy < bottom; ++dy) {
        for (int dx = left; dx < right; ++dx) {
            const int sx = dx - x, sy = dy - y;
            const size_t off = size_t(dst.At(dx, dy) - base);
            uint32_t d = 0;
            std::memcpy(&d, &store[off], dst.bpp);
            const uint32_t raw = src.Get(sx, sy);
            uint32_t s = raw;
            const int kind = runPath ? src.Classify(sx, sy) : 1;
            // Palette sources: transparency is the index against the whole value.
            if (palette && !runPath && k.trans && raw == k.transColor) continue;
            if (palette) s = src.PaletteEntry(raw & 0xFF);
            RefCall kp = k;
            if (palette) kp.trans = false;
            const int t = blend ? DuRud::MemImgBlendImageTable[blend->Get(sx, sy) & 0xFF] : 0;
            uint32_t v;
            if (!is16) {
                v = RefPixel32(kp, s, d, t, kind);
            } else if (fast16) {
                const bool add = k.mode == 2;
                const int i = dx - left;
                const bool pairRight = i % 2 == 1;
                const uint32_t tc = k.transColor;
                if (k.trans && raw == tc) {
                    v = d;
                } else if (pairRight) {
                    const uint32_t rawLeft = src.Get(sx - 1, sy);
                    const uint32_t sl = palette ? src.PaletteEntry(rawLeft & 0xFF) : rawLeft;
                    if (k.trans && rawLeft == tc) {
                        v = add ? RefAdd16(d, s, false) : RefSubtract16(d, s);
                    } else {
                        v = RefPairRight16(d, s, add,
                                           RefLeftRedFlag16(dst.Get(dx - 1, dy), sl, add));
                    }
                } else {
                    v = add ? RefAdd16(d, s, false) : RefSubtract16(d, s);
                }
            } else {
                const int a = k.alpha ? int((s >> 16) & 0xFF) : 0;
                v = RefPixel16(kp, s & 0xFFFF, a, d, t, kind);
            }
            std::memcpy(&store[off], &v, dst.bpp);
        }
    }
    return store;
}

}  // namespace softblit
