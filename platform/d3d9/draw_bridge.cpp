// Hands a validated user-memory draw to the rasteriser: the device's stored
// states, bound textures, render target, depth surface, viewport and scissor
// become the rasteriser's plain records.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "device_internals.h"
#include "objects.h"
#include "raster/raster.h"

namespace platform::d3d9 {

namespace {

raster::RasterSurface ToRaster(const PixelBuffer* p) {
    return p && p->bytes ? RasterOf(*p) : raster::RasterSurface{};
}

// The target may hold fills back when it is a 32-bit colour surface that no
// stage samples (a stage would read bytes the draw has not written yet).
raster::HeldRows* TargetHeldRows(PixelBuffer* target, bool sampled) {
    if (sampled || !target || !target->bytes ||
        (target->format != D3DFMT_A8R8G8B8 && target->format != D3DFMT_X8R8G8B8))
        return nullptr;
    if (!target->heldRows)
        target->heldRows = std::make_unique<raster::HeldRows>(int(target->height));
    return target->heldRows.get();
}

// A draw that copies a whole texture onto its whole target moves the bytes
// instead (the texture keeps its rows as a copy until it is read or drawn
// on): the frame's picture drawn onto the back buffer costs nothing.
bool MoveCopyDraw(const DeviceState& state, const raster::RasterState& rs, const DrawCall& call,
                  PixelBuffer* target) {
    SurfaceImpl* surface = state.renderTargets[0];
    BaseTextureImpl* t = state.textures[0];
    if (call.indices || !target || !target->bytes || surface->locked_ || !t || t->IsVolume() ||
        t->Levels() != 1)
        return false;
    for (int i = 1; i < kMaxRenderTargets; ++i)
        if (state.renderTargets[i]) return false;
    auto* texture = static_cast<TextureImpl*>(t);
    PixelBuffer* source = texture->LevelPixels(0);
    if (!source || source == target || texture->levels_[0]->locked_) return false;
    // Only a texture the target's own size can be moved: other draws (a
    // glyph, a sprite) skip working out the draw's setup here.
    if (source->width != target->width || source->height != target->height ||
        source->pitch != target->pitch)
        return false;
    const raster::WholeCopy copy = raster::RasterWholeTextureCopy(
        rs, call.primitiveType, call.primitiveCount, call.vertices, call.stride);
    return copy != raster::WholeCopy::kNone &&
           MoveDrawnCopy(*source, *target, copy == raster::WholeCopy::kTopByteUnset);
}

// The rows of the target a draw of screen-space triangles or lines can write:
// those its vertices span, a row more either way; false when that is not
// known (other positions, points of any size, positions that are not finite).
bool DrawnRows(const DeviceState& state, const DrawCall& call, int height, int& y0, int& y1) {
    if ((state.fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW || state.vertexShader ||
        state.declaration || call.primitiveType == D3DPT_POINTLIST || call.stride < 8)
        return false;
    const UINT first = call.indices ? call.minVertexIndex : 0;
    const UINT count = call.indices ? call.numVertices : call.vertexCount;
    if (count == 0) return false;
    float lo = 0.0f, hi = 0.0f;
    const auto* bytes = static_cast<const uint8_t*>(call.vertices);
    for (UINT i = 0; i < count; ++i) {
        float y;
        std::memcpy(&y, bytes + size_t(first + i) * call.stride + 4, 4);
        if (!std::isfinite(y)) return false;
        lo = i == 0 || y < lo ? y : lo;
        hi = i == 0 || y > hi ? y : hi;
    }
    // Clamped before the conversion: a vertex far off the target is no int.
    y0 = int(std::clamp(std::floor(double(lo)) - 1.0, 0.0, double(height)));
    y1 = int(std::clamp(std::ceil(double(hi)) + 2.0, 0.0, double(height)));
    return true;
}

HRESULT Rasterise(DeviceState& state, const D3DCAPS9& caps, const DrawCall& call) {
    static_assert(kRenderStateCount >= D3DRS_STATE_COUNT);
    raster::RasterState rs;
    std::memcpy(rs.render, state.renderStates, sizeof rs.render);
    std::memcpy(rs.stage, state.stageStates, sizeof rs.stage);
    // Only the bound textures' records are made (each is some 650 bytes).
    alignas(raster::RasterTexture) unsigned char records[D3DMAXTEXTURESTAGES]
                                                        [sizeof(raster::RasterTexture)];
    static_assert(std::is_trivially_destructible_v<raster::RasterTexture>);
    PixelBuffer* target = SurfacePixels(state.renderTargets[0]);
    bool sampled = false;  // a level of a bound texture is the target
    for (int i = 0; i < D3DMAXTEXTURESTAGES; ++i) {
        std::memcpy(rs.sampler[i], state.samplerStates[i], sizeof rs.sampler[i]);
        BaseTextureImpl* t = state.textures[i];
        if (!t || t->IsVolume()) continue;  // volume textures are sampled by shaders only
        auto* texture = new (records[i]) raster::RasterTexture;
        const UINT levels = std::min<UINT>(t->Levels(), raster::RasterTexture::kMaxLevels);
        texture->levelCount = int(levels);
        for (UINT l = 0; l < levels; ++l) {
            PixelBuffer* level = t->LevelPixels(l);
            sampled = sampled || level == target;
            texture->levels[l] = ToRaster(level);
        }
        // Levels past the copied ones are never read.
        rs.textures[i] = texture;
    }
    rs.target = ToRaster(target);
    if (target) target->zeroSinceAllocation = false;
    if (PixelBuffer* depth = SurfacePixels(state.depthStencil); depth && depth->bytes) {
        depth->zeroSinceAllocation = false;
        rs.depth = ToRaster(depth);
        if (!depth->knownDepth)
            depth->knownDepth = std::make_unique<raster::KnownDepthRows>(int(depth->height));
        rs.depth.known = depth->knownDepth.get();
    }
    rs.viewport.x = state.viewport.X;
    rs.viewport.y = state.viewport.Y;
    rs.viewport.width = state.viewport.Width;
    rs.viewport.height = state.viewport.Height;
    rs.viewport.minZ = state.viewport.MinZ;
    rs.viewport.maxZ = state.viewport.MaxZ;
    rs.scissor = state.scissor;
    rs.fvf = state.fvf;
    rs.vertexShaderSet = state.vertexShader != nullptr;
    rs.declarationSet = state.declaration != nullptr;
    if (state.pixelShader) {
        rs.pixelKernel = state.pixelShader->code_.program;
        rs.pixelConstF = state.pixelConstF;
        rs.pixelConstI = state.pixelConstI;
        rs.pixelConstB = state.pixelConstB;
    }
    if (MoveCopyDraw(state, rs, call, target)) return D3D_OK;
    // Drawn from: the textures' held rows are written first (a moved copy
    // above needs none of them).
    for (int i = 0; i < D3DMAXTEXTURESTAGES; ++i)
        if (rs.textures[i])
            for (int l = 0; l < rs.textures[i]->levelCount; ++l)
                WriteHeldRows(state.textures[i]->LevelPixels(UINT(l)));
    raster::HeldRows* held = TargetHeldRows(target, sampled);
    // Drawn on: rows another buffer holds as a copy of it are written first,
    // where known only those the draw can reach.
    if (target && target->copiedBy) {
        int y0 = 0, y1 = 0;
        if (DrawnRows(state, call, int(target->height), y0, y1))
            SettleHolderRows(target, y0, y1);
        else
            WriteHeldRows(target->copiedBy);
    }
    if (!held) WriteHeldRows(target);
    rs.target.held = held;
    rs.maxPrimitiveCount = caps.MaxPrimitiveCount;
    rs.maxVertexIndex = caps.MaxVertexIndex;
    raster::RasterResult r =
        call.indices
            ? raster::RasterDrawIndexedPrimitiveUP(
                  rs, call.primitiveType, call.minVertexIndex, call.numVertices,
                  call.primitiveCount, call.indices, call.indexFormat, call.vertices, call.stride)
            : raster::RasterDrawPrimitiveUP(rs, call.primitiveType, call.primitiveCount,
                                            call.vertices, call.stride);
    if (FAILED(r.hr) && r.reason) Traced("Rasteriser", r.hr, "%s", r.reason);
    return r.hr;
}

}  // namespace

DrawHandler RasteriserDrawHandler() {
    return &Rasterise;
}

}  // namespace platform::d3d9
