// A memory stream for the decoder tests, with the loader memory stream's
// rules (a partial last element still counts as one), so that decoders are
// proven not to trust a read count of 1.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "image/image_decoders.h"

namespace decodertest {

struct TestStream {
    std::string bytes;
    int64_t position = 0;
    int reads = 0;
    int rewinds = 0;  // seeks to the start

    explicit TestStream(std::string b) : bytes(std::move(b)) {}

    DuRud::ImageStream Interface() {
        DuRud::ImageStream s{};
        s.Tell = [](intptr_t h) { return int32_t(Self(h)->position); };
        s.Seek = [](intptr_t h, int32_t offset, int origin) {
            TestStream* t = Self(h);
            if (offset == 0 && origin == 0) ++t->rewinds;
            int64_t size = int64_t(t->bytes.size());
            int64_t p = origin == 0   ? offset
                        : origin == 1 ? t->position + offset
                        : origin == 2 ? size + offset
                                      : 0;
            t->position = std::clamp<int64_t>(p, 0, size);
            return 0;
        };
        s.Read = [](void* buffer, size_t size, size_t count, intptr_t h) -> size_t {
            TestStream* t = Self(h);
            ++t->reads;
            size_t left = t->bytes.size() - size_t(t->position);
            if (left == 0 || size == 0) return 0;
            size_t n = count;
            if (size * count > left) n = left / size;
            size_t copy = n ? n * size : left;
            std::memcpy(buffer, t->bytes.data() + t->position, copy);
            t->position += int64_t(copy);
            return n ? n : 1;
        };
        s.Eof = [](intptr_t h) {
            return Self(h)->position == int64_t(Self(h)->bytes.size()) ? 1 : 0;
        };
        s.IdleCheck = [](intptr_t) { return 1; };
        s.Close = [](intptr_t) { return 0; };
        s.handle = reinterpret_cast<intptr_t>(this);
        return s;
    }

  private:
    static TestStream* Self(intptr_t h) { return reinterpret_cast<TestStream*>(h); }
};

}  // namespace decodertest
