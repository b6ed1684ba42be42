// Loader streams: the six-slot interface the image, sound and movie loaders
// read through, over the file-access table or over a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/file_access_table.h"

namespace DuRud {

struct StreamInterface {
    int32_t (*Tell)(StreamHandle stream);
    int (*Seek)(StreamHandle stream, int32_t offset, int origin);
    size_t (*Read)(void* buffer, size_t elementSize, size_t count, StreamHandle stream);
    int (*Eof)(StreamHandle stream);  // non-zero at the end (files -1, memory 1)
    int (*IdleCheck)(StreamHandle stream);
    int (*Close)(StreamHandle stream);
};

// A block of memory read like a file; it does not own the data.
struct MemoryImageStream {
    const void* data;
    uint32_t size;
    uint32_t position;
    int32_t eof;
};

// A stream at position 0 over size bytes of data (handle = the record's
// address), or 0 when memory runs out.
StreamHandle OpenMemoryImageStream(const void* data, uint32_t size);
int CloseMemoryImageStream(StreamHandle stream);  // 0, or -1 for an unknown stream

// Over the current file-access table (Close: table slot 1).
const StreamInterface* GetFileStreamInterface();
// Over a stream from OpenMemoryImageStream (Close frees it).
const StreamInterface* GetMemoryImageStreamInterface();

}  // namespace DuRud
