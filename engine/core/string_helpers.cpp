// Engine 8-bit strings: character-set state, double-byte rules and the
// byte-wise string functions every module uses instead of the C library.
#include "core/string_helpers.h"
#include "files/archive_format.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace DuRud {
namespace {

std::atomic<int> engineCharSet{kCharSetShiftJis};
std::atomic<int> engineCodePage{932};

// Byte length of the character that starts at s (1 or 2; 1 when a lead byte
// is the last byte before the NUL).
int CharLength(const unsigned char* s, int charSet) {
    if (IsLeadByte(s[0], charSet) && s[1] != 0) return 2;
    return 1;
}

}  // namespace

int SetEngineCharSet(int charSet) {
    engineCharSet = charSet;
    return 0;
}
int GetEngineCharSet() {
    return engineCharSet;
}
int SetEngineCodePage(int codePage) {
    engineCodePage = codePage;
    return 0;
}
int GetEngineCodePage() {
    return engineCodePage;
}

int CharSetFromCodePage(int codePage) {
    switch (codePage) {
        case 949:
            return kCharSetKorean;
        case 950:
            return kCharSetTraditionalChinese;
        case 936:
            return kCharSetSimplifiedChinese;
        default:
            return kCharSetShiftJis;
    }
}

int EngineCodePageFromCodePage(int codePage) {
    switch (codePage) {
        case 932:
        case 936:
        case 949:
        case 950:
            return codePage;
        default:
            return 0;
    }
}

int IsLeadByte(unsigned char byte, int charSet) {
    if (charSet == kCharSetKorean || charSet == kCharSetTraditionalChinese ||
        charSet == kCharSetSimplifiedChinese)
        return (byte & 0x80) ? 1 : 0;
    return IsShiftJisLeadByte(byte) ? 1 : 0;
}

int GetCharKindAt(const char* s, int index, int charSet) {
    if (!s || index < 0) return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    for (int i = 0; p[i] != 0;) {
        if (IsLeadByte(p[i], charSet)) {
            if (index == i) return 1;
            if (p[i + 1] == 0) return -1;
            if (index == i + 1) return 2;
            i += 2;
        } else {
            if (index == i) return 0;
            i += 1;
        }
    }
    return -1;
}

bool EndsWithBackslash(const char* s, int charSet) {
    const int n = static_cast<int>(std::strlen(s));
    return n > 0 && s[n - 1] == '\\' && GetCharKindAt(s, n - 1, charSet) == 0;
}

char* FindChar(const char* s, int byte) {
    if (!s) return nullptr;
    const int charSet = GetEngineCharSet();
    auto* p = reinterpret_cast<const unsigned char*>(s);
    const auto wanted = static_cast<unsigned char>(byte);
    while (*p != 0) {
        const int len = CharLength(p, charSet);
        if (len == 1 && *p == wanted) return const_cast<char*>(reinterpret_cast<const char*>(p));
        p += len;
    }
    return nullptr;
}

int UpperCaseString(char* s) {
    if (!s) return 0;
    const int charSet = GetEngineCharSet();
    auto* p = reinterpret_cast<unsigned char*>(s);
    while (*p != 0) {
        const int len = CharLength(p, charSet);
        if (len == 1 && *p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 'a' + 'A');
        p += len;
    }
    return 0;
}

int CopyString(char* dst, const char* src) {
    std::strcpy(dst, src);
    return 0;
}

int CopyStringN(char* dst, const char* src, int n) {
    int i = 0;
    for (; i < n && src[i] != 0; ++i) dst[i] = src[i];
    dst[i] = 0;
    return 0;
}

int AppendString(char* dst, const char* src) {
    std::strcat(dst, src);
    return 0;
}

int AppendWideString(char16_t* dst, const char16_t* src) {
    while (*dst) ++dst;
    while ((*dst++ = *src++) != 0) {
    }
    return 0;
}

char* FindString(const char* haystack, const char* needle) {
    if (!haystack || haystack[0] == 0) return nullptr;
    return const_cast<char*>(std::strstr(haystack, needle));
}

int StringLength(const char* s) {
    return static_cast<int>(std::strlen(s));
}

int CompareStrings(const char* a, const char* b) {
    return std::strcmp(a, b) == 0 ? 0 : 1;
}

// Stops at a NUL that both strings share: the bytes behind a terminator may
// lie outside the caller's buffer.
int CompareStringsN(const char* a, const char* b, int n) {
    if (n <= 0) return 0;
    return std::strncmp(a, b, static_cast<size_t>(n)) == 0 ? 0 : 1;
}

int FormatStringV(char* dst, size_t dstSize, const char* format, va_list args) {
    if (!dst || dstSize == 0) return -1;
    if (!format) {
        dst[0] = 0;
        return -1;
    }
    const int n = std::vsnprintf(dst, dstSize, format, args);
    if (n < 0) {
        dst[0] = 0;
        return -1;
    }
    return n < static_cast<int>(dstSize) ? n : static_cast<int>(dstSize) - 1;
}

int FormatString(char* dst, size_t dstSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatStringV(dst, dstSize, format, args);
    va_end(args);
    return 0;
}

char* IntToString(int value, char* dst, int radix) {
    if (!dst) return dst;
    if (radix < 2 || radix > 36) {
        dst[0] = 0;
        return dst;
    }
    char digits[40];
    int count = 0;
    // The magnitude as unsigned, so that INT_MIN has one.
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        const unsigned d = magnitude % static_cast<unsigned>(radix);
        digits[count++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
        magnitude /= static_cast<unsigned>(radix);
    } while (magnitude != 0);
    char* out = dst;
    if (value < 0) *out++ = '-';
    while (count > 0) *out++ = digits[--count];
    *out = 0;
    return dst;
}

}  // namespace DuRud
