// DirectInput: the class and interface identifiers and result codes. No
// DirectInput class is registered in this layer yet, so CoCreateInstance of
// either class fails with REGDB_E_CLASSNOTREG and callers take their
// fallbacks.
#pragma once

#include "win_types.h"

#define DIRECTINPUT_VERSION_7 0x0700
#define DIRECTINPUT_VERSION_8 0x0800

#define DI_OK S_OK
#define DI_POLLEDDEVICE ((HRESULT)0x00000002L)

#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008

#define DI8DEVCLASS_GAMECTRL 4

DEFINE_GUID(CLSID_DirectInput, 0x25E609E0, 0xB259, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
            0x00);
DEFINE_GUID(CLSID_DirectInput8, 0x25E609E4, 0xB259, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54,
            0x00, 0x00);
DEFINE_GUID(IID_IDirectInput7A, 0x9A4CB684, 0x236D, 0x11D3, 0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68,
            0x44, 0xAE);
DEFINE_GUID(IID_IDirectInput8A, 0xBF798030, 0x483A, 0x4DA2, 0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36,
            0x97, 0x00);
