// Run-time loaded modules: LoadLibraryA, GetProcAddress and the registry of stand-in modules.
#pragma once

#include "win_types.h"
