// The vertex batch's static buffers, reserve, append and flush.
#include "graphics/vertex_batch.h"

#include "DuRud.h"
#include "core/async_loading.h"
#include "graphics/device_layer.h"
#include "graphics/render_state_cache.h"
#include "graphics/scene_bracket.h"

namespace DuRud {

const VertexSlot kVertexSlots[kVertexSlotCount] = {
    {3225, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, sizeof(Vertex2D)},
    {2340, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, sizeof(Vertex2DTex)},
    {1638, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2, sizeof(Vertex2DTex2)},
    {4096, D3DFVF_XYZ | D3DFVF_DIFFUSE, sizeof(Vertex3D)},
    {2730, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, sizeof(Vertex3DTex)},
    {0, 0, 0},
};

namespace {

// Each slot stays within 64 KiB; slots 3 and 4 share one array.
alignas(16) uint8_t g_plain[3225 * sizeof(Vertex2D)];
alignas(16) uint8_t g_textured[2340 * sizeof(Vertex2DTex)];
alignas(16) uint8_t g_twoTextures[1638 * sizeof(Vertex2DTex2)];
alignas(16) uint8_t g_world[65536];

static_assert(sizeof(Vertex2D) == 20 && sizeof(Vertex2DTex) == 28 && sizeof(Vertex2DTex2) == 40 &&
              sizeof(Vertex3D) == 16 && sizeof(Vertex3DTex) == 24);
static_assert(sizeof g_plain == 64500 && sizeof g_textured == 65520 &&
              sizeof g_twoTextures == 65520);

int Slot() {
    const VertexBatch& b = GetVertexBatch();
    return b.dimension * 3 + b.kind;
}

// SetFVF only on a change of format, then one draw of what is pending.
void DrawPending() {
    VertexBatch& b = GetVertexBatch();
    RenderStateCache& c = GetRenderStateCache();
    const VertexSlot& slot = kVertexSlots[Slot()];
    if (slot.fvf != c.fvf) {
        DeviceSetFVF(slot.fvf);
        c.fvf = slot.fvf;
        c.declaration = nullptr;
    }
    DeviceDrawPrimitiveUP(b.primitive, static_cast<UINT>(PrimitiveCount(b.primitive, b.pending)),
                          b.buffers[Slot()], static_cast<UINT>(slot.stride));
}

void Empty() {
    VertexBatch& b = GetVertexBatch();
    b.pending = 0;
    b.cursor = b.buffers[Slot()];
}

int32_t RunPostedFlush(MainThreadRequest*) {
    return FlushVertexBatch(0);
}

int DrawSkipped() {
    return GetRenderStateCache().drawValues[3];
}

}  // namespace

int PrimitiveCount(D3DPRIMITIVETYPE type, int n) {
    switch (type) {
        case D3DPT_POINTLIST:
            return n;
        case D3DPT_LINELIST:
            return n / 2;
        case D3DPT_LINESTRIP:
            return n - 1;
        case D3DPT_TRIANGLELIST:
            return n / 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return n - 2;
        default:
            return 0;
    }
}

VertexBatch& GetVertexBatch() {
    static VertexBatch batch = [] {
        VertexBatch b{};
        uint8_t* buffers[kVertexSlotCount] = {g_plain, g_textured, g_twoTextures,
                                              g_world, g_world,    g_world};
        for (int i = 0; i < kVertexSlotCount; ++i) b.buffers[i] = buffers[i];
        b.kind = 1;
        b.primitive = D3DPT_TRIANGLELIST;
        b.cursor = b.buffers[1];
        return b;
    }();
    return batch;
}

int PrefillVertexBatch() {
    for (auto& v : reinterpret_cast<Vertex2D(&)[3225]>(g_plain)) v.z = 0.0f, v.rhw = 1.0f;
    for (auto& v : reinterpret_cast<Vertex2DTex(&)[2340]>(g_textured)) v.z = 0.0f, v.rhw = 1.0f;
    for (auto& v : reinterpret_cast<Vertex2DTex2(&)[1638]>(g_twoTextures)) {
        v.z = 0.0f;
        v.rhw = 1.0f;
        v.specular = 0xFFFFFFFFu;
    }
    VertexBatch& b = GetVertexBatch();
    b.dimension = 0;
    b.kind = 1;
    b.primitive = D3DPT_TRIANGLELIST;
    Empty();
    return 0;
}

int SetVertexBatchKind(int kind) {
    VertexBatch& b = GetVertexBatch();
    if (kind < 0 || kind > 2) return -1;
    if (kind == b.kind && b.dimension == 0) return 0;
    if (b.pending) FlushVertexBatch();
    b.kind = kind;
    b.dimension = 0;
    Empty();
    return 0;
}

void* ReserveVertices(int count) {
    VertexBatch& b = GetVertexBatch();
    if (b.dimension != 0 || b.primitive != D3DPT_TRIANGLELIST ||
        b.pending + count >= kVertexSlots[Slot()].maximum) {
        // The wipe at threshold 255 draws nothing, however many pieces it has.
        if (b.pending && HasDevice() && !DrawSkipped()) DrawPending();
        b.dimension = 0;
        b.primitive = D3DPT_TRIANGLELIST;
        Empty();
    }
    return b.cursor;
}

int AppendVertices(int count) {
    VertexBatch& b = GetVertexBatch();
    b.cursor += static_cast<size_t>(count) * kVertexSlots[Slot()].stride;
    b.pending += count;
    return 0;
}

int FlushVertexBatch(int async) {
    if (async) {
        MainThreadRequest request{};
        request.function = RunPostedFlush;
        return PostToMainThread(&request);
    }
    if (!HasDevice()) return -1;
    VertexBatch& b = GetVertexBatch();
    if (b.pending && !GetEndRequestFlag()) {
        if (!IsSceneBegun()) EnsureSceneBegun();
        if (!DrawSkipped() && b.pending) DrawPending();
    }
    Empty();
    return 0;
}

}  // namespace DuRud
