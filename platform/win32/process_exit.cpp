// ExitProcess: flush what the layer has buffered, then leave at once. No
// static destructors run, since other threads may still be using the objects
// they would destroy.
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "win_kernel.h"

namespace {

// Flushes a stream unless another thread keeps it locked (say, blocked
// writing into a full pipe): the exit must not wait on that thread.
void flushUnlessHeld(FILE* stream) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (ftrylockfile(stream) == 0) {
            fflush_unlocked(stream);
            funlockfile(stream);
            return;
        }
        timespec pause{0, 1000000};  // 1 ms
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

void WINAPI ExitProcess(UINT exitCode) {
    // The layer writes through stdio only on these two; its files are unbuffered.
    flushUnlessHeld(stdout);
    flushUnlessHeld(stderr);
    // A Linux exit status holds 8 bits: ExitProcess(-1) ends with 255.
    _exit(static_cast<int>(exitCode & 0xFF));
}
