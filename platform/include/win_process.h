// Process-level functions: debug output, process exit, desktop composition, common controls.
#pragma once

#include "win_types.h"
