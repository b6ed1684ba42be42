// The brightness volume: created in the default pool and filled through a
// system-memory volume of the same shape.
#include "graphics/brightness_volume.h"

#include <cstring>
#include <windows.h>

#include "DuRud.h"
#include "core/threads_and_locks.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"

namespace DuRud {
namespace {

constexpr int kSide = 128;
constexpr int kVolumeRowBytes = kSide * 4;

// The texels worked out ahead: the thread writes them, the main thread
// reads them only after waiting for it.
ThreadContext g_aheadThread{};
uint32_t* g_aheadTexels = nullptr;

void WorkOutAhead(ThreadContext*, uintptr_t) {
    D3DLOCKED_BOX box{};
    box.RowPitch = kVolumeRowBytes;
    box.SlicePitch = kVolumeRowBytes * kSide;
    box.pBits = g_aheadTexels;
    FillBrightnessVolume(box);
}

// The texels once the thread is done, or null when none were worked out.
const uint32_t* AheadTexels() {
    if (g_aheadThread.handle) {
        WaitForSingleObject(g_aheadThread.handle, INFINITE);
        CloseThreadHandle(&g_aheadThread);
    }
    return g_aheadTexels;
}

uint32_t Texel(uint32_t red, uint32_t green, uint32_t blue) {
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

}  // namespace

int CreateBrightnessVolume() {
    DeviceResources& r = GetDeviceResources();
    ReleaseAndClear(r.brightnessVolume);
    IDirect3DVolumeTexture9* source = nullptr;
    if (FAILED(DeviceCreateVolumeTexture(kSide, kSide, kSide, 1, 0, D3DFMT_X8R8G8B8,
                                         D3DPOOL_DEFAULT, &r.brightnessVolume))) {
        r.brightnessVolume = nullptr;
        LogWrite(Cp932Text(
            "RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しまし"
            "た\n"));
        return -1;
    }
    auto fail = [&](const char* line) {
        ReleaseAndClear(source);
        ReleaseAndClear(r.brightnessVolume);
        LogWrite(line);
        return -1;
    };
    if (FAILED(DeviceCreateVolumeTexture(kSide, kSide, kSide, 1, 0, D3DFMT_X8R8G8B8,
                                         D3DPOOL_SYSTEMMEM, &source))) {
        source = nullptr;
        return fail(Cp932Text(
            "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャの作成に失"
            "敗しました\n"));
    }
    D3DLOCKED_BOX box{};
    if (FAILED(TextureLockBox(source, 0, &box, 0)))
        return fail(Cp932Text(
            "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャのロックに"
            "失敗しました\n"));
    if (const uint32_t* texels = AheadTexels()) {
        for (int z = 0; z < kSide; ++z)
            for (int y = 0; y < kSide; ++y)
                std::memcpy(
                    static_cast<uint8_t*>(box.pBits) + z * box.SlicePitch + y * box.RowPitch,
                    texels + (z * kSide + y) * kSide, kVolumeRowBytes);
    } else {
        FillBrightnessVolume(box);
    }
    EndBrightnessVolumeAhead();
    source->UnlockBox(0);
    if (FAILED(DeviceUpdateTexture(source, r.brightnessVolume)))
        return fail(Cp932Text(
            "RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しまし"
            "た\n"));
    ReleaseAndClear(source);
    return 0;
}

int StartBrightnessVolumeAhead() {
    if (g_aheadTexels) return 0;  // under way
    // From the process heap: a block this large comes in huge pages.
    g_aheadTexels = static_cast<uint32_t*>(
        HeapAlloc(GetProcessHeap(), 0, size_t{kSide} * kSide * kSide * sizeof(uint32_t)));
    if (!g_aheadTexels) return -1;
    if (CreateEngineThread(&g_aheadThread, WorkOutAhead, 0) != 0) {
        EndBrightnessVolumeAhead();
        return -1;
    }
    ResumeEngineThread(&g_aheadThread);
    return 0;
}

void EndBrightnessVolumeAhead() {
    AheadTexels();
    if (g_aheadTexels) HeapFree(GetProcessHeap(), 0, g_aheadTexels);
    g_aheadTexels = nullptr;
}

void FillBrightnessVolume(const D3DLOCKED_BOX& box) {
    auto* bits = static_cast<uint8_t*>(box.pBits);
    auto put = [&](int x, int y, int z, uint32_t texel) {
        reinterpret_cast<uint32_t*>(bits + z * box.SlicePitch + y * box.RowPitch)[x] = texel;
    };
    // MaxBrightnessColour treats its three channels alike: swapping two inputs
    // swaps the same two outputs, and tied inputs give tied outputs. So each
    // coordinate triple a >= b >= c is worked out once (a sixth of the texels)
    // and written at every ordering of its coordinates.
    for (int a = 0; a < kSide; ++a)
        for (int b = 0; b <= a; ++b)
            for (int c = 0; c <= b; ++c) {
                const uint32_t t = BrightnessVolumeTexel(a, b, c);
                const uint32_t va = t >> 16 & 0xFF, vb = t >> 8 & 0xFF, vc = t & 0xFF;
                put(a, b, c, t);
                put(a, c, b, Texel(va, vc, vb));
                put(b, a, c, Texel(vb, va, vc));
                put(b, c, a, Texel(vb, vc, va));
                put(c, a, b, Texel(vc, va, vb));
                put(c, b, a, Texel(vc, vb, va));
            }
}

uint32_t BrightnessVolumeTexel(int x, int y, int z) {
    int red = 255, green = 255, blue = 255;
    if (x >= 8 || y >= 8 || z >= 8) MaxBrightnessColour(2 * x, 2 * y, 2 * z, &red, &green, &blue);
    return Texel(static_cast<uint32_t>(red), static_cast<uint32_t>(green),
                 static_cast<uint32_t>(blue));
}

void MaxBrightnessColour(int r, int g, int b, int* outR, int* outG, int* outB) {
    const int in[3] = {r > 255 ? 255
                       : r < 0 ? 0
                               : r,
                       g > 255 ? 255
                       : g < 0 ? 0
                               : g,
                       b > 255 ? 255
                       : b < 0 ? 0
                               : b};
    int out[3] = {255, 255, 255};
    int largest = 0, smallest = 0;
    for (int i = 1; i < 3; ++i) {
        if (in[i] > in[largest]) largest = i;
        if (in[i] < in[smallest]) smallest = i;
    }
    if (in[largest] != in[smallest]) {
        // A tie for the smallest or largest still leaves one middle channel.
        if (largest == smallest) smallest = (largest + 1) % 3;
        const int middle = 3 - largest - smallest;
        const int M = in[largest], x = in[middle], m = in[smallest];
        const int S = 255 * (M - m) / M;
        const int T = 255 - 255 * (x - m) / (M - m);
        out[largest] = 255;
        out[smallest] = 255 - S;
        out[middle] = 255 - T * S / 255;
    }
    *outR = out[0];
    *outG = out[1];
    *outB = out[2];
}

}  // namespace DuRud
