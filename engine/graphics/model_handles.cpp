#include "graphics/model_handles.h"

#include <cmath>
#include <cstdlib>

#include "core/handle_manager.h"
#include "core/text_literals.h"
#include "graphics/device_layer.h"
#include "graphics/graphic_handles.h"
#include "graphics/model_physics.h"
#include "graphics/screen_state.h"

namespace DuRud {
namespace {

struct ModelModule {
    int started = 0;
    float sine[65536];
    float constant = 0;
    int counters[8] = {};
    void* sharedBuffer = nullptr;
} g_models;

// The instance leaves its base's list.
void UnlinkInstance(ModelInstanceRecord* instance) {
    ModelBaseData* base = instance->base->data;
    if (instance->previous)
        instance->previous->next = instance->next;
    else
        base->firstInstance = instance->next;
    if (instance->next)
        instance->next->previous = instance->previous;
    else
        base->lastInstance = instance->previous;
    instance->previous = instance->next = nullptr;
    --base->instanceCount;
}

void ReleaseInstanceBuffers(ModelInstanceRecord* instance) {
    if (!instance->meshBuffers) return;
    for (IDirect3DVertexBuffer9*& buffer : *instance->meshBuffers) ReleaseAndClear(buffer);
}

int DeleteModelInstance(HandleHeader* header) {
    auto* instance = reinterpret_cast<ModelInstanceRecord*>(header);
    if (!instance->base) return 0;
    ReleaseInstanceBuffers(instance);
    delete instance->meshBuffers;
    instance->meshBuffers = nullptr;
    if (instance->physics) {
        ReleaseModelPhysics(instance->physics);
        delete instance->physics;
        instance->physics = nullptr;
    }
    UnlinkInstance(instance);
    instance->base = nullptr;
    return 0;
}

int DeleteModelBase(HandleHeader* header) {
    auto* base = reinterpret_cast<ModelBaseRecord*>(header);
    if (--base->referenceCount > 0) return 1;
    if (!base->data) return 0;
    ReleaseModelBaseBuffers(base->data);
    for (ModelMaterial& material : base->data->materials)
        if (material.graphic != -1) DeleteGraphic(material.graphic);
    // Instances outliving their base (never through EndModels, which deletes
    // them first) lose it rather than point at freed memory.
    for (ModelInstanceRecord* i = base->data->firstInstance; i;) {
        ModelInstanceRecord* next = i->next;
        DeleteModelInstance(&i->header);
        i = next;
    }
    delete base->data;
    base->data = nullptr;
    return 0;
}

}  // namespace

ModelBaseRecord* ModelBaseFromHandle(Handle handle) {
    return reinterpret_cast<ModelBaseRecord*>(TypedHandleRecord(handle, HandleTypeModelBase, 0));
}
ModelInstanceRecord* ModelInstanceFromHandle(Handle handle) {
    return reinterpret_cast<ModelInstanceRecord*>(TypedHandleRecord(handle, HandleTypeModel, 0));
}

const float* ModelSineTable() {
    return g_models.sine;
}

int StartModels() {
    if (!GetScreenState().useDirect3D || g_models.started) return 0;
    const char* name = Cp932Text("３Ｄモデル");
    if (RegisterHandleType(HandleTypeModelBase, sizeof(ModelBaseRecord), kModelMaxHandles, nullptr,
                           DeleteModelBase, name) != 0)
        return -1;
    if (RegisterHandleType(HandleTypeModel, sizeof(ModelInstanceRecord), kModelMaxHandles, nullptr,
                           DeleteModelInstance, name) != 0) {
        EndHandleType(HandleTypeModelBase);
        return -1;
    }
    for (int i = 0; i < 65536; ++i)
        g_models.sine[i] = std::sin(static_cast<float>(i * M_PI * 2 / 65536));
    g_models.constant = 1.5620697f;
    for (int& counter : g_models.counters) counter = 0;
    ResetDefaultModelTextures();
    g_models.started = 1;
    return 0;
}

int EndModels() {
    if (!g_models.started) return 0;
    DeleteAllModelInstances();
    DeleteAllModelBases();
    std::free(g_models.sharedBuffer);
    g_models.sharedBuffer = nullptr;
    EndHandleType(HandleTypeModel);
    EndHandleType(HandleTypeModelBase);
    g_models.started = 0;
    return 0;
}

int DeleteAllModelBases() {
    // A base still referenced elsewhere vetoes; its count is dropped to one
    // per pass until it goes.
    for (int pass = 0; pass < 64; ++pass) {
        HandleTypeRecord* t = GetHandleTypeRecord(HandleTypeModelBase);
        if (!t || !t->initialised || t->count == 0) break;
        DeleteAllHandles(HandleTypeModelBase, nullptr);
    }
    return 0;
}

int DeleteAllModelInstances() {
    return DeleteAllHandles(HandleTypeModel, nullptr) < 0 ? -1 : 0;
}

Handle AddModelBaseForTest(std::vector<ModelMesh> meshes, std::vector<ModelMaterial> materials) {
    const Handle handle = AddHandle(HandleTypeModelBase, -1);
    ModelBaseRecord* base = ModelBaseFromHandle(handle);
    if (!base) return -1;
    base->referenceCount = 1;
    base->data = new ModelBaseData;
    base->data->meshes = std::move(meshes);
    base->data->materials = std::move(materials);
    return handle;
}

int AddModelBaseReference(Handle handle) {
    ModelBaseRecord* base = ModelBaseFromHandle(handle);
    return base ? ++base->referenceCount : -1;
}

Handle AddModelInstanceForTest(Handle baseHandle) {
    ModelBaseRecord* base = ModelBaseFromHandle(baseHandle);
    if (!base || !base->data) return -1;
    const Handle handle = AddHandle(HandleTypeModel, -1);
    ModelInstanceRecord* instance = ModelInstanceFromHandle(handle);
    if (!instance) return -1;
    instance->base = base;
    instance->meshBuffers = new std::vector<IDirect3DVertexBuffer9*>(base->data->meshes.size());
    ModelBaseData* data = base->data;
    instance->previous = data->lastInstance;
    instance->next = nullptr;
    if (data->lastInstance)
        data->lastInstance->next = instance;
    else
        data->firstInstance = instance;
    data->lastInstance = instance;
    ++data->instanceCount;
    return handle;
}

int BuildTestPhysicsWorld(Handle handle, int bodies, int joints) {
    ModelInstanceRecord* instance = ModelInstanceFromHandle(handle);
    if (!instance || instance->physics || bodies < 1 || joints < 0 || joints > bodies - 1)
        return -1;
    instance->physics = new ModelPhysics;
    if (BuildPhysicsWorld(instance->physics, bodies, joints) != 0) {
        ReleaseModelPhysics(instance->physics);
        delete instance->physics;
        instance->physics = nullptr;
        return -1;
    }
    instance->base->data->rigidBodyCount = bodies;
    instance->base->data->jointCount = joints;
    return 0;
}

}  // namespace DuRud
