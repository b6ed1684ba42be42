// Code page 932 <-> UTF-8 where window text meets SDL (captions, clipboard,
// dropped file names), through the layer's code pages.
#include "code_pages.h"
#include "user_state.h"

namespace platform::user {

std::string Cp932ToUtf8(const std::string& text) {
    return platform::Cp932ToUtf8(text);
}

std::string Utf8ToCp932(const std::string& text) {
    return platform::Utf8ToCp932(text);
}

}  // namespace platform::user
