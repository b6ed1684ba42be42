// System information, version and memory status.
#pragma once

#include "win_types.h"
