// Affecters: short-lived area effects that act on the whole world once per
// frame. Each record carries a copy of the entity that started it.
#pragma once

#include <cstdint>

#include "world/entity.h"

// Affecter rows 0 to 5; row 3 is row 0's handler.
int affecter_default(affecter* record, entity* carried);
int affecter_tesmobomb(affecter* record, entity* carried);
int affecter_coin_shower(affecter* record, entity* carried);
inline constexpr auto& affecter_timed_bomb = affecter_default;
int affecter_heavy_dropper(affecter* record, entity* carried);
int affecter_absolute_border(affecter* record, entity* carried);

struct affecter {
    affecter_handler handler = affecter_default;
    uint8_t active = 0;  // 1 while in use; any other value means free
    double p[4] = {};    // the four numbers given at spawn
    int32_t tick = 0;
    int32_t work[8] = {};
    entity carried;  // a plain entity: the spawner's fields, never its class
};

// Starts an affecter bound by name (exact, then without the first
// character, else affecter_default) with a copy of the entity and four
// numbers. A full pool stops the game (LIMIT_EXCEEDED).
void spawn_affecter(const char* name, const entity& carried, double p0, double p1, double p2,
                    double p3);
// The handler of the table row named exactly name, or null.
affecter_handler find_affecter(const char* name);
