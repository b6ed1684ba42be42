// Code-page-aware helpers for the engine's 8-bit strings, and byte-wise
// string functions. The double-byte rules here decide everywhere in the
// engine whether a byte starts a two-byte character, so that a trail byte
// equal to '\' or '/' is never taken for a separator.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "DuRud.h"

namespace DuRud {

// Engine character sets (set once from the system's OEM code page).
constexpr int kCharSetShiftJis = 1;
constexpr int kCharSetKorean = 2;
constexpr int kCharSetTraditionalChinese = 3;
constexpr int kCharSetSimplifiedChinese = 4;

int SetEngineCharSet(int charSet);
int SetEngineCodePage(int codePage);

// Maps an OEM code page to the engine character set (932 and anything
// unknown: Shift-JIS) and to the engine code page (0 for unknown ones).
int CharSetFromCodePage(int codePage);
int EngineCodePageFromCodePage(int codePage);

// 0 single-byte character, 1 first byte of a double-byte character, 2 its
// second byte, -1 when the string ends before the index.
int GetCharKindAt(const char* s, int index, int charSet);

// True when s ends in a single-byte '\' (a trail byte 0x5C does not count).
bool EndsWithBackslash(const char* s, int charSet);

}  // namespace DuRud
