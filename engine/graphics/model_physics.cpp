#include "graphics/model_physics.h"

#include <btBulletDynamicsCommon.h>

#include <unordered_set>

namespace DuRud {

int BuildPhysicsWorld(ModelPhysics* physics, int bodies, int joints) {
    PhysicsWorld& w = physics->world;
    w.configuration = new btDefaultCollisionConfiguration();
    w.dispatcher = new btCollisionDispatcher(w.configuration);
    w.broadphase = new btDbvtBroadphase();
    w.solver = new btSequentialImpulseConstraintSolver();
    w.world = new btDiscreteDynamicsWorld(w.dispatcher, w.broadphase, w.solver, w.configuration);
    // One shape shared by every body, as a model's identical parts would.
    btCollisionShape* shape = new btBoxShape(btVector3(0.5f, 0.5f, 0.5f));
    for (int i = 0; i < bodies; ++i) {
        btTransform at;
        at.setIdentity();
        at.setOrigin(btVector3(static_cast<btScalar>(i), 0, 0));
        btVector3 inertia(0, 0, 0);
        shape->calculateLocalInertia(1.0f, inertia);
        auto* body = new btRigidBody(btRigidBody::btRigidBodyConstructionInfo(
            1.0f, new btDefaultMotionState(at), shape, inertia));
        w.world->addRigidBody(body);
        physics->bodies.push_back({body});
    }
    for (int i = 0; i < joints && i + 1 < bodies; ++i) {
        auto* joint =
            new btPoint2PointConstraint(*physics->bodies[i].body, *physics->bodies[i + 1].body,
                                        btVector3(0.5f, 0, 0), btVector3(-0.5f, 0, 0));
        w.world->addConstraint(joint);
        physics->joints.push_back({joint});
    }
    return 0;
}

int DestroyPhysicsWorld(PhysicsWorld* w) {
    if (!w->world) return 0;
    for (int i = w->world->getNumConstraints() - 1; i >= 0; --i) {
        btTypedConstraint* joint = w->world->getConstraint(i);
        w->world->removeConstraint(joint);
        delete joint;
    }
    std::unordered_set<btCollisionShape*> shapes;
    btCollisionObjectArray& objects = w->world->getCollisionObjectArray();
    for (int i = w->world->getNumCollisionObjects() - 1; i >= 0; --i) {
        btCollisionObject* object = objects[i];
        if (object->getCollisionShape()) shapes.insert(object->getCollisionShape());
        btRigidBody* body = btRigidBody::upcast(object);
        if (body && body->getMotionState()) delete body->getMotionState();
        w->world->removeCollisionObject(object);
        delete object;
    }
    for (btCollisionShape* shape : shapes) delete shape;
    delete w->world;
    delete w->solver;
    delete w->broadphase;
    delete w->dispatcher;
    delete w->configuration;
    *w = PhysicsWorld{};
    return 0;
}

int ReleaseModelPhysics(ModelPhysics* physics) {
    // The world owns the bodies and constraints: the records only let go.
    for (PhysicsRigidBody& body : physics->bodies) body = {};
    for (PhysicsJoint& joint : physics->joints) joint = {};
    return DestroyPhysicsWorld(&physics->world);
}

}  // namespace DuRud
