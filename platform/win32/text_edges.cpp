// Code page 932 <-> UTF-8 where window text meets SDL (captions, clipboard,
// dropped file names). Bytes that do not convert become '?'.
#include <iconv.h>

#include <cerrno>

#include "user_state.h"

namespace platform::user {

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
    if (text.empty()) return text;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    out.resize(text.size() * 4 + 8);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Skip the byte that does not convert.
            ++in;
            --inLeft;
            if (outLeft > 0) {
                *dst++ = '?';
                --outLeft;
            }
        } else {
            break;  // E2BIG cannot happen with the size reserved above
        }
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string Cp932ToUtf8(const std::string& text) {
    return Convert(text, "UTF-8", "CP932");
}

std::string Utf8ToCp932(const std::string& text) {
    return Convert(text, "CP932", "UTF-8");
}

}  // namespace platform::user
