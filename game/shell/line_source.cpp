// The two line sources.
#include "shell/line_source.h"

#include <algorithm>
#include <cstring>

engine_line_source::engine_line_source(const char* path) {
    handle_ = DuRud::OpenFileHandle(path, 0);
}

engine_line_source::~engine_line_source() {
    if (handle_ > 0) DuRud::DeleteTypedHandle(handle_);
}

int engine_line_source::read_line(char* buffer, int size) {
    if (handle_ <= 0) return -1;
    return DuRud::ReadFileHandleLine(buffer, size, handle_);
}

namespace {

// A lead byte of a code page 932 double-byte character.
bool is_lead_byte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

int text_line_source::read_line(char* buffer, int size) {
    if (buffer == nullptr || size < 2 || position_ >= text_.size()) return -1;
    const size_t got = std::min(static_cast<size_t>(size - 1), text_.size() - position_);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data() + position_);
    size_t length = got;
    size_t next = position_ + got;
    for (size_t i = 0; i < got;) {
        const unsigned char c = bytes[i];
        if (c == 0) {
            length = i;  // the rest of what was taken is passed over, as a file read is
            break;
        }
        const bool lead = is_lead_byte(c);
        if (lead && i + 1 >= got) {
            // Its trail byte was not taken: it starts the next call, unless it
            // is the only byte (every call moves on).
            if (i == 0) break;
            length = i;
            next = position_ + i;
            break;
        }
        if (c == '\r' && i + 1 < got && bytes[i + 1] == '\n') {
            length = i;
            next = position_ + i + 2;
            break;
        }
        i += lead ? 2 : 1;
    }
    std::memcpy(buffer, bytes, length);
    buffer[length] = '\0';
    position_ = next;
    return static_cast<int>(length);
}
