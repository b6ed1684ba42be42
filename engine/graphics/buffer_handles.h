// Vertex-buffer and index-buffer handles (types 15 and 16): a kept copy of
// the elements in memory and the device buffer made from it, released on
// device loss and made again after the rebuild. Nothing draws from them.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"

namespace DuRud {

constexpr int kMaxBuffers = 16384;
constexpr DWORD kBufferVertexFormat = 0x2D2;  // XYZ | NORMAL | DIFFUSE | SPECULAR | TEX2

struct BufferRecord {
    HandleHeader header;
    int32_t elementSize;  // bytes
    int32_t elementCount;
    uint8_t* elements;           // tracked, elementSize x elementCount bytes
    IDirect3DResource9* buffer;  // the device's copy; may be null
};

int RegisterBufferHandleTypes();  // graphics start-up: types 15 and 16
BufferRecord* BufferFromHandle(Handle handle, int allowPending);
// Gives a new buffer handle of either type its elements (zeroed; index
// buffers hold 16-bit indices) and, where the device keeps buffers, its
// device buffer. 0 or -1.
int SetUpBufferHandle(Handle handle, int elementSize, int elementCount);
int ReleaseBufferObject(BufferRecord* record);  // 0

// Device rebuild: the device buffers where the device keeps them (mixed
// vertex processing or vertex shader 2.0), refilled from the kept copies. 0.
int ReleaseAllBufferObjects();
int RecreateAllBufferObjects();

}  // namespace DuRud
