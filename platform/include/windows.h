// Everything of the Windows stand-in that the engine may call.
#pragma once

#include "win_types.h"
#include "win_kernel.h"
#include "win_com.h"
#include "win_user.h"
#include "win_gdi.h"
#include "win_shell.h"
#include "win_joystick.h"
