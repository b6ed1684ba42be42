// Threads, synchronisation objects and waits.
#pragma once

#include "win_types.h"
