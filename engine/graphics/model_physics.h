// An instance's physics: rigid bodies and joints in a Bullet dynamics world,
// and their release.
#pragma once

#include "graphics/model_records.h"

namespace DuRud {

// A world of `bodies` boxes with `joints` point-to-point constraints between
// neighbours. 0 or -1 (whatever was made stays for the release).
int BuildPhysicsWorld(ModelPhysics* physics, int bodies, int joints);
// Clears the body and joint records, then the world deletes what it holds:
// constraints, bodies with their motion states, each shape once, and its own
// objects.
int ReleaseModelPhysics(ModelPhysics* physics);
int DestroyPhysicsWorld(PhysicsWorld* world);

}  // namespace DuRud
