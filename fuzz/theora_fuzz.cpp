// libFuzzer target over the Theora movie reader: a hostile Ogg file's pages
// and headers, its frame index and the decoding of a few frames, run
// synchronously (below the player's decoding thread) over the bytes in
// memory. Beyond "no crash": a taken movie has a picture within the reader's
// limits, at least one frame and no more frames than the file has bytes, and
// a frame past its end is refused.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "DuRud.h"
#include "sound/movie/theora_reader.h"

using namespace DuRud;

namespace {

struct {
    const uint8_t* data;
    size_t size, position;
} g_file;

size_t Read(void* buffer, size_t elementSize, size_t count, StreamHandle) {
    if (elementSize == 0) return 0;
    const size_t n = std::min(elementSize * count, g_file.size - g_file.position) / elementSize;
    std::memcpy(buffer, g_file.data + g_file.position, n * elementSize);
    g_file.position += n * elementSize;
    return n;
}

int Seek(StreamHandle, int32_t offset, int origin) {
    const int64_t base = origin == 0   ? 0
                         : origin == 1 ? int64_t(g_file.position)
                                       : int64_t(g_file.size);
    const int64_t to = base + offset;
    if (to < 0 || to > int64_t(g_file.size)) return -1;
    g_file.position = size_t(to);
    return 0;
}

int32_t Tell(StreamHandle) {
    return static_cast<int32_t>(g_file.position);
}

int Eof(StreamHandle) {
    return g_file.position >= g_file.size ? -1 : 0;
}

const StreamFunctionTable kMemory = {nullptr, nullptr, Tell, Seek, Read, Eof};

void Check(bool rule) {
    if (!rule) std::abort();
}

// The decoded picture of the frame the decoder holds fits the header's size.
void CheckPicture(TheoraReader* r) {
    yuv_buffer yuv{};
    if (theora_decode_YUVout(&r->decoder, &yuv) != 0) return;
    Check(yuv.y_width <= int(r->info.width) && yuv.y_height <= int(r->info.height));
    Check(yuv.uv_width <= yuv.y_width && yuv.uv_height <= yuv.y_height);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetLogOutput(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_file = {data, size, 0};
    TheoraReader reader;
    const char* message = nullptr;
    if (StartTheoraReader(&reader, &kMemory, 1, &message) == 0) {
        Check(reader.info.width <= kTheoraMaxSide && reader.info.height <= kTheoraMaxSide);
        Check(reader.frameCount > 0 && reader.frameCount <= int64_t(size));
        // The first frames in order, then the last (a jump back to its key frame).
        for (int64_t f = 0; f < std::min<int64_t>(reader.frameCount, 3); ++f)
            if (DecodeTheoraFrame(&reader, f)) CheckPicture(&reader);
        if (DecodeTheoraFrame(&reader, reader.frameCount - 1)) CheckPicture(&reader);
        Check(!DecodeTheoraFrame(&reader, reader.frameCount));
    }
    EndTheoraReader(&reader);
    return 0;
}
