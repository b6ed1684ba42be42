// Builds test pictures byte by byte (BMP, BGRA, TGA, DDS) or through the
// libpng/libjpeg writers, and the hostile corpus: malformed files that no
// decoder may accept. The decoder suite and the fuzz target share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace decodertest {

std::string Le16(uint32_t v);
std::string Le32(uint32_t v);

struct BmpSpec {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    int bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> colors;  // 0x00RRGGBB, written as blue, green, red, 0x77
    std::vector<uint32_t> masks;   // written right after a 40-byte header
    std::string data;
    int64_t dataOffset = -1;  // -1: right after the table
};
std::string MakeBmp(const BmpSpec& spec);
// A three-line run-length picture (8 or 4 bits) whose runs reach the padded
// line end: a run of 5s, an absolute group 0, 1, .. 15, 0, .., a delta to the pitch.
BmpSpec PaddedRleBmp(int bits, int32_t width, bool topDown);

std::string MakeBgra(uint32_t depthCode, uint32_t width, uint32_t height, const std::string& data);

struct TgaSpec {
    std::string id;
    int mapType = 0;
    int type = 2;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int xOrigin = 0;
    int yOrigin = 0;
    int width = 1;
    int height = 1;
    int pixelBits = 24;
    int descriptor = 0x20;  // top-down, left to right
    std::string colorMap;
    std::string data;
    bool footer = false;
};
std::string MakeTga(const TgaSpec& spec);

struct DdsSpec {
    uint32_t flags = 0x1007;  // caps, height, width, pixel format
    uint32_t height = 4;
    uint32_t width = 4;
    uint32_t pitch = 0;
    uint32_t mipMapCount = 0;
    uint32_t pixelFlags = 0x4;
    std::string fourCc = "DXT1";  // or 4 raw bytes
    uint32_t fourCcNumber = 0;    // used when fourCc is empty
    uint32_t bitCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t caps = 0x1000;
    std::string data;
};
std::string MakeDds(const DdsSpec& spec);

// PNG through libpng. rows are the bytes libpng expects for (colorType,
// bitDepth), top line first.
struct PngSpec {
    int width = 1;
    int height = 1;
    int colorType = 2;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::string> rows;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint8_t> transparency;
};
std::string EncodePng(const PngSpec& spec);

// JPEG through libjpeg: components 1 (grey), 3 (RGB) or 4 (CMYK); pixels in
// that layout, top line first.
std::string EncodeJpeg(int width, int height, int components, const std::string& pixels,
                       int quality = 90);
// libjpeg's own decode of a JPEG: R, G, B (or grey) per pixel; empty when it
// refuses the data.
std::string DecodeJpegReference(const std::string& bytes, int* width, int* height, int* components);

struct CorpusFile {
    std::string name;    // e.g. "bmp_header_cut_20"
    std::string format;  // the decoder that must refuse it: bmp, bgra, tga, dds, png, jpeg
    std::string bytes;
};
// Every hostile file.
std::vector<CorpusFile> HostileCorpus();
// A few valid pictures of every format (seeds for the fuzzer).
std::vector<CorpusFile> ValidCorpus();

}  // namespace decodertest
