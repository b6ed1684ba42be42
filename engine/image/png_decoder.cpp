// PNG pictures through libpng, fed from an image stream. Library errors come
// back through the jump target as a refusal; the library's messages go to
// the debugger output.
#include <png.h>
#include <windows.h>

#include <csetjmp>
#include <cstring>

#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {

// Everything the decode sets after the jump target is kept here, outside the
// function that calls setjmp, so it survives the jump.
struct PngDecodeState {
    ImageStream* stream;
    int64_t left;  // bytes of the stream not yet read
    png_structp png;
    png_infop info;
    uint8_t* pixels;
    png_bytep* rows;
};

void PngError(png_structp png, png_const_charp message) {
    OutputDebugStringA(message);
    OutputDebugStringA("\n");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp message) {
    OutputDebugStringA(message);
    OutputDebugStringA("\n");
}

void PngRead(png_structp png, png_bytep buffer, png_size_t length) {
    auto* state = static_cast<PngDecodeState*>(png_get_io_ptr(png));
    if (int64_t(length) > state->left || !StreamReadExact(state->stream, buffer, length)) {
        png_error(png, "Read Error");
    }
    state->left -= int64_t(length);
}

// Runs under the jump target; returns 0 with the record filled.
int DecodePng(PngDecodeState* s, BaseImage* image) {
    if (setjmp(png_jmpbuf(s->png))) return -1;

    png_set_read_fn(s->png, s, PngRead);
    png_set_sig_bytes(s->png, 0);
    // Sides beyond what the pixel limit could ever hold are refused by the
    // library before it allocates anything.
    png_set_user_limits(s->png, 1u << 20, 1u << 20);
    png_read_info(s->png, s->info);
    const png_uint_32 width = png_get_image_width(s->png, s->info);
    const png_uint_32 height = png_get_image_height(s->png, s->info);
    const int colorType = png_get_color_type(s->png, s->info);
    const int bitDepth = png_get_bit_depth(s->png, s->info);

    png_set_strip_16(s->png);
    png_set_packing(s->png);
    if ((colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) ||
        png_get_valid(s->png, s->info, PNG_INFO_tRNS)) {
        png_set_expand(s->png);
    }
    png_set_bgr(s->png);
    png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);

    const png_size_t rowBytes = png_get_rowbytes(s->png, s->info);
    const int channels = png_get_channels(s->png, s->info);
    const int outType = png_get_color_type(s->png, s->info);
    if (width == 0 || height == 0 || rowBytes == 0) return -1;
    if (int64_t(rowBytes) * height > kMaxImagePixelBytes) return -1;

    s->pixels = static_cast<uint8_t*>(IMAGE_ALLOC(int64_t(rowBytes) * height));
    s->rows = static_cast<png_bytep*>(IMAGE_ALLOC(int64_t(sizeof(png_bytep)) * height));
    if (!s->pixels || !s->rows) return -1;
    for (png_uint_32 y = 0; y < height; ++y) s->rows[y] = s->pixels + size_t(y) * rowBytes;
    png_read_image(s->png, s->rows);
    png_read_end(s->png, nullptr);

    ColorFormat& format = image->colorFormat;
    if (outType == PNG_COLOR_TYPE_PALETTE) {
        SetColorFormatPal8(&format);
        std::memset(format.palette, 0, sizeof format.palette);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(s->png, s->info, &palette, &count) && palette) {
            for (int i = 0; i < count && i < 256; ++i) {
                format.palette[i] =
                    PaletteEntry{palette[i].blue, palette[i].green, palette[i].red, 0};
            }
        }
    } else if (outType == PNG_COLOR_TYPE_GRAY || outType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (channels >= 2) {
            // Grey in the low byte for all three colours, alpha in the high byte.
            SetupColorFormat(&format, 16, 0xFF, 0xFF, 0xFF, 0xFF00, 0, 0, 0);
        } else {
            SetColorFormatGray8(&format);
        }
    } else if (channels == 4) {
        SetColorFormatA8R8G8B8(&format);
    } else {
        SetColorFormatR8G8B8(&format);
    }
    image->width = int32_t(width);
    image->height = int32_t(height);
    image->pitch = int32_t(rowBytes);
    image->pixels = s->pixels;
    image->mipMapCount = 0;
    s->pixels = nullptr;  // the record owns it now
    return 0;
}

}  // namespace

int LoadPngImage(ImageStream* stream, BaseImage* image) {
    PngDecodeState state{};
    state.stream = stream;
    state.left = StreamBytesLeft(stream);
    if (state.left < 0) return -1;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!state.png) return -1;
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        png_destroy_read_struct(&state.png, nullptr, nullptr);
        return -1;
    }
    int result = DecodePng(&state, image);
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    ImageFree(state.rows);
    ImageFree(state.pixels);
    return result;
}

}  // namespace DuRud
