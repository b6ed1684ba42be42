// DIB formats and DIB sections: the checked decoding of a BITMAPINFO, pixel
// reads and writes in every DIB layout, and CreateDIBSection.
#include <bit>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include "gdi_objects.h"
#include "win_kernel.h"

namespace platform::gdi {

namespace {

// Scales a masked channel to 8 bits by repeating its bit pattern (31 -> 255).
uint32_t Channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << bits) | v;
        filled += bits;
    }
    return out >> (filled - 8);
}

uint32_t Pack(uint32_t xrgb, uint32_t mask, int channelShift) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    uint32_t v = (xrgb >> channelShift) & 0xFF;
    v = bits >= 8 ? v << (bits - 8) : v >> (8 - bits);
    return (v << shift) & mask;
}

// Every 16-bit value of a mask set converted once (shared between calls).
std::shared_ptr<const std::vector<uint32_t>> SixteenBitTable(const DibFormat& f) {
    static std::mutex mutex;
    static std::map<std::tuple<DWORD, DWORD, DWORD>, std::shared_ptr<const std::vector<uint32_t>>>
        tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto key = std::make_tuple(f.masks[0], f.masks[1], f.masks[2]);
    auto it = tables.find(key);
    if (it != tables.end()) return it->second;
    auto table = std::make_shared<std::vector<uint32_t>>(65536);
    for (uint32_t p = 0; p < 65536; ++p) {
        (*table)[p] =
            (Channel(p, f.masks[0]) << 16) | (Channel(p, f.masks[1]) << 8) | Channel(p, f.masks[2]);
    }
    if (tables.size() > 16) tables.clear();
    tables[key] = table;
    return table;
}

bool PlainMasks(const DibFormat& f) {
    return f.masks[0] == 0xFF0000 && f.masks[1] == 0x00FF00 && f.masks[2] == 0x0000FF;
}

}  // namespace

void ReadDibRow(const DibFormat& f, const uint8_t* row, int x0, int count, uint32_t* out) {
    if (f.bitCount == 16) {
        auto table = SixteenBitTable(f);
        const uint32_t* t = table->data();
        const uint8_t* p = row + 2 * x0;
        for (int i = 0; i < count; ++i, p += 2) out[i] = t[p[0] | (p[1] << 8)];
    } else if (f.bitCount == 24) {
        const uint8_t* p = row + 3 * x0;
        for (int i = 0; i < count; ++i, p += 3)
            out[i] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    } else if (f.bitCount == 32 && PlainMasks(f)) {
        std::memcpy(out, row + 4 * x0, static_cast<size_t>(count) * 4);
        for (int i = 0; i < count; ++i) out[i] &= 0xFFFFFF;
    } else {
        for (int i = 0; i < count; ++i) out[i] = ReadDibPixel(f, row, x0 + i);
    }
}

void WriteDibRow(const DibFormat& f, uint8_t* row, int x0, int count, const uint32_t* in) {
    if (f.bitCount == 32 && PlainMasks(f)) {
        std::memcpy(row + 4 * x0, in, static_cast<size_t>(count) * 4);
    } else if (f.bitCount == 24) {
        uint8_t* p = row + 3 * x0;
        for (int i = 0; i < count; ++i, p += 3) {
            p[0] = static_cast<uint8_t>(in[i]);
            p[1] = static_cast<uint8_t>(in[i] >> 8);
            p[2] = static_cast<uint8_t>(in[i] >> 16);
        }
    } else {
        for (int i = 0; i < count; ++i) WriteDibPixel(f, row, x0 + i, in[i]);
    }
}

bool DecodeDibFormat(const BITMAPINFO* info, UINT usage, DibFormat* out) {
    if (!info || !out || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    DibFormat f;
    f.width = h.biWidth;
    f.bitCount = h.biBitCount;
    f.compression = h.biCompression;
    const bool bitsOk = f.bitCount == 1 || f.bitCount == 4 || f.bitCount == 8 || f.bitCount == 16 ||
                        f.bitCount == 24 || f.bitCount == 32;
    const bool compressionOk = f.compression == BI_RGB || (f.compression == BI_BITFIELDS &&
                                                           (f.bitCount == 16 || f.bitCount == 32));
    if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == INT32_MIN || !bitsOk || !compressionOk ||
        usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    f.topDown = h.biHeight < 0;
    f.height = f.topDown ? -h.biHeight : h.biHeight;
    const uint64_t stride = ((static_cast<uint64_t>(f.width) * f.bitCount + 31) / 32) * 4;
    if (stride * static_cast<uint64_t>(f.height) > 0xFFFFFFFFull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    f.stride = static_cast<size_t>(stride);
    const auto* after = reinterpret_cast<const uint8_t*>(info) + h.biSize;
    if (f.bitCount <= 8) {
        const uint32_t maxColours = 1u << f.bitCount;
        const uint32_t colours = h.biClrUsed ? h.biClrUsed : maxColours;
        if (colours > maxColours) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const auto* quads = reinterpret_cast<const RGBQUAD*>(after);
        f.palette.resize(maxColours, 0);
        for (uint32_t i = 0; i < colours; ++i) {
            f.palette[i] = (static_cast<uint32_t>(quads[i].rgbRed) << 16) |
                           (static_cast<uint32_t>(quads[i].rgbGreen) << 8) | quads[i].rgbBlue;
        }
    } else if (f.compression == BI_BITFIELDS) {
        // Masks follow a 40-byte header; larger headers carry them inside.
        const auto* masks = h.biSize >= 52
                                ? reinterpret_cast<const uint8_t*>(info) + sizeof(BITMAPINFOHEADER)
                                : after;
        std::memcpy(f.masks, masks, sizeof(f.masks));
        if (!f.masks[0] && !f.masks[1] && !f.masks[2]) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
    } else if (f.bitCount == 16) {
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
    } else if (f.bitCount == 32) {
        f.masks[0] = 0xFF0000;
        f.masks[1] = 0x00FF00;
        f.masks[2] = 0x0000FF;
    }
    *out = std::move(f);
    return true;
}

uint32_t ReadDibPixel(const DibFormat& f, const uint8_t* row, int x) {
    switch (f.bitCount) {
        case 1:
            return f.palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        case 4:
            return f.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
        case 8:
            return f.palette[row[x]];
        case 16: {
            uint32_t p = row[2 * x] | (static_cast<uint32_t>(row[2 * x + 1]) << 8);
            return (Channel(p, f.masks[0]) << 16) | (Channel(p, f.masks[1]) << 8) |
                   Channel(p, f.masks[2]);
        }
        case 24:
            return (static_cast<uint32_t>(row[3 * x + 2]) << 16) |
                   (static_cast<uint32_t>(row[3 * x + 1]) << 8) | row[3 * x];
        case 32: {
            uint32_t p;
            std::memcpy(&p, row + 4 * x, 4);
            return (Channel(p, f.masks[0]) << 16) | (Channel(p, f.masks[1]) << 8) |
                   Channel(p, f.masks[2]);
        }
        default:
            return 0;
    }
}

void WriteDibPixel(const DibFormat& f, uint8_t* row, int x, uint32_t xrgb) {
    switch (f.bitCount) {
        case 16: {
            uint32_t p =
                Pack(xrgb, f.masks[0], 16) | Pack(xrgb, f.masks[1], 8) | Pack(xrgb, f.masks[2], 0);
            row[2 * x] = static_cast<uint8_t>(p);
            row[2 * x + 1] = static_cast<uint8_t>(p >> 8);
            break;
        }
        case 24:
            row[3 * x] = static_cast<uint8_t>(xrgb);
            row[3 * x + 1] = static_cast<uint8_t>(xrgb >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(xrgb >> 16);
            break;
        case 32: {
            uint32_t p =
                Pack(xrgb, f.masks[0], 16) | Pack(xrgb, f.masks[1], 8) | Pack(xrgb, f.masks[2], 0);
            std::memcpy(row + 4 * x, &p, 4);
            break;
        }
        default: {
            // Palette targets take the nearest palette entry.
            int best = 0;
            int bestDistance = INT32_MAX;
            for (size_t i = 0; i < f.palette.size(); ++i) {
                int dr = static_cast<int>((f.palette[i] >> 16) & 0xFF) -
                         static_cast<int>((xrgb >> 16) & 0xFF);
                int dg = static_cast<int>((f.palette[i] >> 8) & 0xFF) -
                         static_cast<int>((xrgb >> 8) & 0xFF);
                int db = static_cast<int>(f.palette[i] & 0xFF) - static_cast<int>(xrgb & 0xFF);
                int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = static_cast<int>(i);
                }
            }
            if (f.bitCount == 8) {
                row[x] = static_cast<uint8_t>(best);
            } else if (f.bitCount == 4) {
                uint8_t& b = row[x >> 1];
                b = (x & 1) ? ((b & 0xF0) | best) : ((b & 0x0F) | (best << 4));
            } else if (f.bitCount == 1) {
                uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
                row[x >> 3] = best ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
            }
            break;
        }
    }
}

}  // namespace platform::gdi

using namespace platform::gdi;

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    if (section) {
        SetLastError(ERROR_NOT_SUPPORTED);  // file-mapping sections do not exist here
        return nullptr;
    }
    DibFormat format;
    if (!DecodeDibFormat(info, usage, &format)) return nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->format = std::move(format);
    try {
        bitmap->storage.assign(bitmap->format.stride * bitmap->format.height, 0);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (bits) *bits = bitmap->storage.data();
    return static_cast<HBITMAP>(AddObject(bitmap));
}

BOOL WINAPI GdiFlush() {
    return TRUE;
}
