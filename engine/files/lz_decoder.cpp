// The LZ decoder of packed data. The input is untrusted: every token is
// checked against the body's end and the output written so far.
#include "files/archive_format.h"

namespace DuRud {

int ReadPackedDataHead(const void* packed, size_t length, PackedDataHead* head) {
    if (!packed || !head || length < kPackedHeadSize) return -1;
    const auto* p = static_cast<const unsigned char*>(packed);
    head->unpackedSize = LoadU32(p);
    head->packedSize = LoadU32(p + 4);
    head->escape = p[8];
    if (head->packedSize < kPackedHeadSize || head->packedSize > length) return -1;
    return 0;
}

int64_t ArchiveDecompress(const void* packed, size_t packedLength, void* out, size_t capacity) {
    PackedDataHead head;
    if (ReadPackedDataHead(packed, packedLength, &head) != 0) return -1;
    const uint32_t size = head.unpackedSize;
    const uint64_t bodyLength = head.packedSize - kPackedHeadSize;
    // More output than any body of this length can give is not a stream.
    if (static_cast<uint64_t>(size) > bodyLength * kLzMaxExpansion) return -1;
    if (!out) return size;
    if (capacity < size) return -1;

    const auto* in = static_cast<const unsigned char*>(packed) + kPackedHeadSize;
    const unsigned char* const end = in + bodyLength;
    auto* dst = static_cast<unsigned char*>(out);
    size_t pos = 0;
    const unsigned char esc = head.escape;
    while (in < end) {
        if (*in != esc) {
            // A run of literals up to the next escape byte, copied whole:
            // packed pictures and sounds are mostly literals.
            const auto* stop = static_cast<const unsigned char*>(
                std::memchr(in, esc, static_cast<size_t>(end - in)));
            if (!stop) stop = end;
            const size_t run = static_cast<size_t>(stop - in);
            if (run > size - pos) return -1;
            std::memcpy(dst + pos, in, run);
            pos += run;
            in = stop;
            continue;
        }
        ++in;
        if (in == end) return -1;
        unsigned c = *in++;
        if (c == esc) {
            if (pos >= size) return -1;
            dst[pos++] = esc;
            continue;
        }
        if (c > esc) c -= 1;
        uint32_t length = c >> 3;
        if (c & 4) {
            if (in == end) return -1;
            length |= static_cast<uint32_t>(*in++) << 5;
        }
        length += kLzMinMatch;
        uint32_t distance;
        switch (c & 3) {
            case 0:
                if (end - in < 1) return -1;
                distance = in[0];
                in += 1;
                break;
            case 1:
                if (end - in < 2) return -1;
                distance = LoadU16(in);
                in += 2;
                break;
            case 2:
                if (end - in < 3) return -1;
                distance = LoadU16(in) | (static_cast<uint32_t>(in[2]) << 16);
                in += 3;
                break;
            default:
                return -1;
        }
        const size_t back = static_cast<size_t>(distance) + 1;
        if (back > pos || length > size - pos) return -1;
        // Forward copy in chunks that never read bytes not yet written: an
        // overlapping reference repeats its last `back` bytes, as a
        // byte-by-byte copy would, and each chunk doubles the next.
        unsigned char* d = dst + pos;
        const unsigned char* s = d - back;
        size_t left = length;
        size_t chunk = back;
        while (left > 0) {
            const size_t n = left < chunk ? left : chunk;
            std::memcpy(d, s, n);
            d += n;
            left -= n;
            chunk += n;
        }
        pos += length;
    }
    if (pos != size) return -1;
    return size;
}

}  // namespace DuRud
