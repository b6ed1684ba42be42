// D_CMediaType and the media-type helpers: format blocks are CoTaskMemAlloc'd
// and every copy owns its own.
#include <cstring>

#include "dshow_base_classes.h"

void D_FreeMediaType(AM_MEDIA_TYPE& type) {
    if (type.cbFormat && type.pbFormat) CoTaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

HRESULT D_CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    if (!target || !source) return E_POINTER;
    *target = *source;
    if (source->cbFormat && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk) target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* D_CreateMediaType(const AM_MEDIA_TYPE* source) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type) return nullptr;
    if (FAILED(D_CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

void D_DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return;
    D_FreeMediaType(*type);
    CoTaskMemFree(type);
}

D_CMediaType::D_CMediaType() {
    InitMediaType();
}

D_CMediaType::D_CMediaType(const AM_MEDIA_TYPE& other) {
    InitMediaType();
    D_CopyMediaType(this, &other);
}

D_CMediaType::D_CMediaType(const D_CMediaType& other)
    : D_CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

D_CMediaType::~D_CMediaType() {
    D_FreeMediaType(*this);
}

D_CMediaType& D_CMediaType::operator=(const AM_MEDIA_TYPE& other) {
    if (&other != this) {
        D_FreeMediaType(*this);
        D_CopyMediaType(this, &other);
    }
    return *this;
}

D_CMediaType& D_CMediaType::operator=(const D_CMediaType& other) {
    return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

bool D_CMediaType::operator==(const D_CMediaType& other) const {
    return majortype == other.majortype && subtype == other.subtype &&
           formattype == other.formattype && cbFormat == other.cbFormat &&
           (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

void D_CMediaType::InitMediaType() {
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

BYTE* D_CMediaType::AllocFormatBuffer(ULONG length) {
    if (cbFormat == length && pbFormat) return pbFormat;
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!block) return nullptr;
    std::memset(block, 0, length);
    if (cbFormat && pbFormat) CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return block;
}

bool D_CMediaType::SetFormat(const void* format, ULONG length) {
    BYTE* block = AllocFormatBuffer(length);
    if (!block) return false;
    std::memcpy(block, format, length);
    return true;
}

bool D_CMediaType::IsPartiallySpecified() const {
    return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

bool D_CMediaType::MatchesPartial(const AM_MEDIA_TYPE* other) const {
    if (majortype != GUID_NULL && majortype != other->majortype) return false;
    if (subtype != GUID_NULL && subtype != other->subtype) return false;
    if (formattype != GUID_NULL) {
        if (formattype != other->formattype || cbFormat != other->cbFormat) return false;
        if (cbFormat && std::memcmp(pbFormat, other->pbFormat, cbFormat) != 0) return false;
    }
    return true;
}

HRESULT D_CheckOfferedType(const D_CMediaType& ours, const D_CMediaType* offered) {
    if (offered->majortype != ours.majortype) return VFW_E_TYPE_NOT_ACCEPTED;
    if (ours.subtype != GUID_NULL && offered->subtype != ours.subtype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT D_GetOfferedType(const D_CMediaType& ours, int position, D_CMediaType* out) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *out = ours;
    return S_OK;
}
