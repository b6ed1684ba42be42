// The player character.
#include "world/player.h"

#include <cstdint>

int player_power_level(const tesmo* p, int power, bool percent) {
    const int pw = power == -1 ? (p ? p->power : 0) : power;
    struct band {
        int level, floor, next;
    };
    // Levels by power / 16: 0; 1-2; 3-4; 5-7; 8 and over (16, 48, 80, 128).
    static constexpr band bands[] = {{0, 0, 16}, {1, 16, 48}, {2, 48, 80}, {3, 80, 128}};
    const int sixteenths = pw / 16;
    const int level = sixteenths <= 0   ? 0
                      : sixteenths <= 2 ? 1
                      : sixteenths <= 4 ? 2
                      : sixteenths <= 7 ? 3
                                        : 4;
    if (!percent) return level;
    if (level == 4) return 100;
    const band& b = bands[level];
    return static_cast<int>(100 - (b.next - int64_t{pw}) * 100 / (b.next - b.floor));
}
