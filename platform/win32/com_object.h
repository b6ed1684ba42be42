// Reference counting and QueryInterface for a stand-in COM object that offers
// one interface besides IUnknown. Derived names the interface through
// `static const IID& InterfaceId()`; the object deletes itself on the last
// Release, and extra Releases leave the count at 0 instead of freeing twice.
#pragma once

#include <atomic>

#include <windows.h>

namespace platform {

// A COM object's reference count. Drop reports the last reference once;
// extra Releases leave the count at 0 instead of freeing twice.
class ComReferences {
  public:
    ULONG Add() { return static_cast<ULONG>(++refs_); }
    ULONG Drop(bool* last) {
        const long left = --refs_;
        *last = left == 0;
        if (left < 0) refs_ = 0;
        return left < 0 ? 0 : static_cast<ULONG>(left);
    }

  private:
    std::atomic<long> refs_{1};
};

template <class Derived, class Interface>
class SingleInterfaceObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == Derived::InterfaceId()) {
            AddRef();
            *ppv = static_cast<Interface*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        bool last;
        const ULONG left = refs_.Drop(&last);
        if (last) delete static_cast<Derived*>(this);
        return left;
    }

  private:
    ComReferences refs_;
};

}  // namespace platform
