// Code-page conversion and 8-bit string functions.
#pragma once

#include "win_types.h"
