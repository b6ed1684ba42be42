// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

void D3D9KnobReset();
void D3D9KnobApplyEnvironment();

void KnobResetAll() {
    D3D9KnobReset();
}

void KnobApplyEnvironment() {
    D3D9KnobApplyEnvironment();
}
