// Process heap and global memory.
#pragma once

#include "win_types.h"

// --- the process heap --------------------------------------------------------
#define HEAP_NO_SERIALIZE 0x00000001u
#define HEAP_GENERATE_EXCEPTIONS 0x00000004u
#define HEAP_ZERO_MEMORY 0x00000008u
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010u

HANDLE WINAPI GetProcessHeap();
// Blocks are 16-byte aligned. HeapSize reports the size asked for. A pointer
// the heap did not give out is refused (FALSE / null / (SIZE_T)-1 with
// ERROR_INVALID_PARAMETER); a heap handle other than the process heap with
// ERROR_INVALID_HANDLE; a size the heap cannot give with ERROR_NOT_ENOUGH_MEMORY.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID WINAPI HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
SIZE_T WINAPI HeapSize(HANDLE heap, DWORD flags, LPCVOID memory);
// Hands the heap's free pages back to the system; at most the free bytes
// left (0 for a heap handle other than the process heap).
SIZE_T WINAPI HeapCompact(HANDLE heap, DWORD flags);

// --- global memory -------------------------------------------------------------
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_NOCOMPACT 0x0010u
#define GMEM_NODISCARD 0x0020u
#define GMEM_ZEROINIT 0x0040u
#define GMEM_MODIFY 0x0080u
#define GMEM_DISCARDABLE 0x0100u
#define GMEM_NOT_BANKED 0x1000u
#define GMEM_SHARE 0x2000u
#define GMEM_DDESHARE 0x2000u
#define GMEM_LOCKCOUNT 0x00FFu
#define GMEM_INVALID_HANDLE 0x8000u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// A moveable block's handle is a kernel object (GlobalLock gives its bytes);
// a fixed block's handle is its own address.
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID WINAPI GlobalLock(HGLOBAL memory);
// TRUE while locks remain; FALSE with NO_ERROR at the last unlock, FALSE
// with ERROR_NOT_LOCKED when the block was not locked.
BOOL WINAPI GlobalUnlock(HGLOBAL memory);
SIZE_T WINAPI GlobalSize(HGLOBAL memory);
// Null on success; the handle itself on failure.
HGLOBAL WINAPI GlobalFree(HGLOBAL memory);
// The handle of a block, given the address GlobalLock returned.
HGLOBAL WINAPI GlobalHandle(LPCVOID memory);
// The lock count in the low byte; GMEM_INVALID_HANDLE for a bad handle.
UINT WINAPI GlobalFlags(HGLOBAL memory);
