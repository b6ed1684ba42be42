// D_CSystemClock: the graph's default reference clock over the layer's clock.
#include "dshow_base_classes.h"
#include "win32/clock.h"

D_CSystemClock::D_CSystemClock(const char* name, IUnknown* outer, HRESULT*)
    : D_CUnknown(name, outer) {}

HRESULT STDMETHODCALLTYPE D_CSystemClock::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IReferenceClock)
        return D_GetInterface(static_cast<IReferenceClock*>(this), ppv);
    return D_CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT D_CSystemClock::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    HRESULT hr = S_OK;
    auto* clock = new D_CSystemClock("System clock", outer, &hr);
    clock->NonDelegatingAddRef();
    hr =
        outer ? D_GetInterface(clock->Inner(), ppv) : clock->NonDelegatingQueryInterface(riid, ppv);
    clock->NonDelegatingRelease();
    return hr;
}

HRESULT STDMETHODCALLTYPE D_CSystemClock::GetTime(REFERENCE_TIME* pTime) {
    if (!pTime) return E_POINTER;
    REFERENCE_TIME now = platform::ClockNowNanoseconds() / 100;
    REFERENCE_TIME last = last_.load();
    while (now > last && !last_.compare_exchange_weak(last, now)) {
    }
    *pTime = now > last ? now : last;
    return now > last ? S_OK : S_FALSE;
}

// Renderers wait on the clock themselves (plain timed waits); advise
// notifications are not offered.
HRESULT STDMETHODCALLTYPE D_CSystemClock::AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT,
                                                     DWORD_PTR*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE D_CSystemClock::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE,
                                                         DWORD_PTR*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE D_CSystemClock::Unadvise(DWORD_PTR) {
    return E_NOTIMPL;
}
