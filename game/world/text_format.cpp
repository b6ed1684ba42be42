// The world's fixed-size printf routines.
#include "world/text_format.h"

#include <cstdarg>
#include <cstdio>

#define FORMAT_INTO(size)                                           \
    int format_text_##size(char* buffer, const char* format, ...) { \
        va_list args;                                               \
        va_start(args, format);                                     \
        const int n = std::vsnprintf(buffer, size, format, args);   \
        va_end(args);                                               \
        return n;                                                   \
    }

FORMAT_INTO(16)
FORMAT_INTO(32)
FORMAT_INTO(256)
FORMAT_INTO(512)
