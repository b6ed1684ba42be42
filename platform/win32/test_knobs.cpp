// Resets and environment reading for every area's knobs.
#include "test_knobs.h"

void KnobResetAll() {}

void KnobApplyEnvironment() {}
