// The pin and media-type enumerators of the base classes.
#include "dshow_base_classes.h"

D_CEnumPins::D_CEnumPins(D_CBaseFilter* filter, size_t position)
    : filter_(filter), position_(position) {
    filter_->AddRef();
    for (int i = 0; i < filter->GetPinCount(); ++i) {
        IPin* pin = filter->GetPin(i);
        if (pin) pins_.push_back(pin);
    }
}

D_CEnumPins::~D_CEnumPins() {
    filter_->Release();
}

HRESULT STDMETHODCALLTYPE D_CEnumPins::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumPins) return D_GetInterface(this, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE D_CEnumPins::Release() {
    long left = --refs_;
    if (left == 0) delete this;
    return ULONG(left < 0 ? 0 : left);
}

HRESULT STDMETHODCALLTYPE D_CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
    if (!ppPins) return E_POINTER;
    if (cPins > 1 && !pcFetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < cPins && position_ < pins_.size()) {
        ppPins[got] = pins_[position_++];
        ppPins[got]->AddRef();
        ++got;
    }
    if (pcFetched) *pcFetched = got;
    return got == cPins ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE D_CEnumPins::Skip(ULONG cPins) {
    if (position_ + cPins > pins_.size()) {
        position_ = pins_.size();
        return S_FALSE;
    }
    position_ += cPins;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CEnumPins::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CEnumPins::Clone(IEnumPins** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new D_CEnumPins(filter_, position_);
    return S_OK;
}

D_CEnumMediaTypes::D_CEnumMediaTypes(D_CBasePin* pin, size_t position)
    : pin_(pin), position_(position) {
    pin_->AddRef();
}

D_CEnumMediaTypes::~D_CEnumMediaTypes() {
    pin_->Release();
}

HRESULT STDMETHODCALLTYPE D_CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) return D_GetInterface(this, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE D_CEnumMediaTypes::Release() {
    long left = --refs_;
    if (left == 0) delete this;
    return ULONG(left < 0 ? 0 : left);
}

HRESULT STDMETHODCALLTYPE D_CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types,
                                                  ULONG* fetched) {
    if (!types) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count) {
        D_CMediaType mt;
        if (pin_->GetMediaType(int(position_), &mt) != S_OK) break;
        ++position_;
        types[got] = D_CreateMediaType(&mt);
        if (!types[got]) break;
        ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE D_CEnumMediaTypes::Skip(ULONG count) {
    position_ += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CEnumMediaTypes::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE D_CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new D_CEnumMediaTypes(pin_, position_);
    return S_OK;
}
