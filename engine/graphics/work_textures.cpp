// The work-texture pool: records of shape, format slot, use count and the
// held byte; the texture of each record in use lives in system memory.
#include "graphics/work_textures.h"

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/main_thread_forwarders.h"

namespace DuRud {
namespace {

WorkTextureRecord g_records[kWorkTextureRecords];
int g_inUse = 0;

HRESULT CreateRecordTexture(WorkTextureRecord& record) {
    const D3DFORMAT format = record.formatSlot < kTextureFormatSlotCount
                                 ? GetDeviceResources().formats[record.formatSlot]
                                 : D3DFMT_UNKNOWN;
    const HRESULT hr = DeviceCreateTexture(
        static_cast<UINT>(record.width), static_cast<UINT>(record.height), record.mipLevels,
        D3DUSAGE_DYNAMIC, format, D3DPOOL_SYSTEMMEM, &record.texture);
    if (FAILED(hr)) {
        record.texture = nullptr;
        LogWrite(Cp932Text("メモリテクスチャの作成に失敗しました\n"));
        return hr;
    }
    // A one-level record is copied out by the rectangle its borrower wrote,
    // so what the texture counts as dirty never matters.
    if (record.mipLevels == 1) return hr;
    // A mip chain goes out whole-texture by its dirty region, and a new
    // texture is dirty as a whole: its first copy would carry every texel and
    // a borrower that wrote only its rectangle would wipe the rest of its
    // destination. One copy into a scratch texture of the same shape leaves
    // dirty only what borrowers lock.
    IDirect3DTexture9* scratch = nullptr;
    if (SUCCEEDED(DeviceCreateTexture(static_cast<UINT>(record.width),
                                      static_cast<UINT>(record.height), record.mipLevels, 0, format,
                                      D3DPOOL_DEFAULT, &scratch)) &&
        scratch) {
        DeviceUpdateTexture(record.texture, scratch);
        scratch->Release();
    }
    return hr;
}

// The written rectangle of a one-level record's texture onto the same place
// of the destination's top level.
HRESULT CopyWrittenRect(IDirect3DTexture9* work, IDirect3DTexture9* destination,
                        const RECT& written) {
    IDirect3DSurface9* from = nullptr;
    IDirect3DSurface9* to = nullptr;
    HRESULT hr = TextureGetSurfaceLevel(work, 0, &from);
    if (SUCCEEDED(hr)) hr = TextureGetSurfaceLevel(destination, 0, &to);
    if (SUCCEEDED(hr)) {
        const POINT at{written.left, written.top};
        hr = DeviceUpdateSurface(from, &written, to, &at);
    }
    if (to) to->Release();
    if (from) from->Release();
    return hr;
}

void ClearRecord(WorkTextureRecord& record) {
    if (record.texture) record.texture->Release();
    record = WorkTextureRecord{};
}

// A record's texture at four bytes a pixel (no slot's format is wider),
// with its mip chain (0 levels: the whole chain).
uint64_t RecordBytes(const WorkTextureRecord& record) {
    uint64_t bytes = 0;
    int w = record.width, h = record.height;
    for (int level = 0; record.mipLevels == 0 || level < record.mipLevels; ++level) {
        bytes += uint64_t(w) * uint64_t(h) * 4;
        if (w == 1 && h == 1) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    return bytes;
}

// Keeps the textures no one holds within kWorkTextureIdleBytes: the least
// used goes first (the last one on a tie), as when the pool is full.
void TrimIdleRecords() {
    for (;;) {
        uint64_t idle = 0;
        int victim = -1;
        for (int i = 0; i < kWorkTextureRecords; ++i) {
            const WorkTextureRecord& record = g_records[i];
            if (!record.inUse || record.held) continue;
            idle += RecordBytes(record);
            if (victim < 0 || record.useCount <= g_records[victim].useCount) victim = i;
        }
        if (idle <= kWorkTextureIdleBytes || victim < 0) return;
        ClearRecord(g_records[victim]);
        --g_inUse;
    }
}

struct GetRequest : MainThreadRequest {
    int width, height, mipLevels, formatSlot;
};
struct ReleaseRequest : MainThreadRequest {
    int index;
};
struct CopyOutRequest : MainThreadRequest {
    int index;
    IDirect3DTexture9* destination;
    RECT written;
};

}  // namespace

const WorkTextureRecord& GetWorkTextureRecord(int index) {
    static const WorkTextureRecord kNone{};
    return index >= 0 && index < kWorkTextureRecords ? g_records[index] : kNone;
}

int WorkTextureRecordsInUse() {
    return g_inUse;
}

int GetWorkTexture(int width, int height, int mipLevels, int formatSlot, int fromWorker) {
    const int index = GetWorkTextureOrBusy(width, height, mipLevels, formatSlot, fromWorker);
    return index < 0 ? -1 : index;
}

int GetWorkTextureOrBusy(int width, int height, int mipLevels, int formatSlot, int fromWorker) {
    if (fromWorker) {
        GetRequest request{};
        request.function = [](MainThreadRequest* r) -> int32_t {
            auto* q = static_cast<GetRequest*>(r);
            return GetWorkTextureOrBusy(q->width, q->height, q->mipLevels, q->formatSlot, 0);
        };
        request.width = width;
        request.height = height;
        request.mipLevels = mipLevels;
        request.formatSlot = formatSlot;
        return PostToMainThread(&request);
    }
    if (width < 1 || height < 1 || width > 0x7FFF || height > 0x7FFF || mipLevels < 0 ||
        mipLevels > 255 || formatSlot < 0 || formatSlot >= kTextureFormatSlotCount)
        return -1;
    [[maybe_unused]] static const bool freedAfterLoads =
        (AsyncSetDrainedHook([] { FreeIdleWorkTextures(); }), true);
    int sameShapeHeld = 0, firstFree = -1;
    for (int i = 0; i < kWorkTextureRecords; ++i) {
        WorkTextureRecord& record = g_records[i];
        if (!record.inUse) {
            if (firstFree < 0) firstFree = i;
            continue;
        }
        if (record.width != width || record.height != height || record.mipLevels != mipLevels ||
            record.formatSlot != formatSlot)
            continue;
        if (!record.held) {
            record.held = 1;
            ++record.useCount;
            return i;
        }
        if (++sameShapeHeld >= kWorkTexturesPerShape) return -2;
    }
    if (g_inUse >= kWorkTextureRecords) {
        // The least used record not held goes; the last one on a tie.
        int victim = -1;
        for (int i = 0; i < kWorkTextureRecords; ++i)
            if (!g_records[i].held &&
                (victim < 0 || g_records[i].useCount <= g_records[victim].useCount))
                victim = i;
        if (victim < 0) return -1;
        ClearRecord(g_records[victim]);
        --g_inUse;
        firstFree = victim;
    }
    if (firstFree < 0) return -1;
    WorkTextureRecord& record = g_records[firstFree];
    record.width = static_cast<int16_t>(width);
    record.height = static_cast<int16_t>(height);
    record.mipLevels = static_cast<uint8_t>(mipLevels);
    record.formatSlot = static_cast<uint8_t>(formatSlot);
    if (FAILED(CreateRecordTexture(record))) {
        record = WorkTextureRecord{};
        return -1;
    }
    record.inUse = 1;
    record.held = 1;
    record.useCount = 1;
    ++g_inUse;
    return firstFree;
}

int ReleaseWorkTexture(int index, int fromWorker) {
    if (fromWorker) {
        ReleaseRequest request{};
        request.function = [](MainThreadRequest* r) -> int32_t {
            return ReleaseWorkTexture(static_cast<ReleaseRequest*>(r)->index, 0);
        };
        request.index = index;
        return PostToMainThread(&request);
    }
    if (index < 0 || index >= kWorkTextureRecords || !g_records[index].inUse) return -1;
    g_records[index].held = 0;
    TrimIdleRecords();
    return 0;
}

HRESULT CopyOutAndReleaseWorkTexture(int index, IDirect3DTexture9* destination, const RECT& written,
                                     int fromWorker) {
    if (fromWorker) {
        CopyOutRequest request{};
        request.function = [](MainThreadRequest* r) -> int32_t {
            auto* q = static_cast<CopyOutRequest*>(r);
            return CopyOutAndReleaseWorkTexture(q->index, q->destination, q->written, 0);
        };
        request.index = index;
        request.destination = destination;
        request.written = written;
        return PostToMainThread(&request);
    }
    IDirect3DTexture9* work = WorkTextureOf(index);
    HRESULT hr = D3D_OK;
    if (!work || !destination)
        hr = D3DERR_INVALIDCALL;
    else if (g_records[index].mipLevels != 1)
        hr = DeviceUpdateTexture(work, destination);
    else if (written.left < written.right && written.top < written.bottom)
        hr = CopyWrittenRect(work, destination, written);
    ReleaseWorkTexture(index, 0);
    return hr;
}

IDirect3DTexture9* WorkTextureOf(int index) {
    if (index < 0 || index >= kWorkTextureRecords) return nullptr;
    return g_records[index].texture;
}

int ClearWorkTextureCache() {
    for (WorkTextureRecord& record : g_records) ClearRecord(record);
    g_inUse = 0;
    return 0;
}

int FreeIdleWorkTextures() {
    for (WorkTextureRecord& record : g_records) {
        if (!record.inUse || record.held) continue;
        ClearRecord(record);
        --g_inUse;
    }
    return 0;
}

int ReleaseWorkTextureObjects() {
    for (WorkTextureRecord& record : g_records) {
        if (record.texture) record.texture->Release();
        record.texture = nullptr;
    }
    return 0;
}

int RecreateWorkTextures() {
    int result = 0;
    for (WorkTextureRecord& record : g_records) {
        if (!record.inUse || record.texture) continue;
        // A record in use always has its texture: one that cannot be
        // remade is freed, and the next request for its shape makes a new one.
        if (FAILED(CreateRecordTexture(record))) {
            record = WorkTextureRecord{};
            --g_inUse;
            result = -1;
        }
    }
    return result;
}

}  // namespace DuRud
