// Test pictures and the hostile corpus, all made here from bytes or through
// the libpng/libjpeg writers.
#include "picture_corpus.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace decodertest {

std::string Le16(uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)};
}

std::string Le32(uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

namespace {

std::string Be32(uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF),
                       char(v & 0xFF)};
}

std::string Repeat(int n, char c) {
    return std::string(size_t(n), c);
}

}  // namespace

std::string MakeBmp(const BmpSpec& s) {
    std::string info = Le32(s.headerSize) + Le32(uint32_t(s.width)) + Le32(uint32_t(s.height)) +
                       Le16(1) + Le16(uint32_t(s.bits)) + Le32(s.compression) + Le32(0) +
                       Le32(2835) + Le32(2835) + Le32(s.colorsUsed) + Le32(0);
    if (s.headerSize > 40) info += std::string(s.headerSize - 40, '\0');
    if (s.headerSize < 40) info.resize(s.headerSize);
    std::string tail;
    for (uint32_t m : s.masks) tail += Le32(m);
    for (uint32_t c : s.colors) {
        tail += std::string{char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), 0x77};
    }
    uint32_t offset = uint32_t(14 + info.size() + tail.size());
    if (s.dataOffset >= 0) offset = uint32_t(s.dataOffset);
    std::string file = "BM" + Le32(uint32_t(14 + info.size() + tail.size() + s.data.size())) +
                       Le32(0) + Le32(offset);
    return file + info + tail + s.data;
}

std::string MakeBgra(uint32_t depthCode, uint32_t width, uint32_t height, const std::string& data) {
    return "BGRA" + Le32(depthCode) + Le32(width) + Le32(height) + data;
}

std::string MakeTga(const TgaSpec& s) {
    std::string h;
    h += char(s.id.size());
    h += char(s.mapType);
    h += char(s.type);
    h += Le16(uint32_t(s.mapFirst)) + Le16(uint32_t(s.mapLength));
    h += char(s.mapEntryBits);
    h += Le16(uint32_t(s.xOrigin)) + Le16(uint32_t(s.yOrigin));
    h += Le16(uint32_t(s.width)) + Le16(uint32_t(s.height));
    h += char(s.pixelBits);
    h += char(s.descriptor);
    std::string file = h + s.id + s.colorMap + s.data;
    if (s.footer) file += Le32(0) + Le32(0) + "TRUEVISION-XFILE" + std::string(".\0", 2);
    return file;
}

std::string MakeDds(const DdsSpec& s) {
    std::string h = "DDS " + Le32(124) + Le32(s.flags) + Le32(s.height) + Le32(s.width) +
                    Le32(s.pitch) + Le32(0) + Le32(s.mipMapCount) + std::string(44, '\0');
    // Pixel format at 76.
    h += Le32(32) + Le32(s.pixelFlags);
    h += s.fourCc.empty() ? Le32(s.fourCcNumber) : s.fourCc.substr(0, 4);
    h += Le32(s.bitCount);
    for (uint32_t m : s.masks) h += Le32(m);
    h += Le32(s.caps) + std::string(16, '\0');
    return h + s.data;
}

namespace {

void PngAppend(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}
void PngFlush(png_structp) {}

}  // namespace

std::string EncodePng(const PngSpec& s) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_color> palette;
    for (uint32_t c : s.palette) {
        palette.push_back(png_color{png_byte(c >> 16), png_byte(c >> 8), png_byte(c)});
    }
    std::vector<png_bytep> rows;
    for (const std::string& r : s.rows) {
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngAppend, PngFlush);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!s.transparency.empty()) {
        png_set_tRNS(png, info, const_cast<png_bytep>(s.transparency.data()),
                     int(s.transparency.size()), nullptr);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodeJpeg(int width, int height, int components, const std::string& pixels,
                       int quality) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(pixels.data()) +
                                                  size_t(c.next_scanline) * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<char*>(buffer), size);
    free(buffer);
    return out;
}

namespace {

struct ReferenceError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void ReferenceErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<ReferenceError*>(cinfo->err)->jump, 1);
}
void ReferenceMessage(j_common_ptr) {}

bool ReferenceDecode(jpeg_decompress_struct* d, const std::string* bytes, std::string* out,
                     int* width, int* height, int* components) {
    jpeg_mem_src(d, reinterpret_cast<const unsigned char*>(bytes->data()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(d, TRUE);
    jpeg_start_decompress(d);
    *width = int(d->output_width);
    *height = int(d->output_height);
    *components = d->output_components;
    out->assign(size_t(*width) * *height * *components, '\0');
    while (d->output_scanline < d->output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out->data() + size_t(d->output_scanline) *
                                                                    *width * *components);
        jpeg_read_scanlines(d, &row, 1);
    }
    jpeg_finish_decompress(d);
    return true;
}

}  // namespace

std::string DecodeJpegReference(const std::string& bytes, int* width, int* height,
                                int* components) {
    jpeg_decompress_struct d{};
    ReferenceError err{};
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ReferenceErrorExit;
    err.pub.output_message = ReferenceMessage;
    auto* out = new std::string;
    std::string result;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&d);
        ReferenceDecode(&d, &bytes, out, width, height, components);
        result = *out;
    }
    jpeg_destroy_decompress(&d);
    delete out;
    return result;
}

namespace {

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string body = type + data;
    uint32_t crc =
        uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    return Be32(uint32_t(data.size())) + body + Be32(crc);
}

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

std::string PngIhdr(uint32_t width, uint32_t height, int depth, int type) {
    return Be32(width) + Be32(height) + char(depth) + char(type) + std::string(3, '\0');
}

// A small valid RGB PNG drawn by libpng.
std::string SmallPng() {
    PngSpec s;
    s.width = 2;
    s.height = 2;
    s.rows = {std::string("\x10\x20\x30\x40\x50\x60", 6),
              std::string("\x70\x80\x90\xA0\xB0\xC0", 6)};
    return EncodePng(s);
}

// The offset of the first SOF0 marker's precision byte.
size_t FindSof(const std::string& jpeg) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i) {
        if (uint8_t(jpeg[i]) == 0xFF && uint8_t(jpeg[i + 1]) == 0xC0) return i + 4;
    }
    return 0;
}

std::string SmallJpeg() {
    std::string pixels;
    for (int i = 0; i < 8 * 8; ++i) pixels += std::string{char(i * 4), char(255 - i * 4), char(i)};
    return EncodeJpeg(8, 8, 3, pixels);
}

std::string PatchSof(std::string jpeg, int precision, uint32_t height, uint32_t width) {
    size_t p = FindSof(jpeg);
    jpeg[p] = char(precision);
    jpeg[p + 1] = char(height >> 8);
    jpeg[p + 2] = char(height & 0xFF);
    jpeg[p + 3] = char(width >> 8);
    jpeg[p + 4] = char(width & 0xFF);
    return jpeg;
}

BmpSpec Bmp24(int32_t width, int32_t height) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.bits = 24;
    int64_t line = (int64_t(width < 0 ? 0 : width) * 3 + 3) & ~3;
    int64_t lines = height < 0 ? -int64_t(height) : height;
    if (line * lines < 4096) s.data = std::string(size_t(line * lines), '\x5A');
    return s;
}

BmpSpec Rle(int bits, const std::string& data, int32_t width = 4) {
    BmpSpec s;
    s.width = width;
    s.height = 2;
    s.bits = bits;
    s.compression = bits == 8 ? 1 : 2;
    for (int i = 0; i < (1 << bits); ++i) s.colors.push_back(uint32_t(i * 0x010101));
    s.data = data;
    return s;
}

}  // namespace

BmpSpec PaddedRleBmp(int bits, int32_t width, bool topDown) {
    // As common encoders write them: every coded line reaches the pitch.
    const int pitch = (width + 3) & ~3;
    std::string d;
    d += char(pitch) + std::string(1, bits == 8 ? 0x05 : 0x55) + std::string("\0\0", 2);  // 5s
    d += std::string("\0", 1) + char(pitch);  // absolute 0,1,..15,0,..
    for (int i = 0; i < pitch; i += bits == 8 ? 1 : 2) {
        d += bits == 8 ? char(i % 16) : char((i % 16) << 4 | (i + 1) % 16);
    }
    d += std::string("\0\0", 2);
    d += std::string("\0\2", 2) + char(pitch) + std::string("\0", 1);  // delta to the pitch
    d += std::string("\0\0\0\1", 4);
    BmpSpec s = Rle(bits, d, width);
    s.height = topDown ? -3 : 3;
    return s;
}

std::vector<CorpusFile> HostileCorpus() {
    std::vector<CorpusFile> c;
    auto add = [&](const std::string& name, const std::string& format, const std::string& bytes) {
        c.push_back(CorpusFile{name, format, bytes});
    };

    // BMP.
    std::string good = MakeBmp(Bmp24(2, 2));
    add("bmp_header_cut_20", "bmp", good.substr(0, 20));
    add("bmp_header_cut_50", "bmp", good.substr(0, 50));
    add("bmp_width_0", "bmp", MakeBmp(Bmp24(0, 2)));
    add("bmp_width_minus_5", "bmp", MakeBmp(Bmp24(-5, 2)));
    add("bmp_height_0", "bmp", MakeBmp(Bmp24(2, 0)));
    add("bmp_height_int_min", "bmp", MakeBmp(Bmp24(2, INT_MIN)));
    add("bmp_2p30_square", "bmp", MakeBmp(Bmp24(1 << 30, 1 << 30)));
    {
        BmpSpec s = Bmp24(2, 2);
        s.dataOffset = 1000;
        add("bmp_offset_past_end", "bmp", MakeBmp(s));
        s = Bmp24(2, 3);
        s.data.resize(s.data.size() - 8);
        add("bmp_data_one_line_short", "bmp", MakeBmp(s));
        s = BmpSpec{};
        s.bits = 8;
        for (int i = 0; i < 10; ++i) s.colors.push_back(0x102030);
        add("bmp_color_table_cut", "bmp", MakeBmp(s));
        s = Bmp24(2, 2);
        s.compression = 1;
        add("bmp_rle8_with_24_bits", "bmp", MakeBmp(s));
        s.compression = 3;
        s.masks = {0xFF0000, 0xFF00, 0xFF};
        add("bmp_bitfields_with_24_bits", "bmp", MakeBmp(s));
        s = Bmp24(2, 2);
        s.headerSize = 12;
        add("bmp_header_size_12", "bmp", MakeBmp(s));
    }
    // Found by the fuzzer: width x 3 x lines overflowed the size check.
    add("bmp_width_times_lines_overflow", "bmp",
        std::string("\x42\x4d\x7e\x00\x00\x00\x00\x00\x00\x00\x76\x00\x00\x00\x28\x00"
                    "\x00\x00\x04\xa1\xa1\x77\xa2\xa2\xa2\x77\xa3\x49\x01\x00\x00\x00"
                    "\x00\x00\x00\x00\x25\x00\x13\x09\x00\x28\x13\x0b\x00\x00\x00\x00"
                    "\x00\x01\x00\x04\x00\x02\xff\xfd\x00\x00\x00\x25\x13\x0b\x00\x00"
                    "\x13\x0b\x00\x00\x00\x00\x00\xfe\xff\xff\x01\x08\x00\x00\x00\x25"
                    "\x00\x00\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x00\x00\x00"
                    "\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x77\x08\x08\x08\x77"
                    "\x09\x09\x09\x77\x0a\x0a\x03\x00\x02\x01\x02\xe2\x01\x00\x01",
                    127));
    const std::string eol("\0\0", 2), eob("\0\1", 2);
    for (int bits : {8, 4}) {
        std::string tag = bits == 8 ? "bmp_rle8_" : "bmp_rle4_";
        add(tag + "run_past_line_end", "bmp", MakeBmp(Rle(bits, std::string("\x05\x01", 2) + eob)));
        add(tag + "delta_below_last_line", "bmp",
            MakeBmp(Rle(bits, std::string("\0\2\1\2", 4) + std::string("\x01\x01", 2) + eob)));
        add(tag + "absolute_past_data", "bmp", MakeBmp(Rle(bits, std::string("\0\4\1", 3))));
        add(tag + "no_end_code", "bmp",
            MakeBmp(Rle(bits, std::string("\x04\x01", 2) + eol + std::string("\x04\x02", 2))));
        // Width 37: the pitch is 40, so a run of 41 or a delta to column 41 passes it.
        add(tag + "run_past_pitch", "bmp",
            MakeBmp(Rle(bits, std::string("\x29\x01", 2) + eob, 37)));
        add(tag + "delta_past_pitch", "bmp",
            MakeBmp(Rle(bits, std::string("\0\2\x29\0", 4) + eob, 37)));
    }

    // BGRA.
    add("bgra_size_past_2p32", "bgra",
        MakeBgra(0x08080808, 0x10000, 0x10000, std::string(8, '\0')));
    add("bgra_65535_square_in_20_bytes", "bgra", MakeBgra(0x08080808, 65535, 65535, Le32(0)));
    add("bgra_16bit_cut_mid_line", "bgra", MakeBgra(0x10101010, 2, 1, std::string(12, '\1')));
    add("bgra_width_0", "bgra", MakeBgra(0x08080808, 0, 1, std::string(4, '\1')));
    add("bgra_size_wraps_to_zero", "bgra", MakeBgra(0x08080808, 1u << 31, 1u << 31, ""));

    // TGA.
    {
        TgaSpec t;
        t.type = 1;
        t.mapType = 1;
        t.mapFirst = 200;
        t.mapLength = 100;
        t.mapEntryBits = 24;
        t.pixelBits = 8;
        t.colorMap = std::string(300, '\x11');
        t.data = std::string(1, '\0');
        add("tga_color_map_past_256", "tga", MakeTga(t));
        t.mapFirst = 0;
        t.mapLength = 2;
        t.mapEntryBits = 15;
        t.colorMap = std::string(4, '\x11');
        add("tga_entry_size_15", "tga", MakeTga(t));
        t = TgaSpec{};
        t.type = 10;
        t.width = 2;
        t.height = 1;
        t.data = std::string("\x82\x01\x02\x03", 4);  // 3 pixels for 2
        add("tga_rle_packet_past_count", "tga", MakeTga(t));
        t.data = std::string("\x01\x01\x02\x03", 4);  // 2 pixels promised, 1 there
        add("tga_rle_cut_short", "tga", MakeTga(t));
        t.type = 2;
        t.data = std::string(5, '\x01');
        add("tga_plain_cut_short", "tga", MakeTga(t));
        t = TgaSpec{};
        add("tga_10_bytes", "tga", MakeTga(t).substr(0, 10));
        t.type = 3;
        t.pixelBits = 8;
        t.data = std::string(1, '\x01');
        add("tga_type_3", "tga", MakeTga(t));
    }

    // DDS.
    {
        DdsSpec d;
        d.flags |= 0x20000;
        d.caps |= 0x400008;
        d.mipMapCount = 0xFFFFFFFF;
        d.data = std::string(64, '\0');
        add("dds_mips_all_ones", "dds", MakeDds(d));
        d.width = d.height = 16;
        d.mipMapCount = 40;
        d.data = std::string(4096, '\0');
        add("dds_mips_40_at_16", "dds", MakeDds(d));
        d = DdsSpec{};
        d.width = d.height = 65535;
        d.data = std::string(72, '\0');
        add("dds_65535_square_in_200_bytes", "dds", MakeDds(d));
        d = DdsSpec{};
        d.flags |= 0x8;
        d.pitch = 8;
        d.pixelFlags = 0x40;
        d.fourCc.clear();
        d.bitCount = 32;
        d.masks[0] = 0xFF0000;
        d.masks[1] = 0xFF00;
        d.masks[2] = 0xFF;
        d.data = std::string(64, '\0');
        add("dds_pitch_below_width", "dds", MakeDds(d));
        d.flags &= ~0x8u;
        for (uint32_t bits : {0u, 12u, 48u}) {
            d.bitCount = bits;
            add("dds_rgb_bits_" + std::to_string(bits), "dds", MakeDds(d));
        }
        d.bitCount = 32;
        d.masks[0] = d.masks[1] = d.masks[2] = 0;
        add("dds_masks_all_zero", "dds", MakeDds(d));
        d.bitCount = 16;
        d.masks[0] = 0xFF0000;
        d.masks[1] = 0xFF00;
        d.masks[2] = 0xFF;
        add("dds_masks_beyond_bits", "dds", MakeDds(d));
        d = DdsSpec{};
        d.fourCc = "DXT5";
        d.width = d.height = 8;
        d.data = std::string(40, '\0');
        add("dds_dxt_cut_short", "dds", MakeDds(d));
    }

    // PNG.
    {
        std::string png = SmallPng();
        add("png_cut_after_ihdr", "png", png.substr(0, 8 + 25));
        std::string badCrc = png;
        badCrc[8 + 8 + 13] ^= 0x55;
        add("png_bad_ihdr_crc", "png", badCrc);
        std::string idat = PngChunk("IDAT", std::string("\x78\x9C\xFF\xFF\x00\x13garbage", 13));
        std::string iend = PngChunk("IEND", "");
        add("png_width_0", "png",
            kPngSignature + PngChunk("IHDR", PngIhdr(0, 2, 8, 2)) + idat + iend);
        add("png_width_2p31_minus_1", "png",
            kPngSignature + PngChunk("IHDR", PngIhdr(0x7FFFFFFF, 1, 8, 2)) + idat + iend);
        add("png_garbage_zlib", "png",
            kPngSignature + PngChunk("IHDR", PngIhdr(2, 2, 8, 2)) + idat + iend);
        add("png_missing_iend", "png", png.substr(0, png.size() - 12));
    }

    // JPEG.
    {
        std::string jpeg = SmallJpeg();
        add("jpeg_soi_only", "jpeg", std::string("\xFF\xD8", 2));
        add("jpeg_sof_width_0", "jpeg", PatchSof(jpeg, 8, 8, 0));
        add("jpeg_65500_square", "jpeg", PatchSof(jpeg, 8, 65500, 65500));
        add("jpeg_12_bit", "jpeg", PatchSof(jpeg, 12, 8, 8));
    }
    return c;
}

std::vector<CorpusFile> ValidCorpus() {
    std::vector<CorpusFile> c;
    BmpSpec b = Bmp24(3, 2);
    c.push_back({"bmp_24", "bmp", MakeBmp(b)});
    c.push_back(
        {"bmp_rle8", "bmp", MakeBmp(Rle(8, std::string("\x02\x01\0\0\0\3\1\2\3\0\0\1", 12)))});
    c.push_back({"bmp_rle8_padded_37", "bmp", MakeBmp(PaddedRleBmp(8, 37, false))});
    c.push_back({"bmp_rle4_padded_3", "bmp", MakeBmp(PaddedRleBmp(4, 3, true))});
    c.push_back({"bgra_16", "bgra", MakeBgra(0x10101010, 1, 1, std::string(8, '\x42'))});
    TgaSpec t;
    t.type = 10;
    t.width = 3;
    t.data = std::string("\x82\x01\x02\x03", 4);
    t.footer = true;
    c.push_back({"tga_rle", "tga", MakeTga(t)});
    DdsSpec d;
    d.data = std::string(8, '\x33');
    c.push_back({"dds_dxt1", "dds", MakeDds(d)});
    c.push_back({"png_rgb", "png", SmallPng()});
    c.push_back({"jpeg_rgb", "jpeg", SmallJpeg()});
    (void)Repeat;
    return c;
}

}  // namespace decodertest
