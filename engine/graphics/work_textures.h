// The pool of work textures: system-memory textures that transfers and
// read-backs borrow by shape and format slot, reused while not held, with
// least-used eviction when the pool is full or its idle textures too large.
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace DuRud {

constexpr int kWorkTextureRecords = 2048;
constexpr int kWorkTexturesPerShape = 16;
// Bytes of textures kept for reuse while no one holds them; past it the
// least used are freed (loading every picture once left one of each tile
// shape behind, tens of megabytes never borrowed again). Every idle byte a
// borrower wrote stays resident, and loads in flight hold their own
// textures anyway: one 1024 x 1024 tile's worth is kept.
constexpr uint64_t kWorkTextureIdleBytes = 4u << 20;

struct WorkTextureRecord {
    uint8_t inUse;
    uint8_t held;
    int16_t width, height;
    uint8_t mipLevels;
    uint8_t formatSlot;
    uint32_t useCount;
    IDirect3DTexture9* texture;
};

const WorkTextureRecord& GetWorkTextureRecord(int index);
int WorkTextureRecordsInUse();

// A held record of that shape (from a loader thread, posted to the main
// thread), or -1.
int GetWorkTexture(int width, int height, int mipLevels, int formatSlot, int fromWorker);
// The same, but -2 when every record of that shape is held (worth a retry).
int GetWorkTextureOrBusy(int width, int height, int mipLevels, int formatSlot, int fromWorker);
int ReleaseWorkTexture(int index, int fromWorker);  // -1 for a bad index
// What the borrower wrote into a held record copied into `destination`, then
// the record handed back, in one call on the main thread: a loader thread
// waits for the main thread once instead of twice and holds the written
// texture no longer than the copy takes. A one-level record copies the
// rectangle `written` (top level, same place); a mip chain goes by its dirty
// region (UpdateTexture). The copy's result.
HRESULT CopyOutAndReleaseWorkTexture(int index, IDirect3DTexture9* destination, const RECT& written,
                                     int fromWorker);
IDirect3DTexture9* WorkTextureOf(int index);  // null for a bad index
int ClearWorkTextureCache();                  // every texture and record gone
// Every record no one holds goes, with its texture. Run once the last queued
// load has finished: what loading kept for reuse would otherwise stay
// resident while nothing borrows it.
int FreeIdleWorkTextures();
// Device shutdown releases the textures and keeps the records; a rebuild
// makes them again.
int ReleaseWorkTextureObjects();
int RecreateWorkTextures();  // -1 when a record had to be freed

}  // namespace DuRud
