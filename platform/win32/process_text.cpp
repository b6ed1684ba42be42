// UTF-8 <-> code page 932 for the process entry's arguments and the debugger
// output on stderr. Each call opens its own iconv descriptor: descriptors are
// not thread-safe and these calls are rare.
#include <iconv.h>

#include <cerrno>

#include "process_services.h"

namespace platform {
namespace {

// Length of the well-formed UTF-8 character at `p` (its lead byte and
// continuation bytes), else 1: a stray byte is replaced on its own.
size_t utf8Length(const char* p, size_t left) {
    unsigned char c = static_cast<unsigned char>(p[0]);
    size_t n = c >= 0xC2 && c <= 0xDF   ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 1;
    if (n > left) return 1;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 1;
    return n;
}

// Converts with iconv; an input sequence it cannot take is replaced by
// `replacement` after skipping `skip` bytes of input.
std::string convert(const char* to, const char* from, const std::string& text,
                    const std::string& replacement, size_t skip) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL (a cut-off sequence): replace and go on.
            size_t n = skip;
            if (errno == EILSEQ && from[0] == 'U') {
                // Skip one whole UTF-8 character.
                n = utf8Length(in, inLeft);
            }
            if (n > inLeft) n = inLeft;
            in += n;
            inLeft -= n;
            out += replacement;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Cp932FromUtf8(const std::string& text) {
    return convert("CP932", "UTF-8", text, "?", 1);
}

std::string Utf8FromCp932(const std::string& text) {
    return convert("UTF-8", "CP932", text, "\xEF\xBF\xBD", 1);
}

}  // namespace platform
