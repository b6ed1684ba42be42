// D_CPosPassThru: a renderer's or transform's IMediaSeeking asks the pin upstream.
#include "dshow_base_classes.h"

IMediaSeeking* D_CPosPassThru::Upstream() {
    IPin* connected = nullptr;
    if (FAILED(pin_->ConnectedTo(&connected)) || !connected) return nullptr;
    void* seeking = nullptr;
    connected->QueryInterface(IID_IMediaSeeking, &seeking);
    connected->Release();
    return static_cast<IMediaSeeking*>(seeking);
}

#define D_PASS_THROUGH(call)                   \
    return D_CallSeekingAndRelease(Upstream(), \
                                   [&](IMediaSeeking* seeking_) { return seeking_->call; })

HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetCapabilities(DWORD* p) {
    D_PASS_THROUGH(GetCapabilities(p));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::CheckCapabilities(DWORD* p) {
    D_PASS_THROUGH(CheckCapabilities(p));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::IsFormatSupported(const GUID* f) {
    D_PASS_THROUGH(IsFormatSupported(f));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::QueryPreferredFormat(GUID* f) {
    D_PASS_THROUGH(QueryPreferredFormat(f));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetTimeFormat(GUID* f) {
    D_PASS_THROUGH(GetTimeFormat(f));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::IsUsingTimeFormat(const GUID* f) {
    D_PASS_THROUGH(IsUsingTimeFormat(f));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::SetTimeFormat(const GUID* f) {
    D_PASS_THROUGH(SetTimeFormat(f));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetDuration(LONGLONG* p) {
    D_PASS_THROUGH(GetDuration(p));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetStopPosition(LONGLONG* p) {
    D_PASS_THROUGH(GetStopPosition(p));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetCurrentPosition(LONGLONG* p) {
    D_PASS_THROUGH(GetCurrentPosition(p));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s,
                                                            const GUID* sf) {
    D_PASS_THROUGH(ConvertTimeFormat(t, tf, s, sf));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::SetPositions(LONGLONG* cur, DWORD cf, LONGLONG* stop,
                                                       DWORD sf) {
    D_PASS_THROUGH(SetPositions(cur, cf, stop, sf));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetPositions(LONGLONG* cur, LONGLONG* stop) {
    D_PASS_THROUGH(GetPositions(cur, stop));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetAvailable(LONGLONG* e, LONGLONG* l) {
    D_PASS_THROUGH(GetAvailable(e, l));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::SetRate(double r) {
    D_PASS_THROUGH(SetRate(r));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetRate(double* r) {
    D_PASS_THROUGH(GetRate(r));
}
HRESULT STDMETHODCALLTYPE D_CPosPassThru::GetPreroll(LONGLONG* p) {
    D_PASS_THROUGH(GetPreroll(p));
}
