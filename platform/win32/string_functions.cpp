// The lstr* family: 8-bit string functions that tolerate null pointers the
// way Windows does instead of crashing.
#include <cstring>

#include "code_pages.h"
#include "win_text.h"

namespace {

unsigned char foldAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// One character of a code page 932 string: a double-byte pair counts as one
// unit whose trail byte is never case-folded.
unsigned nextUnit(const unsigned char*& p, bool fold) {
    unsigned c = *p++;
    if (platform::CodePageIsLeadByte(932, static_cast<unsigned char>(c)) && *p != 0)
        return (c << 8) | *p++;
    return fold ? foldAscii(static_cast<unsigned char>(c)) : c;
}

int compare(LPCSTR a, LPCSTR b, bool ignoreCase) {
    if (!a && !b) return 0;
    if (!a) return -1;
    if (!b) return 1;
    const unsigned char* pa = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(b);
    int caseOrder = 0;  // first case-only difference: lower case sorts first
    while (*pa || *pb) {
        unsigned ra = *pa ? nextUnit(pa, false) : 0;
        unsigned rb = *pb ? nextUnit(pb, false) : 0;
        unsigned fa = ra < 0x100 ? foldAscii(static_cast<unsigned char>(ra)) : ra;
        unsigned fb = rb < 0x100 ? foldAscii(static_cast<unsigned char>(rb)) : rb;
        if (fa != fb) return fa < fb ? -1 : 1;
        if (caseOrder == 0 && ra != rb) caseOrder = ra > rb ? -1 : 1;
    }
    return ignoreCase ? 0 : caseOrder;
}

}  // namespace

int WINAPI lstrlenA(LPCSTR lpString) {
    return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    return compare(lpString1, lpString2, false);
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    return compare(lpString1, lpString2, true);
}

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (!lpString1 || !lpString2) return nullptr;
    if (iMaxLength <= 0) return lpString1;
    size_t n = 0;
    while (n + 1 < size_t(iMaxLength) && lpString2[n] != 0) ++n;
    std::memmove(lpString1, lpString2, n);
    lpString1[n] = 0;
    return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    std::memmove(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}
