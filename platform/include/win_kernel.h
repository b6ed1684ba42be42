// The kernel functions: last error, handles, and every kernel area's header.
#pragma once

#include "win_types.h"

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);
BOOL WINAPI CloseHandle(HANDLE handle);

#include "win_threads.h"
#include "win_memory.h"
#include "win_time.h"
#include "win_files.h"
#include "win_text.h"
#include "win_system.h"
#include "win_modules.h"
#include "win_process.h"

// The program's entry, defined by the game and called by the process entry.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
