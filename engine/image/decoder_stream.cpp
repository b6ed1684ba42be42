// Exact reads and measuring over an image stream.
#include "image/decoder_stream.h"

#include <limits>

namespace DuRud {

int64_t StreamBytesLeft(ImageStream* stream) {
    int32_t here = stream->Tell(stream->handle);
    if (here < 0) return -1;
    if (stream->Seek(stream->handle, 0, 2) != 0) return -1;
    int32_t end = stream->Tell(stream->handle);
    if (stream->Seek(stream->handle, here, 0) != 0) return -1;
    if (end < here) return -1;
    return int64_t{end} - here;
}

bool StreamReadExact(ImageStream* stream, void* buffer, size_t size) {
    if (size == 0) return true;
    return stream->Read(buffer, 1, size, stream->handle) == size;
}

bool StreamSeekTo(ImageStream* stream, int64_t position) {
    if (position < 0 || position > std::numeric_limits<int32_t>::max()) return false;
    if (stream->Seek(stream->handle, static_cast<int32_t>(position), 0) != 0) return false;
    return stream->Tell(stream->handle) == position;
}

}  // namespace DuRud
