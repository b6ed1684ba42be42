// The position a seek asks for, from an origin of 0 (start), 1 (current
// position) or 2 (end); any other origin means the start. Shared by every
// stream kind so that they agree on the rule; each clamps or refuses the
// result in its own way.
#pragma once

#include <cstdint>

namespace DuRud {

inline int64_t SeekTarget(int origin, int32_t offset, uint64_t position, uint64_t size) {
    switch (origin) {
        case 0:
            return offset;
        case 1:
            return static_cast<int64_t>(position) + offset;
        case 2:
            return static_cast<int64_t>(size) + offset;
        default:
            return 0;
    }
}

}  // namespace DuRud
