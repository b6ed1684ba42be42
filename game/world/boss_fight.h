// The boss fight (move-pattern row 37).
#pragma once

#include "world/entity.h"

int move_pattern_bossdolvek(entity* self);
