// A small printf-style formatter for wide (16-bit) text. No C library
// formats char16_t, so the engine carries its own: %d %i %u %x %X %c %s %%,
// flags, width, precision and the integer length modifiers.
#include <cstdint>

#include "core/system_services.h"

namespace DuRud {
namespace {

class WideWriter {
  public:
    WideWriter(char16_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void Put(char16_t c) {
        if (length_ + 1 < capacity_) buffer_[length_++] = c;
    }
    void Repeat(char16_t c, int count) {
        for (int i = 0; i < count; ++i) Put(c);
    }
    int Finish() {
        buffer_[length_] = 0;
        return static_cast<int>(length_);
    }

  private:
    char16_t* buffer_;
    size_t capacity_;
    size_t length_ = 0;
};

struct Spec {
    bool left = false, zero = false, plus = false, space = false;
    int width = 0;
    int precision = -1;
    int size = 0;  // 0 int, 1 long long
};

void PutPadded(WideWriter& out, const Spec& spec, const char16_t* prefix, int prefixLength,
               const char16_t* body, int bodyLength, int zeros) {
    const int total = prefixLength + zeros + bodyLength;
    const int pad = spec.width > total ? spec.width - total : 0;
    if (!spec.left) out.Repeat(u' ', pad);
    for (int i = 0; i < prefixLength; ++i) out.Put(prefix[i]);
    out.Repeat(u'0', zeros);
    for (int i = 0; i < bodyLength; ++i) out.Put(body[i]);
    if (spec.left) out.Repeat(u' ', pad);
}

void PutInteger(WideWriter& out, const Spec& spec, uint64_t magnitude, bool negative, unsigned base,
                bool upper) {
    char16_t digits[32];
    int count = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    if (!(magnitude == 0 && spec.precision == 0)) {
        do {
            digits[count++] = static_cast<char16_t>(set[magnitude % base]);
            magnitude /= base;
        } while (magnitude != 0);
    }
    char16_t body[32];
    for (int i = 0; i < count; ++i) body[i] = digits[count - 1 - i];
    char16_t prefix[1];
    int prefixLength = 0;
    if (negative)
        prefix[prefixLength++] = u'-';
    else if (spec.plus)
        prefix[prefixLength++] = u'+';
    else if (spec.space)
        prefix[prefixLength++] = u' ';
    int zeros = spec.precision > count ? spec.precision - count : 0;
    if (spec.zero && !spec.left && spec.precision < 0) {
        const int room = spec.width - prefixLength - count;
        if (room > zeros) zeros = room;
    }
    PutPadded(out, spec, prefix, prefixLength, body, count, zeros);
}

}  // namespace

int FormatWideStringV(char16_t* buffer, size_t bufferChars, const char16_t* format, va_list args) {
    if (!buffer || bufferChars == 0) return -1;
    WideWriter out(buffer, bufferChars);
    if (!format) return out.Finish();
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        const char16_t* start = p++;
        Spec spec;
        for (;; ++p) {
            if (*p == u'-')
                spec.left = true;
            else if (*p == u'0')
                spec.zero = true;
            else if (*p == u'+')
                spec.plus = true;
            else if (*p == u' ')
                spec.space = true;
            else if (*p == u'#')
                continue;
            else
                break;
        }
        if (*p == u'*') {
            spec.width = va_arg(args, int);
            if (spec.width < 0) {
                spec.left = true;
                spec.width = -spec.width;
            }
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9' && spec.width < 100000)
                spec.width = spec.width * 10 + (*p++ - u'0');
        }
        if (*p == u'.') {
            ++p;
            spec.precision = 0;
            if (*p == u'*') {
                spec.precision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9' && spec.precision < 100000)
                    spec.precision = spec.precision * 10 + (*p++ - u'0');
            }
        }
        if (*p == u'h') {
            ++p;
            if (*p == u'h') ++p;
        } else if (*p == u'l') {
            ++p;
            if (*p == u'l') {
                spec.size = 1;
                ++p;
            }
        } else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
            spec.size = 1;
            p += 3;
        }
        switch (*p) {
            case u'd':
            case u'i': {
                const int64_t v = spec.size ? va_arg(args, long long) : va_arg(args, int);
                const uint64_t magnitude =
                    v < 0 ? 0u - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                PutInteger(out, spec, magnitude, v < 0, 10, false);
                break;
            }
            case u'u':
            case u'x':
            case u'X': {
                const uint64_t v =
                    spec.size ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
                const unsigned base = (*p == u'u') ? 10 : 16;
                Spec unsignedSpec = spec;
                unsignedSpec.plus = unsignedSpec.space = false;
                PutInteger(out, unsignedSpec, v, false, base, *p == u'X');
                break;
            }
            case u'c': {
                const char16_t c = static_cast<char16_t>(va_arg(args, int));
                PutPadded(out, spec, nullptr, 0, &c, 1, 0);
                break;
            }
            case u's': {
                const char16_t* s = va_arg(args, const char16_t*);
                if (!s) s = u"(null)";
                int n = 0;
                while (s[n] != 0 && (spec.precision < 0 || n < spec.precision)) ++n;
                PutPadded(out, spec, nullptr, 0, s, n, 0);
                break;
            }
            case u'%':
                out.Put(u'%');
                break;
            default:
                // Not a conversion we know: copy it as it stands.
                for (const char16_t* q = start; q <= p && *q != 0; ++q) out.Put(*q);
                if (*p == 0) return out.Finish();
                break;
        }
    }
    return out.Finish();
}

int FormatWideString(char16_t* buffer, size_t bufferChars, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = FormatWideStringV(buffer, bufferChars, format, args);
    va_end(args);
    return n;
}

}  // namespace DuRud
