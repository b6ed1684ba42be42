// Soft-image handles: registration, pixel release on deletion, and the
// start-up / shutdown pair.
#include <gtest/gtest.h>

#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "image/soft_images.h"

using namespace DuRud;

namespace {

Handle NewSoftImage(int w, int h) {
    const Handle handle = AddHandle(HandleTypeSoftImage, -1);
    EXPECT_NE(handle, -1);
    auto* record = reinterpret_cast<SoftImageRecord*>(GetHandleRecord(handle));
    EXPECT_NE(record, nullptr);
    if (record) {
        EXPECT_EQ(CreateX8R8G8B8BaseImage(w, h, &record->image), 0);
    }
    return handle;
}

}  // namespace

TEST(SoftImages, DeleteAllFreesEveryPixelBlock) {
    ASSERT_EQ(InitializeSoftImages(), 0);
    const int before = MemGetCount();
    NewSoftImage(4, 4);
    NewSoftImage(16, 2);
    NewSoftImage(1, 1);
    EXPECT_EQ(MemGetCount(), before + 6);  // three records, three pixel blocks
    DeleteAllSoftImages();
    EXPECT_EQ(MemGetCount(), before);

    // Deleting one handle frees its pixels too.
    const Handle one = NewSoftImage(8, 8);
    EXPECT_EQ(DeleteHandle(one), 0);
    EXPECT_EQ(MemGetCount(), before);
    EXPECT_EQ(GetHandleRecord(one), nullptr);
    ASSERT_EQ(TerminateSoftImages(), 0);
}

TEST(SoftImages, StartAndEndOnlyOnce) {
    EXPECT_EQ(TerminateSoftImages(), -1);
    ASSERT_EQ(InitializeSoftImages(), 0);
    EXPECT_EQ(InitializeSoftImages(), -1);
    NewSoftImage(2, 2);
    const int live = MemGetCount();
    EXPECT_EQ(TerminateSoftImages(), 0);  // ending the type releases what is left
    EXPECT_LT(MemGetCount(), live);
    EXPECT_EQ(TerminateSoftImages(), -1);
    EXPECT_EQ(AddHandle(HandleTypeSoftImage, -1), -1);
    // Started again after a clean end.
    ASSERT_EQ(InitializeSoftImages(), 0);
    EXPECT_EQ(TerminateSoftImages(), 0);
}
