// The vertex batch: every hardware draw writes its vertices into one of six
// static slots (screen or world space, no, one or two textures) and the
// slot is drawn with one DrawPrimitiveUP when it is full, when the format or
// primitive changes, before any device state changes and at the flip.
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace DuRud {

struct Vertex2D {
    float x, y, z, rhw;
    uint32_t diffuse;
};
struct Vertex2DTex {
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};
struct Vertex2DTex2 {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u0, v0;  // the blend graphic
    float u1, v1;  // the drawn graphic
};
struct Vertex3D {
    float x, y, z;
    uint32_t diffuse;
};
struct Vertex3DTex {
    float x, y, z;
    uint32_t diffuse;
    float u, v;
};

struct VertexSlot {
    int32_t maximum;  // vertices
    DWORD fvf;
    int32_t stride;  // bytes
};
constexpr int kVertexSlotCount = 6;  // dimension * 3 + kind
extern const VertexSlot kVertexSlots[kVertexSlotCount];

struct VertexBatch {
    uint8_t* buffers[kVertexSlotCount];
    int32_t dimension;  // 0 screen space, 1 world space
    int32_t kind;       // 0 plain, 1 one texture, 2 two textures
    int32_t pending;    // vertices written since the last draw
    D3DPRIMITIVETYPE primitive;
    uint8_t* cursor;
};

VertexBatch& GetVertexBatch();

// z 0 and rhw 1 in every screen-space vertex, specular white in the
// two-texture slot; the batch empty, kind 1. Graphics start-up calls it.
int PrefillVertexBatch();
// Draws what is pending first when the kind changes, then moves the cursor
// to the start of the kind's buffer.
int SetVertexBatchKind(int kind);
// Makes room for n screen-space triangle-list vertices; the write cursor.
void* ReserveVertices(int count);
// The n vertices written at the cursor join the batch.
int AppendVertices(int count);
// Primitives drawn from n vertices of the type (0 for an unknown type).
int PrimitiveCount(D3DPRIMITIVETYPE type, int n);
// Draws and empties the batch; 0, or -1 without a device (the vertices stay).
// With async set (a loader thread) the flush runs on the main thread.
int FlushVertexBatch(int async = 0);

}  // namespace DuRud
