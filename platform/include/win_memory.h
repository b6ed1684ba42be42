// Process heap and global memory.
#pragma once

#include "win_types.h"
