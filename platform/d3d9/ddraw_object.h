// Creation of the DirectDraw 7 object, for the COM class registry
// (CLSID_DirectDraw7).
#pragma once

#include "ddraw.h"

namespace platform::d3d9 {

// Makes a new DirectDraw object and queries it for riid.
HRESULT CreateDirectDrawObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace platform::d3d9
