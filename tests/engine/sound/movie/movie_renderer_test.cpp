// The movie renderer filter: accepted types, the copies into its top-down
// frame buffer, and samples it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sound/movie/movie_renderer.h"

using namespace DuRud;

namespace {

D_CMediaType VideoType(const GUID& subtype, int width, int height, int bits) {
    D_CMediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = subtype;
    type.formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = WORD(bits);
    type.SetFormat(&info, sizeof(info));
    return type;
}

struct Filter {
    MovieRendererFilter* f = CreateMovieRenderer(nullptr, nullptr);
    Filter() { f->AddRef(); }
    ~Filter() { f->Release(); }
};

HRESULT Render(MovieRendererFilter* f, std::string bytes) {
    D_CMediaSample sample(nullptr, reinterpret_cast<BYTE*>(bytes.data()), LONG(bytes.size()));
    sample.SetActualDataLength(LONG(bytes.size()));
    return f->DoRenderSample(&sample);
}

TEST(MovieRenderer, FramesAreStoredTopDown) {
    const struct {
        const char* name;
        const GUID* subtype;
        int width, height, bits, pitch;
        std::string sample, frame;
    } rows[] = {
        {"top-down RGB32 in one block", &MEDIASUBTYPE_RGB32, 2, -2, 32, 8, "ABCDEFGHIJKLMNOP",
         "ABCDEFGHIJKLMNOP"},
        // Three 24-bit pixels take 9 bytes, padded to 12; the last row comes first.
        {"bottom-up RGB24 flipped", &MEDIASUBTYPE_RGB24, 3, 2, 24, 12, "abcdefghi...jklmnopqr...",
         "jklmnopqr...abcdefghi..."},
        // With U and V at 128 each pixel is the grey of its own Y.
        {"YUY2 converted to 32 bits", &MEDIASUBTYPE_YUY2, 2, 1, 16, 8,
         std::string("\x10\x80\xEB\x80", 4), std::string("\x10\x10\x10\xFF\xEB\xEB\xEB\xFF", 8)},
        // NV11: four luma bytes, then one U and one V for all four (1.5 bytes a pixel).
        {"NV11 converted to 32 bits", &MEDIASUBTYPE_NV11, 4, 1, 12, 16,
         std::string("\x10\x20\x30\x40\x80\x80", 6),
         std::string("\x10\x10\x10\xFF\x20\x20\x20\xFF\x30\x30\x30\xFF\x40\x40\x40\xFF", 16)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Filter filter;
        const D_CMediaType type = VideoType(*row.subtype, row.width, row.height, row.bits);
        ASSERT_EQ(filter.f->SetMediaType(&type), S_OK);
        EXPECT_EQ(filter.f->pitch, row.pitch);
        EXPECT_EQ(Render(filter.f, row.sample.substr(0, row.sample.size() - 1)), E_INVALIDARG)
            << "a short sample";
        EXPECT_EQ(filter.f->newFrame, 0);
        ASSERT_EQ(Render(filter.f, row.sample), S_OK);
        EXPECT_EQ(filter.f->newFrame, 1);
        const uint8_t* taken = filter.f->frame;
        filter.f->AddRef();
        filter.f->Release();
        ASSERT_EQ(filter.f->frame, taken) << "the graph's own reference pairs";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(taken), row.frame.size()), row.frame);
    }
}

TEST(MovieRenderer, AcceptsEightSubtypesOnly) {
    Filter filter;
    for (const GUID* subtype :
         {&MEDIASUBTYPE_NV11, &MEDIASUBTYPE_YVYU, &MEDIASUBTYPE_UYVY, &MEDIASUBTYPE_YUY2,
          &MEDIASUBTYPE_NV12, &MEDIASUBTYPE_YV12, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24}) {
        const D_CMediaType type = VideoType(*subtype, 16, 16, 32);
        EXPECT_EQ(filter.f->CheckMediaType(&type), S_OK);
    }
    const D_CMediaType rgb565 = VideoType(MEDIASUBTYPE_RGB565, 16, 16, 16);
    EXPECT_EQ(filter.f->CheckMediaType(&rgb565), E_FAIL);
    D_CMediaType otherFormat = VideoType(MEDIASUBTYPE_RGB32, 16, 16, 32);
    otherFormat.formattype = GUID_NULL;
    EXPECT_EQ(filter.f->CheckMediaType(&otherFormat), E_INVALIDARG);
    EXPECT_EQ(filter.f->CheckMediaType(nullptr), E_POINTER);
    EXPECT_EQ(filter.f->DoRenderSample(nullptr), E_POINTER);
}

}  // namespace
