// The test hook's pointer: constant-initialised null.
#include "world/test_observer.h"

constinit test_observer_function test_observer = nullptr;
