// The engine's random generator: MT19937 with the x69069 seeding routine.
// Unseeded, it seeds itself with 4357 on first use.
#include <cstdint>
#include <mutex>

#include "DuRud.h"

namespace DuRud {
namespace {

constexpr int kN = 624;
constexpr int kM = 397;

struct RandomState {
    std::mutex lock;
    uint32_t state[kN] = {};
    uint32_t output[kN] = {};
    int index = kN;
    bool seeded = false;
};

RandomState& Random() {
    static RandomState r;
    return r;
}

void Generate(RandomState& r) {
    uint32_t* mt = r.state;
    for (int i = 0; i < kN; ++i) {
        const uint32_t y = (mt[i] & 0x80000000u) | (mt[(i + 1) % kN] & 0x7FFFFFFFu);
        mt[i] = mt[(i + kM) % kN] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    for (int i = 0; i < kN; ++i) {
        uint32_t y = mt[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= y >> 18;
        r.output[i] = y;
    }
    r.index = 0;
}

void SeedLocked(RandomState& r, uint32_t s) {
    for (int i = 0; i < kN; ++i) {
        r.state[i] = s & 0xFFFF0000u;
        s = s * 69069u + 1u;
        r.state[i] |= s >> 16;
        s = s * 69069u + 1u;
    }
    r.seeded = true;
    Generate(r);
}

}  // namespace

int SeedRandom(uint32_t seed) {
    RandomState& r = Random();
    std::lock_guard<std::mutex> guard(r.lock);
    SeedLocked(r, seed);
    return 0;
}

uint32_t NextRandom() {
    RandomState& r = Random();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.index >= kN) {
        if (!r.seeded)
            SeedLocked(r, 4357u);
        else
            Generate(r);
    }
    return r.output[r.index++];
}

int ScaleRandomOutput(uint32_t output, int max) {
    // max + 1 wraps in 32 bits: for 0x7FFFFFFF the factor is -2^31 and the
    // result -ceil(output / 2), which the game uses as seed words.
    const auto m = static_cast<int32_t>(static_cast<uint32_t>(max) + 1u);
    const uint64_t product =
        static_cast<uint64_t>(output) * static_cast<uint64_t>(static_cast<int64_t>(m));
    return static_cast<int32_t>(static_cast<uint32_t>(product >> 32));
}

int GetRandomInt(int max) {
    return ScaleRandomOutput(NextRandom(), max);
}

int ResetRandomForTest() {
    RandomState& r = Random();
    std::lock_guard<std::mutex> guard(r.lock);
    r.index = kN;
    r.seeded = false;
    return 0;
}

}  // namespace DuRud
