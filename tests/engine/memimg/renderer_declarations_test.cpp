// The renderer's entry points keep the argument types and order graphics
// call them with, and its records keep the layout the kernels read.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "soft/memimg_renderer.h"

using namespace DuRud;

namespace {

static_assert(std::is_same_v<decltype(&MemImgBlit),
                             void (*)(MEMIMG*, const MEMIMG*, int, int, int, const MEMIMG*)>);
static_assert(std::is_same_v<decltype(&MemImgBlitStretch),
                             void (*)(MEMIMG*, const MEMIMG*, const RECT*, int, const MEMIMG*)>);
static_assert(
    std::is_same_v<decltype(&MemImgTriangle), void (*)(MEMIMG*, const MEMIMG*, const MemImgVertex*,
                                                       int, const MEMIMG*, uint32_t)>);
static_assert(std::is_same_v<decltype(&MemImgFillRect), void (*)(MEMIMG*, const RECT*, uint32_t)>);
static_assert(
    std::is_same_v<decltype(&MemImgLineList), void (*)(MEMIMG*, const MemImgLineRecord*, int)>);

TEST(RendererDeclarations, RecordLayouts) {
    EXPECT_EQ(offsetof(MemImgVertex, u), 8u);
    EXPECT_EQ(offsetof(MemImgVertex, v), 12u);
    EXPECT_EQ(offsetof(MemImgLineRecord, colour), 16u);
    EXPECT_EQ(offsetof(MemImgLineRecord, spare), 20u);
    EXPECT_EQ(offsetof(MemImgBody, pitchShift), 16u);
    EXPECT_EQ(offsetof(MemImgBody, transparentColor), 32u);
    EXPECT_EQ(offsetof(MemImgBody, runTableValid), 56u);
    EXPECT_EQ(offsetof(MemImgBody, drawPalette), 72u);
    EXPECT_EQ(offsetof(MEMIMG, alphaPixels), 24u);
}

TEST(RendererDeclarations, RotateSignature) {
    using Rotate =
        void (*)(MEMIMG*, const MEMIMG*, int, int, float, float, int, int, const MEMIMG*);
    EXPECT_TRUE((std::is_same_v<decltype(&MemImgBlitRotate), Rotate>));
}

}  // namespace
