// Conversion between the code pages the program uses and Unicode, over
// iconv. Other areas use the code page 932 <-> UTF-8 helpers at their
// boundaries (paths, window captions, debug output, the command line).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "win_types.h"

namespace platform {

// The code page behind an alias (CP_ACP, CP_OEMCP, CP_THREAD_ACP -> 932), or
// 0 when the layer does not convert that code page.
UINT CodePageResolve(UINT codePage);

// True when the byte opens a double-byte character of the (resolved) code page.
bool CodePageIsLeadByte(UINT codePage, unsigned char byte);

// Bytes of a code page to UTF-16. Invalid bytes become the code page's default
// Unicode character, or the call fails (false) when failOnInvalid is set.
bool CodePageDecode(UINT codePage, std::string_view bytes, bool failOnInvalid, std::u16string& out);

// UTF-16 to bytes of a code page. A character the code page lacks (or an
// unpaired surrogate) becomes defaultChar (UTF-8: U+FFFD) and sets
// *usedDefault, or the call fails when failOnInvalid is set.
bool CodePageEncode(UINT codePage, std::u16string_view text, bool failOnInvalid,
                    std::string_view defaultChar, bool* usedDefault, std::string& out);

// Code page 932 text to UTF-8 and back; what cannot be converted is replaced
// (U+30FB one way, '?' the other).
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// How many converters are open (borrowed or idle in the shared pool).
size_t CodePageConvertersOpen();

// UTF-8 to UTF-32 (invalid bytes become U+FFFD), for comparing names.
std::u32string Utf8ToUtf32(std::string_view utf8);

}  // namespace platform
