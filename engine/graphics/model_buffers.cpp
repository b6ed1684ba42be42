#include "graphics/model_buffers.h"

#include <cstring>

#include "core/handle_manager.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/main_thread_forwarders.h"
#include "graphics/model_records.h"
#include "graphics/screen_state.h"

namespace DuRud {
namespace {

int VertexBytes(const ModelMesh& mesh) {
    return (mesh.normalMap ? 4 * 12 : 2 * 12) + 2 * 4 + mesh.texCoordSets * 16;
}

DWORD FixedFunctionFormat(int texCoordSets) {
    DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                static_cast<DWORD>(texCoordSets) << D3DFVF_TEXCOUNT_SHIFT;
    for (int i = 0; i < texCoordSets; ++i) fvf |= D3DFVF_TEXCOORDSIZE4(i);
    return fvf;
}

// Writes one vertex: position, (the normal map's two vectors,) normal,
// diffuse, specular, then (u, v, 1, 1) per texture-coordinate set.
uint8_t* WriteVertex(uint8_t* out, const ModelMesh& mesh, int v) {
    auto put = [&out](const void* data, size_t bytes) {
        std::memcpy(out, data, bytes);
        out += bytes;
    };
    auto vector3 = [&](const std::vector<float>& values) {
        const float zero[3] = {};
        put(values.size() >= size_t(v + 1) * 3 ? &values[v * 3] : zero, 12);
    };
    vector3(mesh.positions);
    if (mesh.normalMap) {
        vector3(mesh.tangents);
        vector3(mesh.binormals);
    }
    vector3(mesh.normals);
    const uint32_t white = 0xFFFFFFFFu, black = 0;
    put(size_t(v) < mesh.diffuse.size() ? &mesh.diffuse[v] : &white, 4);
    put(size_t(v) < mesh.specular.size() ? &mesh.specular[v] : &black, 4);
    for (int set = 0; set < mesh.texCoordSets; ++set) {
        const size_t at = (size_t(v) * mesh.texCoordSets + set) * 2;
        float uv[4] = {0, 0, 1.0f, 1.0f};
        if (at + 1 < mesh.texCoords.size())
            uv[0] = mesh.texCoords[at], uv[1] = mesh.texCoords[at + 1];
        put(uv, 16);
    }
    return out;
}

int FillRecord(ModelBufferRecord* record, const ModelBaseData* base, DWORD fvf, int vertexBytes) {
    const UINT vertexLength = static_cast<UINT>(record->vertexCount) * vertexBytes;
    const UINT indexLength = static_cast<UINT>(record->indexCount) * 2;
    if (CreateVertexBufferOnMainThread(vertexLength, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT,
                                       &record->vertexBuffer, 0) != 0 ||
        (indexLength &&
         CreateIndexBufferOnMainThread(indexLength, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &record->indexBuffer, 0) != 0))
        return -1;
    void* vertices = nullptr;
    if (FAILED(BufferLock(record->vertexBuffer, 0, 0, 0, &vertices, 0))) return -1;
    auto* out = static_cast<uint8_t*>(vertices);
    for (int m : record->meshes)
        for (int v = 0; v < base->meshes[m].VertexCount(); ++v)
            out = WriteVertex(out, base->meshes[m], v);
    BufferUnlock(record->vertexBuffer, 0);
    if (!indexLength) return 0;
    void* indices = nullptr;
    if (FAILED(BufferLock(record->indexBuffer, 1, 0, 0, &indices, 0))) return -1;
    auto* index = static_cast<uint8_t*>(indices);
    for (int m : record->meshes) {
        const auto& list = base->meshes[m].indices;
        std::memcpy(index, list.data(), list.size() * 2);
        index += list.size() * 2;
    }
    BufferUnlock(record->indexBuffer, 1);
    return 0;
}

int MakeInstanceBuffers(ModelBaseData* base) {
    for (ModelInstanceRecord* i = base->firstInstance; i; i = i->next) {
        if (!i->meshBuffers) continue;
        i->meshBuffers->resize(base->meshes.size());
        for (size_t m = 0; m < base->meshes.size(); ++m) {
            const ModelMesh& mesh = base->meshes[m];
            const UINT length = static_cast<UINT>(mesh.VertexCount() * VertexBytes(mesh));
            if (length &&
                CreateVertexBufferOnMainThread(length, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                               D3DPOOL_DEFAULT, &(*i->meshBuffers)[m], 0) != 0)
                return -1;
        }
    }
    return 0;
}

}  // namespace

int ReleaseModelBaseBuffers(ModelBaseData* base) {
    for (auto& byMap : base->chains)
        for (auto& bySets : byMap)
            for (ModelBufferRecord*& head : bySets) {
                while (head) {
                    ModelBufferRecord* next = head->next;
                    ReleaseAndClear(head->vertexBuffer);
                    ReleaseAndClear(head->indexBuffer);
                    delete head;
                    head = next;
                }
            }
    base->recordCount = 0;
    base->buffersMade = 0;
    for (ModelInstanceRecord* i = base->firstInstance; i; i = i->next)
        if (i->meshBuffers)
            for (IDirect3DVertexBuffer9*& buffer : *i->meshBuffers) ReleaseAndClear(buffer);
    return 0;
}

int BuildModelBaseBuffers(ModelBaseData* base) {
    ReleaseModelBaseBuffers(base);
    const int shaders = ProgrammableShadersInUse();
    if (!GetScreenState().useDirect3D || (!shaders && GetDeviceLayer().vertexProcessing != 1))
        return 0;
    ModelBufferRecord* tails[kModelVertexKinds][2][kModelMaxTexCoordSets + 1] = {};
    for (size_t m = 0; m < base->meshes.size(); ++m) {
        const ModelMesh& mesh = base->meshes[m];
        if (mesh.vertexKind < 0 || mesh.vertexKind >= kModelVertexKinds || mesh.texCoordSets < 0 ||
            mesh.texCoordSets > kModelMaxTexCoordSets || mesh.VertexCount() == 0)
            continue;
        // Only the plain kind-0 layout has a fixed-function vertex format.
        if (!shaders && (mesh.vertexKind != 0 || mesh.normalMap)) continue;
        const int map = mesh.normalMap ? 1 : 0;
        ModelBufferRecord*& tail = tails[mesh.vertexKind][map][mesh.texCoordSets];
        const int indices = static_cast<int>(mesh.indices.size());
        if (!tail || tail->vertexCount + mesh.VertexCount() >= kModelRecordVertexLimit ||
            tail->indexCount + indices >= kModelRecordIndexLimit) {
            auto* record = new ModelBufferRecord;
            if (tail)
                tail->next = record;
            else
                base->chains[mesh.vertexKind][map][mesh.texCoordSets] = record;
            tail = record;
            ++base->recordCount;
        }
        tail->meshes.push_back(static_cast<int>(m));
        tail->vertexCount += mesh.VertexCount();
        tail->indexCount += indices;
    }
    for (int kind = 0; kind < kModelVertexKinds; ++kind)
        for (int map = 0; map < 2; ++map)
            for (int sets = 0; sets <= kModelMaxTexCoordSets; ++sets)
                for (ModelBufferRecord* r = base->chains[kind][map][sets]; r; r = r->next) {
                    const ModelMesh& first = base->meshes[r->meshes[0]];
                    const DWORD fvf = kind == 0 && !map ? FixedFunctionFormat(sets) : 0;
                    if (FillRecord(r, base, fvf, VertexBytes(first)) != 0) {
                        ReleaseModelBaseBuffers(base);
                        return -1;
                    }
                }
    if (MakeInstanceBuffers(base) != 0) {
        ReleaseModelBaseBuffers(base);
        return -1;
    }
    base->buffersMade = 1;
    return 0;
}

int RebuildModelBuffers(int) {
    HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeModelBase);
    if (!t || !t->initialised) return -1;
    int result = 0;
    ForEachHandleRecord(HandleTypeModelBase, [&](HandleHeader* header) {
        auto* base = reinterpret_cast<ModelBaseRecord*>(header);
        if (base->data && BuildModelBaseBuffers(base->data) != 0) result = -1;
    });
    return result;
}

int ReleaseAllModelBuffers() {
    ForEachHandleRecord(HandleTypeModelBase, [](HandleHeader* header) {
        auto* base = reinterpret_cast<ModelBaseRecord*>(header);
        if (base->data) ReleaseModelBaseBuffers(base->data);
    });
    return 0;
}

}  // namespace DuRud
