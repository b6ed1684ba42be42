// Everything of the Windows stand-in that the engine may call.
#pragma once

#include "win_types.h"
#include "win_kernel.h"
#include "win_com.h"
