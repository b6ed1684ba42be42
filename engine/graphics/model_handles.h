// The 3D model module: model base and instance handles, their device
// buffers, the default textures and material texture building, and the
// release of an instance's physics world. Started only with Direct3D.
#pragma once

#include <vector>

#include "DuRud.h"
#include "graphics/graphics_startup.h"  // StartModels, EndModels
#include "graphics/model_buffers.h"     // ReleaseAllModelBuffers
#include "graphics/model_records.h"
#include "image/image_record.h"

namespace DuRud {

int DeleteAllModelBases();
int DeleteAllModelInstances();
// Device re-created: the default textures and every material again. -1
// while the model types are not registered.
int RestoreModelTextures();

// sin(2 pi i / 65536) for i = 0 .. 65535, the angle rounded to float first.
const float* ModelSineTable();
// The default textures: 0 white, 1 black, 2 toon ramp, 3 grey ramp (-1 until
// the first restore).
Handle DefaultModelTexture(int index);
int ResetDefaultModelTextures();  // every handle -1, nothing deleted
// The embedded pictures of the white, black and toon-ramp textures.
const uint8_t* DefaultModelTexturePicture(int index, int* size);

// A sources: a picture in memory (size > 0), a file name (size 0) or none
// (null). Without a colour source the colour image is opaque white of the
// alpha image's size. 0, or -1 with nothing held.
int BuildModelTexture(BaseImage* color, BaseImage* alpha, const void* colorSource, int colorSize,
                      const void* alphaSource, int alphaSize, int normalMap, float heightScale,
                      int flip);

// Engine-internal entries for tests (nothing in the program makes models).
Handle AddModelBaseForTest(std::vector<ModelMesh> meshes, std::vector<ModelMaterial> materials);
Handle AddModelInstanceForTest(Handle base);
int AddModelBaseReference(Handle base);  // the new count, or -1
// Gives the instance a world of `bodies` boxes joined by `joints`
// point-to-point constraints (bodies - 1 at most). 0 or -1.
int BuildTestPhysicsWorld(Handle instance, int bodies, int joints);

}  // namespace DuRud
