// Shared pieces of the decoder tests: running one decoder over bytes, and a
// fixture that proves every test gives back all tracked memory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/tracked_memory.h"
#include "image/image_record.h"
#include "image/image_decoders.h"
#include "test_stream.h"

namespace decodertest {

// Runs a decoder over bytes into a cleared record.
inline int RunDecoder(DuRud::ImageLoader loader, const std::string& bytes, DuRud::BaseImage* image,
                      int64_t* endPosition = nullptr) {
    TestStream stream(bytes);
    DuRud::ImageStream s = stream.Interface();
    std::memset(image, 0, sizeof *image);
    int result = loader(&s, image);
    if (endPosition) *endPosition = stream.position;
    return result;
}

inline const uint8_t* Line(const DuRud::BaseImage& image, int y) {
    return static_cast<const uint8_t*>(image.pixels) + int64_t(y) * image.pitch;
}

inline std::string LineBytes(const DuRud::BaseImage& image, int y, int count) {
    return std::string(reinterpret_cast<const char*>(Line(image, y)), size_t(count));
}

// Proves every test gives back all tracked memory; Run() decodes into `im`,
// which is freed by the next Run() or at the end of the test.
class DecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { liveBlocks_ = DuRud::MemGetCount(); }
    void TearDown() override {
        Free();
        EXPECT_EQ(DuRud::MemGetCount(), liveBlocks_) << "tracked blocks left behind";
    }
    int Run(DuRud::ImageLoader loader, const std::string& bytes, int64_t* end = nullptr) {
        Free();
        int r = RunDecoder(loader, bytes, &im, end);
        held_ = r == 0;
        return r;
    }
    void Free() {
        if (held_) DuRud::FreeBaseImagePixels(&im);
        held_ = false;
    }
    uint32_t Rgb(int x, int y) { return DuRud::GetBaseImagePixelArgb(&im, x, y) & 0xFFFFFF; }
    DuRud::BaseImage im{};

  private:
    int liveBlocks_ = 0;
    bool held_ = false;
};

}  // namespace decodertest
