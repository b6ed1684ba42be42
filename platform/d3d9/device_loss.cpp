// Device loss and Reset: the loss knob makes every device lost; after regain
// a device waits for Reset, which Direct3D 9 refuses while DEFAULT-pool
// resources or references to the implicit buffers live.
#include "knobs.h"
#include "objects.h"

namespace platform::d3d9 {

HRESULT DeviceImpl::LossState() const {
    UINT generation;
    bool lost;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        generation = D3D9Knobs().lossGeneration;
        lost = D3D9Knobs().lost;
    }
    if (generation != lossSeen_) return lost ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
    if (lostByReset_) return D3DERR_DEVICELOST;
    return needsReset_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT DeviceImpl::TestCooperativeLevel() {
    CallGuard guard(*core_);
    const HRESULT hr = LossState();
    // A failed Reset loses a working device; nothing outside holds it lost,
    // so once reported it waits for the next Reset.
    lostByReset_ = false;
    return Traced("TestCooperativeLevel", hr);
}

HRESULT DeviceImpl::CheckDeviceState(HWND) {
    CallGuard guard(*core_);
    return Traced("CheckDeviceState", LossState() == D3D_OK ? D3D_OK : D3DERR_DEVICELOST);
}

namespace {
HRESULT ResetDevice(DeviceImpl* d, const char* name, D3DPRESENT_PARAMETERS* pp,
                    const D3DDISPLAYMODEEX* fsMode) {
    UINT generation;
    {
        std::lock_guard<std::mutex> lock(D3D9KnobMutex());
        if (D3D9Knobs().lost) return Traced(name, D3DERR_DEVICELOST, "still lost");
        generation = D3D9Knobs().lossGeneration;
    }
    if (!pp) return Traced(name, D3DERR_INVALIDCALL, "no parameters");
    // A failed Reset leaves a working device lost, one already waiting for
    // Reset still waiting.
    const bool wasWorking = d->LossState() == D3D_OK;
    const auto failed = [&] {
        d->needsReset_ = true;
        d->lostByReset_ = wasWorking;
    };
    D3DPRESENT_PARAMETERS params = *pp;
    D3DDISPLAYMODE mode{};
    if (FAILED(ValidatePresentParameters(&params, d->isEx_, fsMode, &mode))) {
        failed();
        return Traced(name, D3DERR_INVALIDCALL, "parameters refused");
    }
    d->UnbindAll();
    // Every DEFAULT-pool resource must be gone first (an Ex device keeps them).
    for (Object* o : d->core_->objects) {
        if (o->owner_) continue;
        const bool busyImplicit = o->implicit_ && o->ExternalRefs() > 0;
        const bool defaultResource = !o->implicit_ && o->pool_ == D3DPOOL_DEFAULT && !d->isEx_;
        if (busyImplicit || defaultResource) {
            failed();
            return Traced(name, D3DERR_INVALIDCALL, "still alive: %s", o->Describe().c_str());
        }
    }
    const D3DDISPLAYMODE oldMode = d->mode_;
    d->mode_ = mode;
    if (!d->SwitchDisplay(!params.Windowed)) {
        d->mode_ = oldMode;
        failed();
        return Traced(name, D3DERR_NOTAVAILABLE, "display mode");
    }
    d->ReleaseImplicit();
    HRESULT hr = d->BuildImplicit(params);
    if (FAILED(hr)) {
        failed();
        return Traced(name, hr, "buffers");
    }
    *pp = params;
    d->lossSeen_ = generation;
    d->needsReset_ = false;
    d->lostByReset_ = false;
    return Traced(name, D3D_OK, "%ux%u windowed %d", params.BackBufferWidth,
                  params.BackBufferHeight, params.Windowed);
}
}  // namespace

HRESULT DeviceImpl::Reset(D3DPRESENT_PARAMETERS* pp) {
    CallGuard guard(*core_);
    return ResetDevice(this, "Reset", pp, nullptr);
}

HRESULT DeviceImpl::ResetEx(D3DPRESENT_PARAMETERS* pp, D3DDISPLAYMODEEX* fsMode) {
    CallGuard guard(*core_);
    return ResetDevice(this, "ResetEx", pp, fsMode);
}

}  // namespace platform::d3d9
