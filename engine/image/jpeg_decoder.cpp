// JPEG pictures through libjpeg, fed from an image stream through the
// engine's source manager. Library errors come back through the jump target
// as a refusal; the library's messages go to the debugger output.
#include <windows.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "image/decoder_stream.h"
#include "image/image_memory.h"

namespace DuRud {

namespace {

constexpr size_t kInputBufferSize = 4096;
constexpr JDIMENSION kLinesPerRead = 16;  // at least a colour-subsampled row group

struct JpegSource {
    jpeg_source_mgr pub;
    JOCTET buffer[kInputBufferSize];
    int startOfFile;
    ImageStream* stream;
    int64_t left;  // bytes of the stream not yet read
};

struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

// Everything the decode sets after the jump target lives here.
struct JpegDecodeState {
    jpeg_decompress_struct info;
    JpegError error;
    JpegSource source;
    uint8_t* pixels;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = 1;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
    size_t want = src->left < int64_t(kInputBufferSize) ? size_t(src->left) : kInputBufferSize;
    size_t got = want ? src->stream->Read(src->buffer, 1, want, src->stream->handle) : 0;
    if (got > want) got = 0;
    if (got == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // Cut short: finish the picture with the end-of-image code.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kEndOfImage;
        src->pub.bytes_in_buffer = 2;
        src->left = 0;
        return TRUE;
    }
    src->left -= int64_t(got);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = 0;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* src = cinfo->src;
    while (count > long(src->bytes_in_buffer)) {
        count -= long(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void OutputMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX + 2];
    (*cinfo->err->format_message)(cinfo, text);
    std::strcat(text, "\n");
    OutputDebugStringA(text);
}

// Runs under the jump target; returns 0 with the record filled.
int DecodeJpeg(JpegDecodeState* s, BaseImage* image) {
    if (setjmp(s->error.jump)) return -1;
    j_decompress_ptr cinfo = &s->info;
    jpeg_create_decompress(cinfo);
    cinfo->src = &s->source.pub;
    s->source.pub.init_source = InitSource;
    s->source.pub.fill_input_buffer = FillInputBuffer;
    s->source.pub.skip_input_data = SkipInputData;
    s->source.pub.resync_to_restart = jpeg_resync_to_restart;
    s->source.pub.term_source = TermSource;
    s->source.pub.bytes_in_buffer = 0;
    s->source.pub.next_input_byte = nullptr;

    jpeg_read_header(cinfo, TRUE);
    // One grey or three colour components only.
    if (cinfo->num_components == 1) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    } else if (cinfo->num_components == 3 &&
               (cinfo->jpeg_color_space == JCS_YCbCr || cinfo->jpeg_color_space == JCS_RGB)) {
        // The library writes blue, green, red itself: no pass to swap them.
        cinfo->out_color_space = JCS_EXT_BGR;
    } else {
        return -1;
    }
    jpeg_calc_output_dimensions(cinfo);
    const int components = cinfo->output_components;
    const int64_t rowSize = int64_t{cinfo->output_width} * components;
    if (components != 1 && components != 3) return -1;
    if (rowSize == 0 || rowSize * cinfo->output_height > kMaxImagePixelBytes) return -1;

    jpeg_start_decompress(cinfo);
    s->pixels = static_cast<uint8_t*>(IMAGE_ALLOC(rowSize * cinfo->output_height));
    if (!s->pixels) return -1;
    // Lines are decoded straight into the record, as many a call as the
    // library gives (its own row group), without a copy.
    JSAMPROW rows[kLinesPerRead];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION want = std::min<JDIMENSION>(kLinesPerRead, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < want; ++i) rows[i] = s->pixels + rowSize * (first + i);
        if (jpeg_read_scanlines(cinfo, rows, want) < 1) return -1;
    }
    jpeg_finish_decompress(cinfo);

    if (components == 3) {
        SetColorFormatR8G8B8(&image->colorFormat);
    } else {
        SetColorFormatGray8(&image->colorFormat);
    }
    image->width = int32_t(cinfo->output_width);
    image->height = int32_t(cinfo->output_height);
    image->pitch = int32_t(rowSize);
    image->pixels = s->pixels;
    image->mipMapCount = 0;
    s->pixels = nullptr;  // the record owns it now
    return 0;
}

}  // namespace

int LoadJpegImage(ImageStream* stream, BaseImage* image) {
    auto* state = static_cast<JpegDecodeState*>(IMAGE_ALLOC(sizeof(JpegDecodeState)));
    if (!state) return -1;
    std::memset(state, 0, sizeof *state);
    state->source.stream = stream;
    state->source.left = StreamBytesLeft(stream);
    int result = -1;
    if (state->source.left >= 0) {
        state->info.err = jpeg_std_error(&state->error.pub);
        state->error.pub.error_exit = ErrorExit;
        state->error.pub.output_message = OutputMessage;
        result = DecodeJpeg(state, image);
        jpeg_destroy_decompress(&state->info);
    }
    ImageFree(state->pixels);
    ImageFree(state);
    return result;
}

}  // namespace DuRud
