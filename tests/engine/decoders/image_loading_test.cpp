// The decoder chain and the load front ends: order and rewinding, mirror,
// bitmap form, the "_a" companion, and streams closed on every path.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "decoder_test_support.h"
#include "image/image_loading.h"
#include "picture_corpus.h"
#include "test_knobs.h"
#include "support/test_support.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class ImageLoadingTest : public DecoderTest {};

// A 2 x 1 24-bit bitmap: left pixel 1 2 3, right pixel 4 5 6.
std::string TwoPixelBmp() {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.data = std::string("\1\2\3\4\5\6\0\0", 8);
    return MakeBmp(s);
}

struct Recording {
    int calls = 0;
    int32_t positions[2] = {-1, -1};
    bool cleared[2] = {false, false};
};
Recording g_recording;

bool IsCleared(const BaseImage* image) {
    const auto* p = reinterpret_cast<const uint8_t*>(image);
    for (size_t i = 0; i < sizeof *image; ++i) {
        if (p[i]) return false;
    }
    return true;
}

// Reads a little and scribbles on the record, then refuses.
int RecordingLoader(ImageStream* stream, BaseImage* image) {
    int n = g_recording.calls++;
    if (n < 2) {
        g_recording.positions[n] = stream->Tell(stream->handle);
        g_recording.cleared[n] = IsCleared(image);
    }
    char buffer[5];
    stream->Read(buffer, 1, sizeof buffer, stream->handle);
    std::memset(image, 0x5A, sizeof *image);
    return -1;
}

TEST_F(ImageLoadingTest, UserLoadersRunFirstOnARewoundStreamAndAClearedRecord) {
    g_recording = Recording{};
    ImageLoadParams params;
    ASSERT_EQ(InitImageLoadParams(&params), 0);
    EXPECT_EQ(params.userLoaderCount, 0);
    params.userLoaders[0] = RecordingLoader;
    params.userLoaders[1] = RecordingLoader;
    params.userLoaderCount = 2;
    TestStream stream(TwoPixelBmp());
    ImageStream s = stream.Interface();
    stream.position = 7;
    BaseImage im;
    std::memset(&im, 0x33, sizeof im);
    ASSERT_EQ(LoadImageByLoaders(&params, &s, &im), 0);
    EXPECT_EQ(g_recording.calls, 2);
    EXPECT_EQ(g_recording.positions[0], 0);
    EXPECT_EQ(g_recording.positions[1], 0);
    EXPECT_TRUE(g_recording.cleared[0]);
    EXPECT_TRUE(g_recording.cleared[1]);
    EXPECT_EQ(im.width, 2);
    EXPECT_EQ(LineBytes(im, 0, 6), "\1\2\3\4\5\6");
    FreeBaseImagePixels(&im);
}

TEST_F(ImageLoadingTest, ABmFileWithAShortHeaderIsOfferedToEveryDecoder) {
    ImageLoadParams params;
    InitImageLoadParams(&params);
    KnobCaptureDebugOutput(true);
    TestStream stream(TwoPixelBmp().substr(0, 30));
    ImageStream s = stream.Interface();
    BaseImage im;
    EXPECT_EQ(LoadImageByLoaders(&params, &s, &im), -1);
    EXPECT_GE(stream.rewinds, 6);  // each of the six decoders got the stream from the start
    EXPECT_TRUE(IsCleared(&im));

    // A picture that only a late decoder takes is still found.
    TgaSpec t;
    t.data = std::string("\x09\x08\x07", 3);
    TestStream tga(MakeTga(t));
    ImageStream ts = tga.Interface();
    ASSERT_EQ(LoadImageByLoaders(&params, &ts, &im), 0);
    EXPECT_EQ(LineBytes(im, 0, 3), "\x09\x08\x07");
    FreeBaseImagePixels(&im);
}

TEST_F(ImageLoadingTest, MirrorFlagSwapsLeftAndRight) {
    std::string bmp = TwoPixelBmp();
    BaseImage im;
    ASSERT_EQ(LoadBaseImage(nullptr, bmp.data(), int(bmp.size()), 1, &im, 1), 0);
    EXPECT_EQ(LineBytes(im, 0, 6), "\4\5\6\1\2\3");
    FreeBaseImagePixels(&im);
    ASSERT_EQ(LoadBaseImage(nullptr, bmp.data(), int(bmp.size()), 1, &im, 0), 0);
    EXPECT_EQ(LineBytes(im, 0, 6), "\1\2\3\4\5\6");
    FreeBaseImagePixels(&im);
}

std::string BlockFile(void* p) {
    return std::string(TrackedHeaderOf(p)->file, strnlen(TrackedHeaderOf(p)->file, 16));
}

TEST_F(ImageLoadingTest, BitmapFormBorrowsEightBitPixelsWhenTheLinesMatch) {
    BmpSpec s;
    s.width = 4;
    s.height = 1;
    s.bits = 8;
    s.colorsUsed = 2;
    s.colors = {0x112233, 0x445566};
    s.data = std::string("\1\0\1\0", 4);
    std::string bmp = MakeBmp(s);
    BITMAPINFO* info = nullptr;
    void* bits = nullptr;
    ASSERT_EQ(
        LoadImageWithDefaults(nullptr, bmp.data(), int(bmp.size()), 1, 1, 0, nullptr, &info, &bits),
        0);
    EXPECT_EQ(info->bmiHeader.biBitCount, 8);
    EXPECT_EQ(info->bmiHeader.biWidth, 4);
    EXPECT_LT(info->bmiHeader.biHeight, 0);  // top-down
    EXPECT_EQ(info->bmiColors[1].rgbRed, 0x44);
    EXPECT_EQ(std::string(static_cast<char*>(bits), 4), std::string("\1\0\1\0", 4));
    EXPECT_EQ(BlockFile(bits), "bmp_decoder.cpp");  // the decoder's own pixels
    TrackedFree(bits);
    TrackedFree(info);

    // Width 3 from PNG has pitch 3 but DIB lines of 4: the bits are a copy.
    PngSpec p;
    p.width = 3;
    p.colorType = 3;
    p.palette = {0x010203, 0x040506};
    p.rows = {std::string("\1\0\1", 3)};
    std::string png = EncodePng(p);
    ASSERT_EQ(
        LoadImageWithDefaults(nullptr, png.data(), int(png.size()), 1, 1, 0, nullptr, &info, &bits),
        0);
    EXPECT_NE(BlockFile(bits), "png_decoder.cpp");
    EXPECT_EQ(std::string(static_cast<char*>(bits), 3), std::string("\1\0\1", 3));
    TrackedFree(bits);
    TrackedFree(info);
}

TEST_F(ImageLoadingTest, FailedLoadsLeaveTheOutputsUntouched) {
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(0x1);
    void* bits = reinterpret_cast<void*>(0x2);
    std::string junk = "not a picture at all";
    EXPECT_EQ(LoadImageWithDefaults(nullptr, junk.data(), int(junk.size()), 1, 1, 0, nullptr, &info,
                                    &bits),
              -1);
    EXPECT_EQ(info, reinterpret_cast<BITMAPINFO*>(0x1));
    EXPECT_EQ(bits, reinterpret_cast<void*>(0x2));
    BaseImage im;
    std::memset(&im, 0x22, sizeof im);
    EXPECT_EQ(LoadBaseImage("no such picture.png", nullptr, 0, 0, &im, 0), -1);
    EXPECT_EQ(im.width, 0x22222222);
}

TEST_F(ImageLoadingTest, AlphaCompanionFromFilesAndFromMemory) {
    testsupport::WriteFile("pic.x.bmp", TwoPixelBmp());
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.data = std::string("\x7F\x7F\x7F\0", 4);
    std::string alpha = MakeBmp(s);
    testsupport::WriteFile("pic.x_a.bmp", alpha);

    BaseImage im, al;
    ASSERT_EQ(LoadBaseImageAndAlpha("pic.x.bmp", nullptr, 0, 0, nullptr, 0, 0, &im, &al, 0), 0);
    EXPECT_EQ(im.width, 2);
    EXPECT_EQ(al.width, 1);
    FreeBaseImagePixels(&im);
    FreeBaseImagePixels(&al);

    std::remove("pic.x_a.bmp");
    std::memset(&al, 0, sizeof al);
    ASSERT_EQ(LoadBaseImageAndAlpha("pic.x.bmp", nullptr, 0, 0, nullptr, 0, 0, &im, &al, 0), 1);
    EXPECT_EQ(al.pixels, nullptr);
    FreeBaseImagePixels(&im);
    EXPECT_EQ(LoadBaseImageAndAlpha("missing.bmp", nullptr, 0, 0, nullptr, 0, 0, &im, &al, 0), -1);

    std::string main = TwoPixelBmp();
    // From memory: mode 1 takes the alpha memory image; mode 0 has no name to go by.
    ASSERT_EQ(LoadBaseImageAndAlpha(nullptr, main.data(), int(main.size()), 1, alpha.data(),
                                    int(alpha.size()), 1, &im, &al, 0),
              0);
    EXPECT_EQ(al.width, 1);
    FreeBaseImagePixels(&im);
    FreeBaseImagePixels(&al);
    const std::string junk = "junk";
    ASSERT_EQ(LoadBaseImageAndAlpha(nullptr, main.data(), int(main.size()), 1, junk.data(),
                                    int(junk.size()), 1, &im, &al, 0),
              1);
    FreeBaseImagePixels(&im);
    ASSERT_EQ(LoadBaseImageAndAlpha(nullptr, main.data(), int(main.size()), 1, nullptr, 0, 0, &im,
                                    &al, 0),
              1);
    FreeBaseImagePixels(&im);
    ASSERT_EQ(LoadBaseImageAndAlpha(nullptr, main.data(), int(main.size()), 1, alpha.data(),
                                    int(alpha.size()), 2, &im, &al, 0),
              1);
    FreeBaseImagePixels(&im);
}

TEST(MakeAlphaFileNameTest, InsertsBeforeTheLastDotOfTheNameItself) {
    char out[64];
    auto make = [&](const char* name) {
        EXPECT_EQ(MakeAlphaFileName(name, out, sizeof out), 0) << name;
        return std::string(out);
    };
    EXPECT_EQ(make("a.b.png"), "a.b_a.png");
    EXPECT_EQ(make("pic"), "pic_a");
    EXPECT_EQ(make(""), "_a");
    EXPECT_EQ(make("dir.v2\\pic"), "dir.v2\\pic_a");
    EXPECT_EQ(make("dir.v2/pic.bmp"), "dir.v2/pic_a.bmp");
    // The second byte of a double-byte character is not a separator.
    EXPECT_EQ(make("a.b\x83\x5C"
                   "c"),
              "a_a.b\x83\x5C"
              "c");
    // A lead byte right before the end counts as one byte.
    EXPECT_EQ(make("ab\x83"), "ab\x83_a");
    char small[8];
    EXPECT_EQ(MakeAlphaFileName("abcde", small, 8), 0);  // "abcde_a" and its NUL fit
    EXPECT_EQ(MakeAlphaFileName("abcdef", small, 8), -1);
    EXPECT_EQ(MakeAlphaFileName(nullptr, small, 8), -1);
}

// Counts opens that gave a stream and closes, over the real file functions.
int g_opens = 0, g_closes = 0;
StreamFunctionTable g_real;
StreamHandle CountingOpen(const char* path, int cache, int block, int async) {
    StreamHandle h = g_real.Open(path, cache, block, async);
    if (h) ++g_opens;
    return h;
}
int CountingClose(StreamHandle h) {
    ++g_closes;
    return g_real.Close(h);
}

TEST_F(ImageLoadingTest, EveryOpenedFileIsClosedOnEveryPath) {
    g_opens = g_closes = 0;
    ImageLoadParams params;
    InitImageLoadParams(&params);
    g_real = params.streamFunctions;
    params.streamFunctions.Open = CountingOpen;
    params.streamFunctions.Close = CountingClose;
    testsupport::WriteFile("good.bmp", TwoPixelBmp());
    testsupport::WriteFile("good_a.bmp", TwoPixelBmp());
    testsupport::WriteFile("bad.bmp", "BM but nothing else");
    KnobCaptureDebugOutput(true);

    BaseImage im, al;
    BITMAPINFO* info = nullptr;
    void* bits = nullptr;
    ASSERT_EQ(LoadImageWithParams(&params, "good.bmp", nullptr, 0, 0, 0, 0, &im, nullptr, nullptr),
              0);
    FreeBaseImagePixels(&im);
    ASSERT_EQ(LoadImageWithParams(&params, "good.bmp", nullptr, 0, 0, 0, 1, &im, nullptr, nullptr),
              0);
    FreeBaseImagePixels(&im);
    ASSERT_EQ(LoadImageWithParams(&params, "good.bmp", nullptr, 0, 0, 1, 0, nullptr, &info, &bits),
              0);
    TrackedFree(bits);
    TrackedFree(info);
    EXPECT_EQ(LoadImageWithParams(&params, "bad.bmp", nullptr, 0, 0, 0, 0, &im, nullptr, nullptr),
              -1);
    EXPECT_EQ(
        LoadImageWithParams(&params, "absent.bmp", nullptr, 0, 0, 0, 0, &im, nullptr, nullptr), -1);
    ASSERT_EQ(LoadBaseImageAndAlphaWithParams(&params, "good.bmp", nullptr, 0, 0, nullptr, 0, 0,
                                              &im, &al, 0),
              0);
    FreeBaseImagePixels(&im);
    FreeBaseImagePixels(&al);
    ASSERT_EQ(LoadBaseImageAndAlphaWithParams(&params, "bad.bmp", nullptr, 0, 0, nullptr, 0, 0, &im,
                                              &al, 0),
              -1);
    EXPECT_EQ(g_opens, 7);
    EXPECT_EQ(g_closes, g_opens);
}

}  // namespace
