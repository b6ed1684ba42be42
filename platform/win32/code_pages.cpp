// Code-page conversion over iconv, and MultiByteToWideChar /
// WideCharToMultiByte with Windows' argument and error rules.
#include "code_pages.h"

#include <errno.h>
#include <iconv.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "win_kernel.h"

namespace platform {
namespace {

struct CodePageInfo {
    UINT id;
    const char* iconvName;  // "CP932", not "SHIFT_JIS": the latter lacks U+FF5E and friends
    char16_t defaultUnicode;
    unsigned char leadLow1, leadHigh1, leadLow2, leadHigh2;  // lead-byte ranges (0 = none)
};

constexpr CodePageInfo kCodePages[] = {
    {932, "CP932", u'\u30FB', 0x81, 0x9F, 0xE0, 0xFC},
    {936, "CP936", u'?', 0x81, 0xFE, 0, 0},
    {949, "CP949", u'?', 0x81, 0xFE, 0, 0},
    {950, "CP950", u'?', 0x81, 0xFE, 0, 0},
    {1252, "CP1252", u'?', 0, 0, 0, 0},
    {CP_UTF8, "UTF-8", u'\uFFFD', 0, 0, 0, 0},
};

// Single bytes Windows maps that the system's tables lack, both ways.
struct ExtraByte {
    UINT codePage;
    unsigned char byte;
    char16_t unicode;
};
constexpr ExtraByte kExtraBytes[] = {
    {932, 0x80, u'\u0080'}, {932, 0xA0, u'\uF8F0'}, {932, 0xFD, u'\uF8F1'},
    {932, 0xFE, u'\uF8F2'}, {932, 0xFF, u'\uF8F3'},
};

const ExtraByte* extraByte(UINT codePage, unsigned char byte) {
    for (const ExtraByte& e : kExtraBytes)
        if (e.codePage == codePage && e.byte == byte) return &e;
    return nullptr;
}
const ExtraByte* extraUnicode(UINT codePage, char16_t unicode) {
    for (const ExtraByte& e : kExtraBytes)
        if (e.codePage == codePage && e.unicode == unicode) return &e;
    return nullptr;
}

const CodePageInfo* findCodePage(UINT codePage) {
    UINT id = CodePageResolve(codePage);
    for (const CodePageInfo& info : kCodePages)
        if (info.id == id) return &info;
    return nullptr;
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv descriptors carry state and are not thread-safe, so a conversion
// borrows one from a process-wide pool and gives it back when it ends. Kept
// per thread, every thread that ever converted held its own (about 30 KB of
// buffers each): the many loader threads held megabytes for a path or two.
class ConverterPool {
  public:
    iconv_t take(const char* to, const char* from) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (size_t i = 0; i < idle_.size(); ++i) {
                if (std::strcmp(idle_[i].to, to) == 0 && std::strcmp(idle_[i].from, from) == 0) {
                    iconv_t cd = idle_[i].cd;
                    idle_.erase(idle_.begin() + static_cast<std::ptrdiff_t>(i));
                    return cd;
                }
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd != kNoConverter) open_.fetch_add(1);
        return cd;
    }
    void give(const char* to, const char* from, iconv_t cd) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        std::lock_guard<std::mutex> guard(lock_);
        idle_.push_back({to, from, cd});
    }
    size_t open() const { return open_.load(); }

  private:
    struct Entry {
        const char* to;  // names are string literals of this file
        const char* from;
        iconv_t cd;
    };
    std::mutex lock_;
    std::vector<Entry> idle_;
    std::atomic<size_t> open_{0};
};

// Never destroyed: threads may still convert while the process ends.
ConverterPool& converters() {
    static ConverterPool* pool = new ConverterPool;
    return *pool;
}

// One borrowed descriptor for the length of a conversion.
class Converter {
  public:
    Converter(const char* to, const char* from)
        : to_(to), from_(from), cd_(converters().take(to, from)) {}
    ~Converter() {
        if (cd_ != kNoConverter) converters().give(to_, from_, cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const { return cd_; }

  private:
    const char* to_;
    const char* from_;
    iconv_t cd_;
};

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// UTF-8: the longest start of a well-formed sequence is replaced as one
// character (a truncated three-byte character gives one U+FFFD, not two).
size_t utf8InvalidSpan(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t need;
    unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
    if (c >= 0xC2 && c <= 0xDF) {
        need = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 1;
    }
    size_t span = 1;
    for (size_t i = 1; i <= need && i < left; ++i) {
        unsigned char t = p[i];
        bool ok = i == 1 ? (t >= low && t <= high) : (t >= 0x80 && t <= 0xBF);
        if (!ok) break;
        ++span;
    }
    return span;
}

// Bytes an invalid sequence at p spans: a lead byte followed by a byte in the
// trail range is one (unmapped) character; otherwise the one bad byte goes.
size_t invalidSpan(const CodePageInfo& info, const unsigned char* p, size_t left) {
    if (info.id == CP_UTF8) return utf8InvalidSpan(p, left);
    if (left < 2) return 1;
    if (!CodePageIsLeadByte(info.id, p[0])) return 1;
    unsigned char t = p[1];
    bool trail = info.id == 932 ? (t >= 0x40 && t <= 0xFC && t != 0x7F) : (t >= 0x40 && t <= 0xFE);
    return trail ? 2 : 1;
}

}  // namespace

size_t CodePageConvertersOpen() {
    return converters().open();
}

UINT CodePageResolve(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case CP_OEMCP:
        case CP_THREAD_ACP:
            return 932;
        case 932:
        case 936:
        case 949:
        case 950:
        case 1252:
        case CP_UTF8:
            return codePage;
        default:
            return 0;
    }
}

bool CodePageIsLeadByte(UINT codePage, unsigned char byte) {
    const CodePageInfo* info = findCodePage(codePage);
    if (!info || info->leadLow1 == 0) return false;
    return (byte >= info->leadLow1 && byte <= info->leadHigh1) ||
           (info->leadLow2 != 0 && byte >= info->leadLow2 && byte <= info->leadHigh2);
}

bool CodePageDecode(UINT codePage, std::string_view bytes, bool failOnInvalid,
                    std::u16string& out) {
    out.clear();
    const CodePageInfo* info = findCodePage(codePage);
    if (!info) return false;
    const Converter converter("UTF-16LE", info->iconvName);
    iconv_t cd = converter.get();
    if (cd == kNoConverter) return false;
    // Every input byte gives at most one UTF-16 unit.
    std::u16string buffer(bytes.size() + 1, u'\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outp = reinterpret_cast<char*>(buffer.data());
    size_t outLeft = buffer.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) return false;
        const ExtraByte* extra = extraByte(info->id, static_cast<unsigned char>(*in));
        if (!extra && failOnInvalid) return false;
        size_t skip = extra ? 1 : invalidSpan(*info, reinterpret_cast<unsigned char*>(in), inLeft);
        char16_t replacement = extra ? extra->unicode : info->defaultUnicode;
        std::memcpy(outp, &replacement, sizeof replacement);
        outp += sizeof replacement;
        outLeft -= sizeof replacement;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    size_t units = (reinterpret_cast<char16_t*>(outp) - buffer.data());
    buffer.resize(units);
    out = std::move(buffer);
    return true;
}

bool CodePageEncode(UINT codePage, std::u16string_view text, bool failOnInvalid,
                    std::string_view defaultChar, bool* usedDefault, std::string& out) {
    out.clear();
    if (usedDefault) *usedDefault = false;
    const CodePageInfo* info = findCodePage(codePage);
    if (!info) return false;
    const Converter converter(info->iconvName, "UTF-16LE");
    iconv_t cd = converter.get();
    if (cd == kNoConverter) return false;
    std::string replacement(info->id == CP_UTF8 ? std::string_view("\xEF\xBF\xBD") : defaultChar);
    // A unit gives at most 3 bytes (UTF-8); a replacement at most its own length.
    std::string buffer(text.size() * std::max<size_t>(3, replacement.size()) + 1, '\0');
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    size_t inLeft = text.size() * sizeof(char16_t);
    char* outp = buffer.data();
    size_t outLeft = buffer.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) return false;
        const char16_t* unit = reinterpret_cast<const char16_t*>(in);
        size_t unitsLeft = inLeft / sizeof(char16_t);
        size_t skip = 1;
        if (const ExtraByte* extra = extraUnicode(info->id, unit[0])) {
            *outp++ = static_cast<char>(extra->byte);
            --outLeft;
        } else {
            if (failOnInvalid) return false;
            if (unitsLeft >= 2 && isHighSurrogate(unit[0]) && isLowSurrogate(unit[1])) skip = 2;
            std::memcpy(outp, replacement.data(), replacement.size());
            outp += replacement.size();
            outLeft -= replacement.size();
            if (usedDefault) *usedDefault = true;
        }
        in += skip * sizeof(char16_t);
        inLeft -= skip * sizeof(char16_t);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    buffer.resize(static_cast<size_t>(outp - buffer.data()));
    out = std::move(buffer);
    return true;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::u16string wide;
    std::string utf8;
    CodePageDecode(932, cp932, false, wide);
    CodePageEncode(CP_UTF8, wide, false, {}, nullptr, utf8);
    return utf8;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::u16string wide;
    std::string cp932;
    CodePageDecode(CP_UTF8, utf8, false, wide);
    CodePageEncode(932, wide, false, "?", nullptr, cp932);
    return cp932;
}

std::u32string Utf8ToUtf32(std::string_view utf8) {
    std::u16string wide;
    CodePageDecode(CP_UTF8, utf8, false, wide);
    std::u32string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char16_t c = wide[i];
        if (isHighSurrogate(c) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) {
            out.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace platform

// --- the Windows entry points ---------------------------------------------------

namespace {

int multiByteToWide(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                    LPWSTR lpWideCharStr, int cchWideChar) {
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = platform::CodePageResolve(CodePage);
    if (cp == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD allowed = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS
                                  : (MB_PRECOMPOSED | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS);
    if (dwFlags & ~allowed) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    std::u16string wide;
    if (!platform::CodePageDecode(cp, std::string_view(lpMultiByteStr, length),
                                  (dwFlags & MB_ERR_INVALID_CHARS) != 0, wide)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (cchWideChar == 0) return static_cast<int>(wide.size());
    if (wide.size() > size_t(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
    return static_cast<int>(wide.size());
}

int wideToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                    LPBOOL lpUsedDefaultChar) {
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT cp = platform::CodePageResolve(CodePage);
    if (cp == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (cp == CP_UTF8) {
        // UTF-8 represents every character: a default character makes no sense.
        if (dwFlags & ~DWORD(WC_ERR_INVALID_CHARS)) {
            SetLastError(ERROR_INVALID_FLAGS);
            return 0;
        }
        if (lpDefaultChar || lpUsedDefaultChar) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    } else if (dwFlags & ~DWORD(WC_NO_BEST_FIT_CHARS | WC_DEFAULTCHAR)) {
        // Composition checks are not done here; refuse rather than ignore them.
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t length = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[length] != 0) ++length;
        ++length;
    } else {
        length = size_t(cchWideChar);
    }
    // The caller's default character: one byte, or two when it starts with a lead byte.
    std::string_view defaultChar = "?";
    if (lpDefaultChar && lpDefaultChar[0] != 0) {
        bool twoBytes =
            platform::CodePageIsLeadByte(cp, static_cast<unsigned char>(lpDefaultChar[0])) &&
            lpDefaultChar[1] != 0;
        defaultChar = std::string_view(lpDefaultChar, twoBytes ? 2 : 1);
    }
    bool used = false;
    std::string bytes;
    if (!platform::CodePageEncode(cp, std::u16string_view(lpWideCharStr, length),
                                  (dwFlags & WC_ERR_INVALID_CHARS) != 0, defaultChar, &used,
                                  bytes)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (bytes.size() > size_t(std::numeric_limits<int>::max())) {
        SetLastError(ERROR_INVALID_PARAMETER);  // the count would not fit the result
        return 0;
    }
    if (cbMultiByte == 0) {
        if (lpUsedDefaultChar) *lpUsedDefaultChar = used ? TRUE : FALSE;
        return static_cast<int>(bytes.size());
    }
    if (bytes.size() > size_t(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
    if (lpUsedDefaultChar) *lpUsedDefaultChar = used ? TRUE : FALSE;
    return static_cast<int>(bytes.size());
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    try {
        return multiByteToWide(CodePage, dwFlags, lpMultiByteStr, cbMultiByte, lpWideCharStr,
                               cchWideChar);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
    try {
        return wideToMultiByte(CodePage, dwFlags, lpWideCharStr, cchWideChar, lpMultiByteStr,
                               cbMultiByte, lpDefaultChar, lpUsedDefaultChar);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

UINT WINAPI GetACP() {
    return 932;
}
UINT WINAPI GetOEMCP() {
    return 932;
}

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
    return platform::CodePageIsLeadByte(932, TestChar) ? TRUE : FALSE;
}

BOOL WINAPI IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
    UINT cp = platform::CodePageResolve(CodePage);
    if (cp == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return platform::CodePageIsLeadByte(cp, TestChar) ? TRUE : FALSE;
}
