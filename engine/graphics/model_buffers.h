// Device buffers of the 3D model bases: per vertex kind, normal-map variant
// and texture-coordinate count a chain of vertex-and-index-buffer records.
#pragma once

namespace DuRud {

struct ModelBaseData;

// Every base's buffers again (device re-created). -1 while the model types
// are not registered.
int RebuildModelBuffers(int flag);
int ReleaseAllModelBuffers();  // 0
// One base: chains, records and buffers. 0, or -1 with every record released.
int BuildModelBaseBuffers(ModelBaseData* base);
int ReleaseModelBaseBuffers(ModelBaseData* base);

}  // namespace DuRud
