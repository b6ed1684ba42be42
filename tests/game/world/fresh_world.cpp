// The world's globals are built before main, and tests change them (draws
// from the generator, slots taken, scores kept): each test of this program
// begins with them as the program had them before its first test, so the
// program passes run whole.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "world/game_random.h"
#include "world/pools.h"

namespace {

// The slots of a pool, copied one by one (the pool itself is not copyable).
template <class T, int N>
struct KeptPool {
    pool<T, N>& live;
    std::vector<T> kept;
    void Keep() { kept.assign(live.begin(), live.end()); }
    void Restore() {
        auto from = kept.begin();
        for (T& slot : live) slot = *from++;
    }
};

class FreshWorld : public testing::EmptyTestEventListener {
    void OnTestProgramStart(const testing::UnitTest&) override {
        random_ = game_random_state;
        ForEach([](auto& p) { p.Keep(); });
    }
    void OnTestStart(const testing::TestInfo&) override {
        game_random_state = random_;
        ForEach([](auto& p) { p.Restore(); });
    }
    template <class F>
    void ForEach(F f) {
        std::apply([&](auto&... p) { (f(p), ...); }, pools_);
    }

    game_random_state_record random_{};
    std::tuple<KeptPool<affecter, 256>, KeptPool<enemy, 256>, KeptPool<item, 256>,
               KeptPool<block, 1280>, KeptPool<cracker, 128>, KeptPool<tesmo, 2>,
               KeptPool<bullet, 512>, KeptPool<itempoint, 256>>
        pools_{{affecters, {}}, {enemies, {}}, {items, {}},   {blocks, {}},
               {crackers, {}},  {players, {}}, {bullets, {}}, {itempoints, {}}};
};

const bool g_installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FreshWorld);
    return true;
}();

}  // namespace
