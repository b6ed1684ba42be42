// The ring buffer: the worked examples, refusals that keep the contents, and
// a random model test against std::deque.
#include "files/ring_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <deque>
#include <random>
#include <vector>

#include "core/tracked_memory.h"

namespace DuRud {
namespace {

// Writes bytes at the write end the way the ring's writers do.
void Put(RingBuffer* ring, const uint8_t* bytes, int32_t length) {
    ASSERT_EQ(RingBufferReserve(ring, length), 0);
    RingBufferWrapIndices(ring);
    for (int32_t i = 0; i < length; ++i) {
        if (ring->writeEnd == ring->capacity) ring->writeEnd = 0;
        ring->storage[ring->writeEnd++] = bytes[i];
    }
    ring->storedSize += length;
}

TEST(RingBuffer, GrowthFollowsTheFormula) {
    RingBuffer ring;
    RingBufferInit(&ring);
    EXPECT_EQ(RingBufferReserve(&ring, 10), 0);
    EXPECT_EQ(ring.capacity, 1010);
    EXPECT_EQ(RingBufferReserve(&ring, 1010), 0);  // fits: nothing changes
    EXPECT_EQ(ring.capacity, 1010);
    RingBufferTerm(&ring);

    // With 100 stored and 50 more wanted the capacity becomes 1200.
    RingBuffer exact{};
    exact.storage = static_cast<uint8_t*>(TrackedAlloc(100, __FILE__, __LINE__));
    exact.capacity = 100;
    exact.storedSize = 100;
    exact.writeEnd = 100;
    std::memset(exact.storage, 3, 100);
    EXPECT_EQ(RingBufferReserve(&exact, 50), 0);
    EXPECT_EQ(exact.capacity, 1200);
    EXPECT_EQ(exact.readStart, 0);
    EXPECT_EQ(exact.writeEnd, 100);
    RingBufferTerm(&exact);
}

TEST(RingBuffer, RefusalsKeepTheContents) {
    RingBuffer ring;
    RingBufferInit(&ring);
    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    Put(&ring, bytes, 5);
    uint8_t out[8] = {};
    EXPECT_EQ(RingBufferGet(&ring, out, 6, 0), -1);  // more than stored
    EXPECT_EQ(RingBufferGet(&ring, out, -1, 0), -1);
    EXPECT_EQ(RingBufferGet(&ring, nullptr, 2, 0), -1);
    EXPECT_EQ(RingBufferGet(nullptr, out, 2, 0), -1);
    EXPECT_EQ(RingBufferReserve(&ring, -5), -1);
    EXPECT_EQ(RingBufferReserve(nullptr, 5), -1);
    // A size past INT_MAX cannot be held: refused, the ring as it was.
    uint8_t* storage = ring.storage;
    EXPECT_EQ(RingBufferReserve(&ring, INT_MAX - 100), -1);
    EXPECT_EQ(ring.storage, storage);
    EXPECT_EQ(ring.storedSize, 5);
    EXPECT_EQ(RingBufferGet(&ring, out, 5, 0), 0);
    EXPECT_EQ(std::memcmp(out, bytes, 5), 0);
    EXPECT_EQ(RingBufferGet(&ring, out, 0, 0), 0);
    RingBufferTerm(&ring);
}

TEST(RingBuffer, BehavesLikeADeque) {
    int blocks = MemGetCount();
    std::mt19937 random(99);
    RingBuffer ring;
    RingBufferInit(&ring);
    std::deque<uint8_t> model;
    uint8_t next = 0;
    for (int op = 0; op < 20000; ++op) {
        int choice = static_cast<int>(random() % 3);
        if (choice == 0) {
            std::vector<uint8_t> bytes(random() % 700);
            for (uint8_t& b : bytes) b = next++;
            Put(&ring, bytes.data(), static_cast<int32_t>(bytes.size()));
            model.insert(model.end(), bytes.begin(), bytes.end());
        } else {
            int32_t length = static_cast<int32_t>(random() % 800);
            bool peek = choice == 2 && (random() & 1);
            std::vector<uint8_t> out(static_cast<size_t>(length) + 1, 0xEE);
            int result = RingBufferGet(&ring, out.data(), length, peek);
            if (static_cast<size_t>(length) > model.size()) {
                ASSERT_EQ(result, -1);
                continue;
            }
            ASSERT_EQ(result, 0);
            for (int32_t i = 0; i < length; ++i) ASSERT_EQ(out[i], model[i]) << "op " << op;
            ASSERT_EQ(out[length], 0xEE);
            if (!peek) model.erase(model.begin(), model.begin() + length);
        }
        ASSERT_EQ(ring.storedSize, static_cast<int32_t>(model.size()));
        ASSERT_LE(ring.storedSize, ring.capacity);
    }
    RingBufferTerm(&ring);
    EXPECT_EQ(MemGetCount(), blocks);
}

}  // namespace
}  // namespace DuRud
