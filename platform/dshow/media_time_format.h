// The one time format the stand-in's seeking offers: media time (100 ns).
#pragma once

#include "dshow.h"

namespace dshow {

inline HRESULT IsMediaTimeFormat(const GUID* f) {
    if (!f) return E_POINTER;
    return *f == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

inline HRESULT GetMediaTimeFormat(GUID* f) {
    if (!f) return E_POINTER;
    *f = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

inline HRESULT SetMediaTimeFormat(const GUID* f) {
    if (!f) return E_POINTER;
    return *f == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

// Media time to media time (a null format means the current one).
inline HRESULT ConvertMediaTime(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) {
    if (!t) return E_POINTER;
    if ((tf && *tf != TIME_FORMAT_MEDIA_TIME) || (sf && *sf != TIME_FORMAT_MEDIA_TIME))
        return E_INVALIDARG;
    *t = s;
    return S_OK;
}

}  // namespace dshow
