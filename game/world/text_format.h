// printf into a caller's buffer of fixed size, cut to fit and always ended.
// Each returns what vsnprintf returns.
#pragma once

int format_text_16(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
int format_text_32(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
int format_text_256(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
int format_text_512(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
