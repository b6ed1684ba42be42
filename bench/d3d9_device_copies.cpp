// Speed of the software device's per-frame copies: clearing an 800 x 600
// target, stretching it onto a 1600 x 1200 back buffer (point and linear),
// reading it back, and filling a DEFAULT texture from system memory.
#include <benchmark/benchmark.h>

#include "d3d9.h"

namespace {

struct Device {
    Device() {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 1600;
        pp.BackBufferHeight = 1200;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(1));
        pp.Windowed = TRUE;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                          &pp, &dev);
        dev->CreateRenderTarget(800, 600, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                                nullptr);
        dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    }
    ~Device() {
        back->Release();
        target->Release();
        dev->Release();
        d3d->Release();
    }
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* back = nullptr;
};

void ClearTarget(benchmark::State& state) {
    Device d;
    d.dev->SetRenderTarget(0, d.target);
    for (auto _ : state) d.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.f, 0);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(ClearTarget);

void StretchToBackBuffer(benchmark::State& state) {
    Device d;
    const auto filter = static_cast<D3DTEXTUREFILTERTYPE>(state.range(0));
    for (auto _ : state) d.dev->StretchRect(d.target, nullptr, d.back, nullptr, filter);
    state.SetItemsProcessed(state.iterations() * 1600 * 1200);
}
BENCHMARK(StretchToBackBuffer)->Arg(D3DTEXF_POINT)->Arg(D3DTEXF_LINEAR);

void ReadBack(benchmark::State& state) {
    Device d;
    IDirect3DSurface9* sys = nullptr;
    d.dev->CreateOffscreenPlainSurface(1600, 1200, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys,
                                       nullptr);
    for (auto _ : state) d.dev->GetRenderTargetData(d.back, sys);
    state.SetBytesProcessed(state.iterations() * 1600 * 1200 * 4);
    sys->Release();
}
BENCHMARK(ReadBack);

void UpdateWholeTexture(benchmark::State& state) {
    Device d;
    IDirect3DTexture9* sys = nullptr;
    IDirect3DTexture9* vid = nullptr;
    d.dev->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr);
    d.dev->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &vid, nullptr);
    for (auto _ : state) {
        sys->AddDirtyRect(nullptr);
        d.dev->UpdateTexture(sys, vid);
    }
    state.SetBytesProcessed(state.iterations() * 1024 * 1024 * 4);
    sys->Release();
    vid->Release();
}
BENCHMARK(UpdateWholeTexture);

}  // namespace

BENCHMARK_MAIN();
