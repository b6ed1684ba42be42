// The records behind the 3D model handles: type 13, a model base (the shared
// data of one model, with its device buffer chains) and type 14, a model
// instance (one copy of a base with its own buffers and physics). Nothing in
// the program loads models; engine tests build bases from in-memory meshes.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "DuRud.h"

class btDiscreteDynamicsWorld;
class btCollisionDispatcher;
class btBroadphaseInterface;
class btConstraintSolver;
class btCollisionConfiguration;
class btRigidBody;
class btTypedConstraint;

namespace DuRud {

constexpr int kModelVertexKinds = 3;
constexpr int kModelMaxTexCoordSets = 8;
// A record is closed before it would reach either count.
constexpr int kModelRecordIndexLimit = 0xC0000;
constexpr int kModelRecordVertexLimit = 0x60000;
constexpr int kModelMaxHandles = 32768;

// One mesh as a loader would leave it. Indices are 16-bit and count from
// the mesh's own first vertex, so a mesh holds at most 65,536 vertices.
struct ModelMesh {
    int vertexKind = 0;  // 0, 1 or 2
    int normalMap = 0;
    int texCoordSets = 0;  // 0-8
    std::vector<float> positions, normals;
    std::vector<float> tangents, binormals;  // the two vectors of a normal map
    std::vector<uint32_t> diffuse, specular;
    std::vector<float> texCoords;  // (u, v) per set per vertex
    std::vector<uint16_t> indices;
    int VertexCount() const { return static_cast<int>(positions.size() / 3); }
};

// One chain record: the meshes it holds and its device buffers.
struct ModelBufferRecord {
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    int vertexCount = 0, indexCount = 0;
    std::vector<int> meshes;
    ModelBufferRecord* next = nullptr;
};

// Where a material's texture is rebuilt from after a device re-creation.
struct ModelMaterial {
    std::vector<uint8_t> colorSource, alphaSource;  // picture files in memory
    int normalMap = 0;
    float heightScale = 1.0f;
    int flip = 0;
    int32_t graphic = -1;
};

struct ModelInstanceRecord;

struct ModelBaseData {
    std::vector<ModelMesh> meshes;
    std::vector<ModelMaterial> materials;
    ModelBufferRecord* chains[kModelVertexKinds][2][kModelMaxTexCoordSets + 1] = {};
    int recordCount = 0;
    int buffersMade = 0;
    int rigidBodyCount = 0, jointCount = 0;
    ModelInstanceRecord* firstInstance = nullptr;
    ModelInstanceRecord* lastInstance = nullptr;
    int instanceCount = 0;
};

struct ModelBaseRecord {
    HandleHeader header;
    int32_t referenceCount;
    ModelBaseData* data;
};

struct PhysicsRigidBody {
    btRigidBody* body;
};
struct PhysicsJoint {
    btTypedConstraint* constraint;
};
struct PhysicsWorld {
    btDiscreteDynamicsWorld* world;
    btConstraintSolver* solver;
    btBroadphaseInterface* broadphase;
    btCollisionDispatcher* dispatcher;
    btCollisionConfiguration* configuration;
};
struct ModelPhysics {
    std::vector<PhysicsRigidBody> bodies;
    std::vector<PhysicsJoint> joints;
    PhysicsWorld world{};
};

struct ModelInstanceRecord {
    HandleHeader header;
    ModelBaseRecord* base;
    ModelInstanceRecord* previous;
    ModelInstanceRecord* next;
    std::vector<IDirect3DVertexBuffer9*>* meshBuffers;
    ModelPhysics* physics;
};

ModelBaseRecord* ModelBaseFromHandle(Handle handle);
ModelInstanceRecord* ModelInstanceFromHandle(Handle handle);

}  // namespace DuRud
