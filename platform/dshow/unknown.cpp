// D_CUnknown: reference counting, aggregation and the count of live objects;
// D_CAMEvent over a kernel event.
#include "dshow_base_classes.h"

namespace {
std::atomic<long> liveObjects{0};
}

D_CUnknown::D_CUnknown(const char*, IUnknown* outer) {
    inner_.self = this;
    owner_ = outer ? outer : &inner_;
    ++liveObjects;
}

D_CUnknown::~D_CUnknown() {
    --liveObjects;
}

long D_CUnknown::LiveObjects() {
    return liveObjects.load();
}

HRESULT STDMETHODCALLTYPE D_CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown) return D_GetInterface(&inner_, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE D_CUnknown::NonDelegatingAddRef() {
    return ULONG(++m_cRef);
}

ULONG STDMETHODCALLTYPE D_CUnknown::NonDelegatingRelease() {
    long left = --m_cRef;
    if (left == 0) {
        // Guard against a release from the destructor's own calls.
        m_cRef = 1;
        delete this;
        return 0;
    }
    if (left < 0) m_cRef = 0;
    return ULONG(left < 0 ? 0 : left);
}

HRESULT D_GetInterface(IUnknown* unknown, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = unknown;
    unknown->AddRef();
    return S_OK;
}

D_CAMEvent::D_CAMEvent(BOOL manualReset)
    : event_(CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}

D_CAMEvent::~D_CAMEvent() {
    if (event_) CloseHandle(event_);
}
