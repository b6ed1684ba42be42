// ExitProcess: flush what the layer has buffered, then leave at once. No
// static destructors run, since other threads may still be using the objects
// they would destroy.
#include <unistd.h>

#include <cstdio>

#include "win_kernel.h"

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    // A Linux exit status holds 8 bits: ExitProcess(-1) ends with 255.
    _exit(static_cast<int>(exitCode & 0xFF));
}
