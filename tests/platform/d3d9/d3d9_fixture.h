// Shared set-up for the software Direct3D 9 device tests: a Direct3D object,
// a windowed device on a made-up window handle, and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "d3d9.h"
#include "test_knobs.h"

namespace d3d9test {

inline HWND TestWindow() {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
}

inline D3DPRESENT_PARAMETERS Windowed(UINT w, UINT h,
                                      DWORD flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = TestWindow();
    pp.Windowed = TRUE;
    pp.Flags = flags;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

// CreateDevice on the window the parameters name, software vertex processing.
inline HRESULT Create(IDirect3D9* d3d, D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** dev) {
    return d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp ? pp->hDeviceWindow : TestWindow(),
                             D3DCREATE_SOFTWARE_VERTEXPROCESSING, pp, dev);
}

template <class T>
void SafeRelease(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

// Releases each object in the order given.
template <class... T>
void ReleaseAll(T*... objects) {
    (objects->Release(), ...);
}

// True when some trace line starts with the method name and holds the text.
inline bool TraceHas(const std::vector<std::string>& trace, const std::string& method,
                     const std::string& text = "") {
    return std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
        return line.rfind(method + "(", 0) == 0 && line.find(text) != std::string::npos;
    });
}

class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KnobD3D9Trace(true);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = Windowed(64, 64);
        ASSERT_EQ(Create(d3d, &pp, &dev), D3D_OK);
    }
    void TearDown() override {
        for (auto it = held.rbegin(); it != held.rend(); ++it) (*it)->Release();
        SafeRelease(dev);
        SafeRelease(d3d);
        EXPECT_EQ(KnobD3D9LiveCount(nullptr), 0);
    }

    // Objects the fixture releases at the end (made by the helpers below).
    template <class T>
    T* Hold(T* object) {
        if (object) held.push_back(object);
        return object;
    }
    IDirect3DSurface9* RenderTarget(UINT w, UINT h, D3DFORMAT f, BOOL lockable = TRUE) {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(dev->CreateRenderTarget(w, h, f, D3DMULTISAMPLE_NONE, 0, lockable, &s, nullptr),
                  D3D_OK);
        return Hold(s);
    }
    IDirect3DSurface9* Plain(UINT w, UINT h, D3DFORMAT f, D3DPOOL pool) {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(dev->CreateOffscreenPlainSurface(w, h, f, pool, &s, nullptr), D3D_OK);
        return Hold(s);
    }
    IDirect3DTexture9* MakeTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT f,
                                   D3DPOOL pool) {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(dev->CreateTexture(w, h, levels, usage, f, pool, &t, nullptr), D3D_OK);
        return Hold(t);
    }
    DWORD Pixel(IDirect3DSurface9* s, UINT x, UINT y) {
        DWORD v = 0;
        EXPECT_TRUE(KnobD3D9ReadPixel(s, x, y, &v));
        return v;
    }
    // Writes one 32-bit pixel through a lock.
    void Put32(IDirect3DSurface9* s, UINT x, UINT y, DWORD v) {
        D3DLOCKED_RECT lr;
        RECT r{LONG(x), LONG(y), LONG(x + 1), LONG(y + 1)};
        ASSERT_EQ(s->LockRect(&lr, &r, 0), D3D_OK);
        std::memcpy(lr.pBits, &v, 4);
        ASSERT_EQ(s->UnlockRect(), D3D_OK);
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    std::vector<IUnknown*> held;
};

}  // namespace d3d9test
