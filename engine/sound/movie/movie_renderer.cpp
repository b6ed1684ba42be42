// The movie renderer filter: RGB frames copied, YUV frames converted, rows
// turned top-down, all under the frame lock.
#include "sound/movie/movie_renderer.h"

#include <cstring>
#include <new>

#include "DuRud.h"
#include "image/video_frames.h"

namespace DuRud {

namespace {

// {71771540-2017-11CF-AE26-0020AFD79767}
const GUID kMovieRendererClsid = {
    0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

// The subtypes in the order they are tried, with their codes.
const struct {
    const GUID* subtype;
    int code;
} kSubtypes[] = {
    {&MEDIASUBTYPE_NV11, kRendererNv11},   {&MEDIASUBTYPE_YVYU, kRendererYvyu},
    {&MEDIASUBTYPE_UYVY, kRendererUyvy},   {&MEDIASUBTYPE_YUY2, kRendererYuy2},
    {&MEDIASUBTYPE_NV12, kRendererNv12},   {&MEDIASUBTYPE_YV12, kRendererYv12},
    {&MEDIASUBTYPE_RGB32, kRendererRgb32}, {&MEDIASUBTYPE_RGB24, kRendererRgb24},
};

typedef int (*Converter)(const void*, int, int, BaseImage*);
Converter ConverterFor(int code) {
    switch (code) {
        case kRendererYv12:
            return ConvertYv12ToBaseImage;
        case kRendererNv12:
            return ConvertNv12ToBaseImage;
        case kRendererYuy2:
            return ConvertYuy2ToBaseImage;
        case kRendererUyvy:
            return ConvertUyvyToBaseImage;
        case kRendererYvyu:
            return ConvertYvyuToBaseImage;
        case kRendererNv11:
            return ConvertNv11ToBaseImage;
        default:
            return nullptr;
    }
}

// Bytes of one sample of the format: planar 4:2:0 1.5, NV11 and packed 4:2:2 2 per pixel.
int64_t SampleBytes(int code, int width, int height) {
    const int64_t pixels = int64_t{width} * height;
    switch (code) {
        case kRendererRgb24:
            return int64_t{(width * 3 + 3) & ~3} * height;
        case kRendererRgb32:
            return pixels * 4;
        case kRendererYv12:
        case kRendererNv12:
        case kRendererNv11:
            return pixels * 3 / 2;
        default:
            return pixels * 2;
    }
}

}  // namespace

MovieRendererFilter::MovieRendererFilter(IUnknown* outer, HRESULT* result)
    : D_CBaseVideoRenderer(kMovieRendererClsid, nullptr, outer, result) {}

MovieRendererFilter::~MovieRendererFilter() {
    TrackedFree(frame);
    FreeBaseImagePixels(&conversion);
}

HRESULT MovieRendererFilter::CheckMediaType(const D_CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->formattype != FORMAT_VideoInfo || !type->pbFormat ||
        type->cbFormat < sizeof(VIDEOINFOHEADER))
        return E_INVALIDARG;
    if (type->majortype != MEDIATYPE_Video) return E_FAIL;
    for (const auto& s : kSubtypes) {
        if (type->subtype == *s.subtype) {
            format = s.code;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT MovieRendererFilter::SetMediaType(const D_CMediaType* type) {
    if (CheckMediaType(type) != S_OK) return E_FAIL;
    VIDEOINFOHEADER info;
    std::memcpy(&info, type->pbFormat, sizeof(info));
    const int w = info.bmiHeader.biWidth, h = info.bmiHeader.biHeight;
    const int rows = h < 0 ? -int64_t{h} > INT32_MAX ? 0 : -h : h;
    if (w <= 0 || rows <= 0) return E_FAIL;
    const int64_t rowBytes =
        format == kRendererRgb24 ? ((int64_t{w} + 1) * 3) & ~int64_t{3} : int64_t{w} * 4;
    if (rowBytes * rows > kMaxImagePixelBytes) return E_OUTOFMEMORY;
    D_CAutoLock lock(&frameLock);
    width = w;
    height = rows;
    pitch = static_cast<int>(rowBytes);
    bottomUp = h > 0 && format <= kRendererRgb32;
    yuv = format > kRendererRgb32;
    FreeBaseImagePixels(&conversion);
    conversion = BaseImage{};
    mediaTypeSet = 1;
    newFrame = 0;
    return PrepareBuffers() == 0 ? S_OK : E_OUTOFMEMORY;
}

int MovieRendererFilter::PrepareBuffers() {
    if (!mediaTypeSet) return 0;
    if (yuv && !conversion.pixels && CreateX8R8G8B8BaseImage(width, height, &conversion) != 0)
        return -1;
    const int64_t need = int64_t{pitch} * height;
    if (need > frameCapacity) {
        // Only a larger picture replaces the buffer; a frame already taken stays readable
        // otherwise.
        auto* bigger =
            static_cast<uint8_t*>(TrackedAlloc(static_cast<uint32_t>(need), nullptr, -1));
        if (!bigger) return -1;
        TrackedFree(frame);
        frame = bigger;
        frameCapacity = need;
    }
    return 0;
}

HRESULT MovieRendererFilter::DoRenderSample(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    D_CAutoLock lock(&frameLock);
    if (PrepareBuffers() != 0 || !frame) return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return E_POINTER;
    if (sample->GetActualDataLength() < SampleBytes(format, width, height)) return E_INVALIDARG;
    const uint8_t* source = data;
    if (yuv) {
        if (ConverterFor(format)(data, width, height, &conversion) != 0) return E_FAIL;
        source = static_cast<const uint8_t*>(conversion.pixels);
    }
    const int sourcePitch = yuv ? conversion.pitch : pitch;
    if (bottomUp) {
        for (int row = 0; row < height; ++row)
            std::memcpy(frame + int64_t{row} * pitch,
                        source + int64_t{height - 1 - row} * sourcePitch, pitch);
    } else if (sourcePitch == pitch) {
        std::memcpy(frame, source, static_cast<size_t>(pitch) * height);
    } else {
        for (int row = 0; row < height; ++row)
            std::memcpy(frame + int64_t{row} * pitch, source + int64_t{row} * sourcePitch, pitch);
    }
    newFrame = 1;
    return S_OK;
}

MovieRendererFilter* CreateMovieRenderer(IUnknown* outer, HRESULT* result) {
    HRESULT local = S_OK;
    auto* filter = new (std::nothrow) MovieRendererFilter(outer, result ? result : &local);
    return filter;
}

}  // namespace DuRud
