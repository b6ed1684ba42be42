// The writer's LZ encoder through the engine's decoder.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "files/archive_format.h"
#include "lz_encoder.h"

using namespace DuRud;
using Bytes = std::vector<unsigned char>;

namespace {

void ExpectRoundTrip(const Bytes& data, const char* what) {
    const Bytes packed = zav::LzPack(data.data(), data.size());
    ASSERT_GE(packed.size(), 9u) << what;
    EXPECT_EQ(LoadU32(packed.data()), data.size()) << what;
    EXPECT_EQ(LoadU32(packed.data() + 4), packed.size()) << what;
    Bytes out(data.size());
    EXPECT_EQ(ArchiveDecompress(packed.data(), packed.size(), out.data(), out.size()),
              static_cast<int64_t>(data.size()))
        << what;
    EXPECT_TRUE(out == data) << what;
}

Bytes Random(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<unsigned char>(rng());
    return b;
}

}  // namespace

TEST(LzRoundTrip, RandomRunsAndText) {
    ExpectRoundTrip({}, "empty");
    ExpectRoundTrip(Random(1, 1), "one byte");
    ExpectRoundTrip(Random(100000, 2), "random");
    ExpectRoundTrip(Bytes(100000, 0x41), "one run");
    Bytes text;
    const std::string words = "the quick brown fox jumps over the lazy dog; ";
    for (int i = 0; i < 3000; ++i)
        text.insert(text.end(), words.begin(), words.begin() + (i % words.size()));
    ExpectRoundTrip(text, "text");
    const Bytes packed = zav::LzPack(text.data(), text.size());
    EXPECT_LT(packed.size(), text.size() / 4) << "text packs";
}

TEST(LzRoundTrip, EveryEscapeValue) {
    // Every byte value but one appears: that one is the least frequent and
    // becomes the escape; the data also holds it once at the end in half the cases.
    for (int escape = 0; escape < 256; ++escape) {
        Bytes data;
        for (int r = 0; r < 3; ++r)
            for (int b = 0; b < 256; ++b)
                if (b != escape) data.push_back(static_cast<unsigned char>(b));
        data.insert(data.end(), data.begin(), data.begin() + 300);  // a back-reference
        if (escape % 2) data.push_back(static_cast<unsigned char>(escape));
        const Bytes packed = zav::LzPack(data.data(), data.size());
        ASSERT_EQ(packed[8], escape);
        ExpectRoundTrip(data, "escape");
    }
}

TEST(LzRoundTrip, MatchLengthsAtTheirLimits) {
    for (size_t n : {4u, 35u, 36u, 8195u, 8196u, 8195u * 2 + 1}) {
        Bytes data = Random(64, 7);
        const Bytes copy(data.begin(), data.begin() + std::min<size_t>(n, 64));
        Bytes run(n, 0x33);
        data.push_back(0x99);
        data.insert(data.end(), run.begin(), run.end());
        data.push_back(0x98);
        data.insert(data.end(), copy.begin(), copy.end());
        ExpectRoundTrip(data, "match length");
    }
}

TEST(LzRoundTrip, DistancesAtTheirLimits) {
    // A marker repeated exactly at the distance limits of each field.
    const Bytes marker = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (size_t back : {256u, 257u, 65536u, 65537u, (1u << 24), (1u << 24) + 1}) {
        Bytes data(back + marker.size(), 0);
        std::copy(marker.begin(), marker.end(), data.begin());
        std::copy(marker.begin(), marker.end(), data.begin() + back);
        ExpectRoundTrip(data, "distance");
    }
}
