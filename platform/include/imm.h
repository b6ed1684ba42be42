// The input method (IME) interface: input contexts, composition and result
// strings, candidate lists and the WM_IME_* messages, with the documented
// names and values. Our IME never composes by itself: it reports no
// composition until a test scripts one through the knobs (test_knobs.h).
#pragma once

#include "win_types.h"

// HIMC, the input context handle, is declared with the other handles (win_types.h).

// --- messages -------------------------------------------------------------------
#define WM_IME_STARTCOMPOSITION 0x010D
#define WM_IME_ENDCOMPOSITION 0x010E
#define WM_IME_COMPOSITION 0x010F
#define WM_IME_KEYLAST 0x010F
#define WM_IME_SETCONTEXT 0x0281
#define WM_IME_NOTIFY 0x0282
#define WM_IME_CONTROL 0x0283
#define WM_IME_COMPOSITIONFULL 0x0284
#define WM_IME_SELECT 0x0285
#define WM_IME_CHAR 0x0286
#define WM_IME_REQUEST 0x0288
#define WM_IME_KEYDOWN 0x0290
#define WM_IME_KEYUP 0x0291

// --- composition string parts (WM_IME_COMPOSITION lParam, ImmGetCompositionString)
#define GCS_COMPREADSTR 0x0001
#define GCS_COMPREADATTR 0x0002
#define GCS_COMPREADCLAUSE 0x0004
#define GCS_COMPSTR 0x0008
#define GCS_COMPATTR 0x0010
#define GCS_COMPCLAUSE 0x0020
#define GCS_CURSORPOS 0x0080
#define GCS_DELTASTART 0x0100
#define GCS_RESULTREADSTR 0x0200
#define GCS_RESULTREADCLAUSE 0x0400
#define GCS_RESULTSTR 0x0800
#define GCS_RESULTCLAUSE 0x1000

// Attributes of composition characters.
#define ATTR_INPUT 0x00
#define ATTR_TARGET_CONVERTED 0x01
#define ATTR_CONVERTED 0x02
#define ATTR_TARGET_NOTCONVERTED 0x03
#define ATTR_INPUT_ERROR 0x04
#define ATTR_FIXEDCONVERTED 0x05

// ImmGetCompositionString errors.
#define IMM_ERROR_NODATA (-1)
#define IMM_ERROR_GENERAL (-2)

// ImmSetCompositionString.
#define SCS_SETSTR (GCS_COMPREADSTR | GCS_COMPSTR)
#define SCS_CHANGEATTR (GCS_COMPREADATTR | GCS_COMPATTR)
#define SCS_CHANGECLAUSE (GCS_COMPREADCLAUSE | GCS_COMPCLAUSE)

// --- WM_IME_NOTIFY wParam ------------------------------------------------------------
#define IMN_CLOSESTATUSWINDOW 0x0001
#define IMN_OPENSTATUSWINDOW 0x0002
#define IMN_CHANGECANDIDATE 0x0003
#define IMN_CLOSECANDIDATE 0x0004
#define IMN_OPENCANDIDATE 0x0005
#define IMN_SETCONVERSIONMODE 0x0006
#define IMN_SETSENTENCEMODE 0x0007
#define IMN_SETOPENSTATUS 0x0008
#define IMN_SETCANDIDATEPOS 0x0009
#define IMN_SETCOMPOSITIONFONT 0x000A
#define IMN_SETCOMPOSITIONWINDOW 0x000B
#define IMN_SETSTATUSWINDOWPOS 0x000C
#define IMN_GUIDELINE 0x000D
#define IMN_PRIVATE 0x000E

// WM_IME_SETCONTEXT lParam: which IME windows the application lets the IME show.
#define ISC_SHOWUICANDIDATEWINDOW 0x00000001
#define ISC_SHOWUICOMPOSITIONWINDOW 0x80000000
#define ISC_SHOWUIGUIDELINE 0x40000000
#define ISC_SHOWUIALLCANDIDATEWINDOW 0x0000000F
#define ISC_SHOWUIALL 0xC000000F

// --- ImmNotifyIME actions and their values ---------------------------------------------
#define NI_OPENCANDIDATE 0x0010
#define NI_CLOSECANDIDATE 0x0011
#define NI_SELECTCANDIDATESTR 0x0012
#define NI_CHANGECANDIDATELIST 0x0013
#define NI_FINALIZECONVERSIONRESULT 0x0014
#define NI_COMPOSITIONSTR 0x0015
#define NI_SETCANDIDATE_PAGESTART 0x0016
#define NI_SETCANDIDATE_PAGESIZE 0x0017
#define CPS_COMPLETE 0x0001
#define CPS_CONVERT 0x0002
#define CPS_REVERT 0x0003
#define CPS_CANCEL 0x0004

// --- conversion and sentence modes ----------------------------------------------------
#define IME_CMODE_ALPHANUMERIC 0x0000
#define IME_CMODE_NATIVE 0x0001
#define IME_CMODE_KATAKANA 0x0002
#define IME_CMODE_FULLSHAPE 0x0008
#define IME_CMODE_ROMAN 0x0010
#define IME_SMODE_NONE 0x0000
#define IME_SMODE_PHRASEPREDICT 0x0008

// --- candidate lists --------------------------------------------------------------------
#define IME_CAND_UNKNOWN 0x0000
#define IME_CAND_READ 0x0001
#define IME_CAND_CODE 0x0002

// dwOffset[i] is the byte offset of candidate i's NUL-terminated string from
// the start of the record; the strings follow the offsets.
typedef struct tagCANDIDATELIST {
    DWORD dwSize;
    DWORD dwStyle;
    DWORD dwCount;
    DWORD dwSelection;
    DWORD dwPageStart;
    DWORD dwPageSize;
    DWORD dwOffset[1];
} CANDIDATELIST, *PCANDIDATELIST, *LPCANDIDATELIST;

// --- "Imm32.dll" ------------------------------------------------------------------------
HIMC WINAPI ImmGetContext(HWND window);
BOOL WINAPI ImmReleaseContext(HWND window, HIMC context);
BOOL WINAPI ImmGetOpenStatus(HIMC context);
BOOL WINAPI ImmSetOpenStatus(HIMC context, BOOL open);
BOOL WINAPI ImmGetConversionStatus(HIMC context, LPDWORD conversion, LPDWORD sentence);
BOOL WINAPI ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD value);
// Bytes of candidate list `index`; with bufferSize 0 the size it needs. 0 when
// there is no such list or the buffer is too small.
DWORD WINAPI ImmGetCandidateListA(HIMC context, DWORD index, LPCANDIDATELIST buffer,
                                  DWORD bufferSize);
// Bytes of the part (strings without a NUL); with bufferSize 0 the size it
// needs; GCS_CURSORPOS and GCS_DELTASTART give their byte position instead.
LONG WINAPI ImmGetCompositionStringA(HIMC context, DWORD index, LPVOID buffer, DWORD bufferSize);
BOOL WINAPI ImmSetCompositionStringA(HIMC context, DWORD index, LPVOID composition,
                                     DWORD compositionSize, LPVOID reading, DWORD readingSize);

// "User32.dll": lets or stops the IME for the thread's windows; the previous state.
BOOL WINAPI WINNLSEnableIME(HWND window, BOOL enable);
