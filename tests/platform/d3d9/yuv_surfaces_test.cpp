// YUV plain surfaces, admitted one FourCC at a time by the knob: their layout
// through a lock and StretchRect's conversion into 32-bit colour, worked by
// hand in 14-bit fixed point: (Y 81, U 90, V 240) is (254, 0, 0) and
// (Y 145, U 54, V 34) is (0, 255, 0).
#include <cstring>

#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

using D3D9Yuv = DeviceTest;

constexpr D3DFORMAT kYV12 = static_cast<D3DFORMAT>(MAKEFOURCC('Y', 'V', '1', '2'));

// A 4 x 2 picture: its left 2 x 2 block red, its right block green.
void WriteRedGreen(IDirect3DSurface9* s, D3DFORMAT f) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    auto* p = static_cast<uint8_t*>(lr.pBits);
    const int pitch = lr.Pitch;
    if (f == kYV12) {
        const uint8_t y[4] = {81, 81, 145, 145};
        for (int row = 0; row < 2; ++row) std::memcpy(p + row * pitch, y, 4);
        uint8_t* v = p + 2 * pitch;  // one row of V at half the pitch
        uint8_t* u = v + pitch / 2;  // then one row of U
        v[0] = 240, v[1] = 34, u[0] = 90, u[1] = 54;
    } else {
        const uint8_t yuy2[8] = {81, 90, 81, 240, 145, 54, 145, 34};
        const uint8_t uyvy[8] = {90, 81, 240, 81, 54, 145, 34, 145};
        for (int row = 0; row < 2; ++row)
            std::memcpy(p + row * pitch, f == D3DFMT_YUY2 ? yuy2 : uyvy, 8);
    }
    ASSERT_EQ(s->UnlockRect(), D3D_OK);
}

TEST_F(D3D9Yuv, AdmittedFourCcsConvertIntoColour) {
    const struct {
        const char* name;
        D3DFORMAT format;
    } rows[] = {{"YV12", kYV12}, {"YUY2", D3DFMT_YUY2}, {"UYVY", D3DFMT_UYVY}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(dev->CreateOffscreenPlainSurface(4, 2, row.format, D3DPOOL_DEFAULT, &s, nullptr),
                  D3DERR_INVALIDCALL)
            << "refused unless admitted";
        KnobD3D9AdmitYuvSurfaces(row.format, true);
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_SURFACE,
                                         row.format),
                  D3D_OK);
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                         row.format),
                  D3DERR_NOTAVAILABLE);
        EXPECT_EQ(
            dev->CreateOffscreenPlainSurface(4, 2, row.format, D3DPOOL_SYSTEMMEM, &s, nullptr),
            D3DERR_INVALIDCALL);
        IDirect3DSurface9* yuv = Plain(4, 2, row.format, D3DPOOL_DEFAULT);
        ASSERT_NE(yuv, nullptr);
        WriteRedGreen(yuv, row.format);
        IDirect3DSurface9* target = RenderTarget(4, 2, D3DFMT_X8R8G8B8);
        IDirect3DSurface9* plain = Plain(8, 4, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
        ASSERT_EQ(dev->StretchRect(yuv, nullptr, target, nullptr, D3DTEXF_NONE), D3D_OK);
        ASSERT_EQ(dev->StretchRect(yuv, nullptr, plain, nullptr, D3DTEXF_LINEAR), D3D_OK);
        for (UINT y = 0; y < 2; ++y) {
            EXPECT_EQ(Pixel(target, 0, y) & 0xFFFFFF, 0xFE0000u);
            EXPECT_EQ(Pixel(target, 3, y) & 0xFFFFFF, 0x00FF00u);
        }
        EXPECT_EQ(Pixel(plain, 3, 3), 0xFFFE0000u) << "doubled, point by point";
        EXPECT_EQ(Pixel(plain, 4, 0), 0xFF00FF00u);
        EXPECT_EQ(dev->StretchRect(target, nullptr, yuv, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL)
            << "nothing converts into YUV";
        EXPECT_EQ(dev->ColorFill(yuv, nullptr, 0xFF000000), D3DERR_INVALIDCALL);
        KnobD3D9AdmitYuvSurfaces(row.format, false);
    }
}

}  // namespace
