// The boss's defeat and the players' part in the aftermath; both are bound in
// code, never by a table row.
#pragma once

#include "world/entity.h"

int boss_defeat_pattern(entity* self);
int boss_aftermath_pattern(entity* self);
