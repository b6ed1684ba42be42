// Vertex and index buffer records: their kept elements, the device buffers
// made from them and the checked writes into both.
#include "graphics/buffer_handles.h"

#include <cstring>

#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/main_thread_forwarders.h"

namespace DuRud {
namespace {

int IsIndex(const BufferRecord* record) {
    return HandleTypeOf(record->header.handle) == HandleTypeIndexBuffer ? 1 : 0;
}

int BufferTerminate(HandleHeader* header) {
    auto* record = reinterpret_cast<BufferRecord*>(header);
    ReleaseBufferObject(record);
    TrackedFree(record->elements);
    record->elements = nullptr;
    return 0;
}

int DeviceKeepsBuffers() {
    const DeviceLayerState& layer = GetDeviceLayer();
    return HasDevice() &&
           (layer.vertexProcessing == 1 || D3DSHADER_VERSION_MAJOR(layer.vertexShaderVersion) >= 2);
}

// Copies elements [start, start + count) into the device buffer.
int WriteDeviceBuffer(BufferRecord* record, int start, int count) {
    if (!record->buffer || count == 0) return 0;
    const int index = IsIndex(record);
    void* bytes = nullptr;
    const UINT offset = static_cast<UINT>(start) * static_cast<UINT>(record->elementSize);
    const UINT size = static_cast<UINT>(count) * static_cast<UINT>(record->elementSize);
    if (FAILED(BufferLock(record->buffer, index, offset, size, &bytes, 0))) {
        LogWrite(Cp932Text(index ? "インデックスバッファのロックに失敗しました\n"
                                 : "頂点バッファのロックに失敗しました\n"));
        return -1;
    }
    std::memcpy(bytes, record->elements + offset, size);
    BufferUnlock(record->buffer, index);
    return 0;
}

int CreateBufferObject(BufferRecord* record) {
    if (record->buffer || !record->elements || !DeviceKeepsBuffers()) return 0;
    const UINT length =
        static_cast<UINT>(record->elementCount) * static_cast<UINT>(record->elementSize);
    int result;
    if (IsIndex(record)) {
        IDirect3DIndexBuffer9* buffer = nullptr;
        result = CreateIndexBufferOnMainThread(length, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                               D3DPOOL_DEFAULT, &buffer, 0);
        record->buffer = result == 0 ? buffer : nullptr;
        if (result != 0) LogWrite(Cp932Text("インデックスバッファの作成に失敗しました\n"));
    } else {
        IDirect3DVertexBuffer9* buffer = nullptr;
        result = CreateVertexBufferOnMainThread(length, D3DUSAGE_WRITEONLY, kBufferVertexFormat,
                                                D3DPOOL_DEFAULT, &buffer, 0);
        record->buffer = result == 0 ? buffer : nullptr;
        if (result != 0) LogWrite(Cp932Text("頂点バッファの作成に失敗しました\n"));
    }
    if (result != 0) return -1;
    return WriteDeviceBuffer(record, 0, record->elementCount);
}

// Checks and copies count elements at start into the record of the type.
int SetBufferData(int type, int start, const void* data, int count, Handle handle) {
    BufferRecord* record = BufferFromHandle(handle, 0);
    if (!record || HandleTypeOf(handle) != type || !record->elements) return -1;
    if (start < 0 || count < 0 || (count > 0 && !data) ||
        static_cast<int64_t>(start) + count > record->elementCount)
        return -1;
    std::memcpy(record->elements + static_cast<size_t>(start) * record->elementSize, data,
                static_cast<size_t>(count) * record->elementSize);
    return WriteDeviceBuffer(record, start, count);
}

template <typename Visit>
void ForEachBuffer(Visit visit) {
    for (int type : {HandleTypeVertexBuffer, HandleTypeIndexBuffer})
        ForEachHandleRecord(type,
                            [&](HandleHeader* h) { visit(reinterpret_cast<BufferRecord*>(h)); });
}

}  // namespace

int RegisterBufferHandleTypes() {
    if (RegisterHandleType(HandleTypeVertexBuffer, sizeof(BufferRecord), kMaxBuffers, nullptr,
                           BufferTerminate, Cp932Text("頂点バッファ")) != 0)
        return -1;
    return RegisterHandleType(HandleTypeIndexBuffer, sizeof(BufferRecord), kMaxBuffers, nullptr,
                              BufferTerminate, Cp932Text("インデックスバッファ"));
}

BufferRecord* BufferFromHandle(Handle handle, int allowPending) {
    const int type = HandleTypeOf(handle);
    if (type != HandleTypeVertexBuffer && type != HandleTypeIndexBuffer) return nullptr;
    return reinterpret_cast<BufferRecord*>(TypedHandleRecord(handle, type, allowPending));
}

int SetUpBufferHandle(Handle handle, int elementSize, int elementCount) {
    BufferRecord* record = BufferFromHandle(handle, 1);
    if (!record || record->elements || elementCount < 1) return -1;
    if (IsIndex(record)) elementSize = 2;
    const int64_t bytes = static_cast<int64_t>(elementSize) * elementCount;
    if (elementSize < 1 || bytes > 0x7FFFFFFF) return -1;
    record->elements =
        static_cast<uint8_t*>(TrackedCalloc(static_cast<uint32_t>(bytes), __FILE__, __LINE__));
    if (!record->elements) return -1;
    record->elementSize = elementSize;
    record->elementCount = elementCount;
    return CreateBufferObject(record);
}

int SetVertexBufferData(int start, const void* data, int count, Handle handle) {
    return SetBufferData(HandleTypeVertexBuffer, start, data, count, handle);
}

int SetIndexBufferData(int start, const uint16_t* data, int count, Handle handle) {
    return SetBufferData(HandleTypeIndexBuffer, start, data, count, handle);
}

int ReleaseBufferObject(BufferRecord* record) {
    if (record->buffer) ReleaseObjectOnMainThread(record->buffer, 0);
    record->buffer = nullptr;
    return 0;
}

int ReleaseAllBufferObjects() {
    ForEachBuffer([](BufferRecord* record) { ReleaseBufferObject(record); });
    return 0;
}

int RecreateAllBufferObjects() {
    ForEachBuffer([](BufferRecord* record) { CreateBufferObject(record); });
    return 0;
}

}  // namespace DuRud
