// Files, paths, directory searches and temporary files.
#pragma once

#include "win_types.h"
