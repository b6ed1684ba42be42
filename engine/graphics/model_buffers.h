// Device buffers of the 3D model bases.
#pragma once

namespace DuRud {

int ReleaseAllModelBuffers();  // 0

}  // namespace DuRud
