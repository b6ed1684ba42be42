// Formats and small records shared by the image tests.
#pragma once

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "image/image_record.h"

namespace imagetest {

inline DuRud::ColorFormat Format(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    DuRud::ColorFormat f;
    DuRud::SetupColorFormat(&f, bits, r, g, b, a, 0, 0, 0);
    return f;
}
inline DuRud::ColorFormat R5G6B5() {
    return Format(16, 0xF800, 0x7E0, 0x1F, 0);
}
inline DuRud::ColorFormat X1R5G5B5() {
    return Format(16, 0x7C00, 0x3E0, 0x1F, 0);
}
inline DuRud::ColorFormat A1R5G5B5() {
    return Format(16, 0x7C00, 0x3E0, 0x1F, 0x8000);
}
inline DuRud::ColorFormat A4R4G4B4() {
    return Format(16, 0xF00, 0xF0, 0xF, 0xF000);
}
inline DuRud::ColorFormat X8R8G8B8() {
    DuRud::ColorFormat f{};
    DuRud::SetColorFormatX8R8G8B8(&f);
    return f;
}
inline DuRud::ColorFormat A8R8G8B8() {
    DuRud::ColorFormat f{};
    DuRud::SetColorFormatA8R8G8B8(&f);
    return f;
}
inline DuRud::ColorFormat R8G8B8() {
    DuRud::ColorFormat f{};
    DuRud::SetColorFormatR8G8B8(&f);
    return f;
}
inline DuRud::ColorFormat Gray8() {
    DuRud::ColorFormat f{};
    DuRud::SetColorFormatGray8(&f);
    return f;
}

// A format's layout in one line: bytes/bits, then width@shift of red, green,
// blue, alpha and the unused bits with the unused mask.
inline std::string Layout(const DuRud::ColorFormat& f) {
    std::ostringstream o;
    o << int(f.bytesPerPixel) << "/" << int(f.bitsPerPixel) << " r" << int(f.redWidth) << "@"
      << int(f.redShift) << " g" << int(f.greenWidth) << "@" << int(f.greenShift) << " b"
      << int(f.blueWidth) << "@" << int(f.blueShift) << " a" << int(f.alphaWidth) << "@"
      << int(f.alphaShift) << " x" << int(f.unusedWidth) << "@" << int(f.unusedShift) << " "
      << std::hex << f.unusedMask;
    return o.str();
}

inline uint16_t Get16(const std::vector<uint8_t>& b, size_t i) {
    return uint16_t(b[2 * i] | b[2 * i + 1] << 8);
}
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t i) {
    uint32_t v;
    std::memcpy(&v, &b[4 * i], 4);
    return v;
}
inline void Put16(std::vector<uint8_t>& b, size_t i, uint16_t v) {
    b[2 * i] = uint8_t(v);
    b[2 * i + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t i, uint32_t v) {
    std::memcpy(&b[4 * i], &v, 4);
}

// Little-endian pixel bytes from values, and values read back, so a row is
// built and compared in one line.
inline std::vector<uint8_t> Of16(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> b(2 * values.size());
    size_t i = 0;
    for (uint16_t v : values) Put16(b, i++, v);
    return b;
}
inline std::vector<uint8_t> Of32(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> b(4 * values.size());
    size_t i = 0;
    for (uint32_t v : values) Put32(b, i++, v);
    return b;
}
inline std::vector<uint16_t> Words16(const std::vector<uint8_t>& b, size_t n) {
    std::vector<uint16_t> out;
    for (size_t i = 0; i < n; ++i) out.push_back(Get16(b, i));
    return out;
}
inline std::vector<uint32_t> Words32(const std::vector<uint8_t>& b, size_t n) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < n; ++i) out.push_back(Get32(b, i));
    return out;
}
using W16 = std::vector<uint16_t>;
using W32 = std::vector<uint32_t>;

}  // namespace imagetest
