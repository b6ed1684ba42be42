// DirectDraw 7 as the engine uses it: the object made through COM, its
// initialisation, cooperative level and the vertical-blank wait. Every method
// is declared in the documented order; the rest answer DDERR_UNSUPPORTED.
#pragma once

#include "win_types.h"

DEFINE_GUID(CLSID_DirectDraw, 0xd7b70ee0, 0x4340, 0x11cf, 0xb0, 0x63, 0x00, 0x20, 0xaf, 0xc2, 0xcd,
            0x35);
DEFINE_GUID(CLSID_DirectDraw7, 0x3c305196, 0x50db, 0x11d3, 0x9c, 0xfe, 0x00, 0xc0, 0x4f, 0xd9, 0x30,
            0xc5);
DEFINE_GUID(IID_IDirectDraw7, 0x15e65ec0, 0x3b9c, 0x11d2, 0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea,
            0x5b);

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#define DD_OK S_OK
#define DDERR_GENERIC E_FAIL
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_ALREADYINITIALIZED MAKE_DDHRESULT(5)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_NOTINITIALIZED CO_E_NOTINITIALIZED

#define DDSCL_FULLSCREEN 0x00000001L
#define DDSCL_ALLOWREBOOT 0x00000002L
#define DDSCL_NOWINDOWCHANGES 0x00000004L
#define DDSCL_NORMAL 0x00000008L
#define DDSCL_EXCLUSIVE 0x00000010L
#define DDSCL_ALLOWMODEX 0x00000040L
#define DDSCL_SETFOCUSWINDOW 0x00000080L
#define DDSCL_SETDEVICEWINDOW 0x00000100L
#define DDSCL_CREATEDEVICEWINDOW 0x00000200L
#define DDSCL_MULTITHREADED 0x00000400L
#define DDSCL_FPUSETUP 0x00000800L
#define DDSCL_FPUPRESERVE 0x00001000L

#define DDWAITVB_BLOCKBEGIN 0x00000001L
#define DDWAITVB_BLOCKBEGINEVENT 0x00000002L
#define DDWAITVB_BLOCKEND 0x00000004L

// Records of the methods this stand-in does not offer; only pointers to them
// pass through.
struct PALETTEENTRY;
struct DDSURFACEDESC2;
struct DDCAPS_DX7;
struct DDSCAPS2;
struct DDDEVICEIDENTIFIER2;
struct IDirectDrawClipper;
struct IDirectDrawPalette;
struct IDirectDrawSurface7;
typedef DDCAPS_DX7* LPDDCAPS;
typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK2)(DDSURFACEDESC2*, void*);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK7)(IDirectDrawSurface7*, DDSURFACEDESC2*, void*);

struct IDirectDraw7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD dwFlags, IDirectDrawClipper** ppClipper,
                                                    IUnknown* pUnkOuter) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD dwFlags, PALETTEENTRY* pEntries,
                                                    IDirectDrawPalette** ppPalette,
                                                    IUnknown* pUnkOuter) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(DDSURFACEDESC2* pDesc,
                                                    IDirectDrawSurface7** ppSurface,
                                                    IUnknown* pUnkOuter) = 0;
    virtual HRESULT STDMETHODCALLTYPE DuplicateSurface(IDirectDrawSurface7* pSurface,
                                                       IDirectDrawSurface7** ppDuplicate) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD dwFlags, DDSURFACEDESC2* pDesc,
                                                       void* pContext,
                                                       LPDDENUMMODESCALLBACK2 callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD dwFlags, DDSURFACEDESC2* pDesc,
                                                   void* pContext,
                                                   LPDDENUMSURFACESCALLBACK7 callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS pDriverCaps, LPDDCAPS pHELCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(DDSURFACEDESC2* pDesc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFourCCCodes(DWORD* pNumCodes, DWORD* pCodes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGDISurface(IDirectDrawSurface7** ppSurface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorFrequency(DWORD* pdwFrequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScanLine(DWORD* pdwScanLine) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(BOOL* pbIsInVB) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(GUID* pGUID) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hWnd, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP,
                                                     DWORD dwRefreshRate, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD dwFlags, HANDLE hEvent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAvailableVidMem(DDSCAPS2* pDDSCaps2, DWORD* pdwTotal,
                                                         DWORD* pdwFree) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceFromDC(HDC hdc,
                                                       IDirectDrawSurface7** ppSurface) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreAllSurfaces() = 0;
    virtual HRESULT STDMETHODCALLTYPE TestCooperativeLevel() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceIdentifier(DDDEVICEIDENTIFIER2* pIdentifier,
                                                          DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartModeTest(SIZE* pModes, DWORD dwNumEntries,
                                                    DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE EvaluateMode(DWORD dwFlags, DWORD* pSecondsUntilTimeout) = 0;
};
