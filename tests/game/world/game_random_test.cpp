// The game's xorshift128 generator and its seeding.
#include <climits>

#include "fake_engine_test.h"
#include "world/game_random.h"

namespace {

using GameRandom = FakeEngineTest;

TEST_F(GameRandom, EveryDrawAdvancesStateAndCounter) {
    // From (1, 2, 3, 4): t = 1 ^ 2048 = 2049; w = 4 ^ 0 ^ 2049 ^ 8 = 2061.
    struct Row {
        const char* name;
        uint32_t (*draw)();
        uint32_t expected;
    };
    const Row rows[] = {
        {"modulo 100", [] { return game_random(100); }, 61},
        {"modulo 1", [] { return game_random(1); }, 0},
        {"modulo 0", [] { return game_random(0); }, 0},
        {"raw draw", [] { return game_random_draw(); }, 2061},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        game_random_state = {1, 2, 3, 4, 10};
        EXPECT_EQ(row.draw(), row.expected);
        EXPECT_EQ(game_random_state.x, 2u);
        EXPECT_EQ(game_random_state.y, 3u);
        EXPECT_EQ(game_random_state.z, 4u);
        EXPECT_EQ(game_random_state.w, 2061u);
        EXPECT_EQ(game_random_state.calls, 11u);
    }
}

TEST_F(GameRandom, SeedingKeepsTheEngineDrawsAsUnsignedWords) {
    fake_engine::script("GetRandomInt", {-2, 0, INT_MIN, 5});
    seed_game_random();
    EXPECT_EQ(fake_engine::trace(), std::vector<std::string>(4, "GetRandomInt(2147483647)"));
    EXPECT_EQ(game_random_state.x, 0xFFFFFFFEu);
    EXPECT_EQ(game_random_state.y, 0u);
    EXPECT_EQ(game_random_state.z, 0x80000000u);
    EXPECT_EQ(game_random_state.w, 5u);
}

}  // namespace
