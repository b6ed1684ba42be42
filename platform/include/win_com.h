// COM start-up, object creation, task memory and the class registry.
#pragma once

#include "win_types.h"
