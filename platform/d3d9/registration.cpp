// Registers "d3d9.dll" with its exports in the module registry and the
// DirectDraw 7 class in the COM class registry.
#include "../win32/com_registry.h"
#include "../win32/module_registry.h"
#include "d3d9.h"
#include "ddraw_object.h"
#include "shader_kernels.h"

namespace platform {

void RegisterD3D9Modules() {
    // Shader blobs name their kernels: the package's are there before any
    // device can be made.
    d3d9::RegisterPackageShaderKernels();
    RegisterModule("d3d9.dll", {
                                   {"Direct3DCreate9", ExportOf(&Direct3DCreate9)},
                                   {"Direct3DCreate9Ex", ExportOf(&Direct3DCreate9Ex)},
                               });
}

void RegisterD3D9ComClasses() {
    RegisterComClass(CLSID_DirectDraw7, &d3d9::CreateDirectDrawObject);
}

}  // namespace platform
