// The LZ encoder: writes packed data the engine's decoder reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zav {

// Packs `size` bytes: a 9-byte head, then the body. The escape byte is the
// least frequent byte of the input. Inputs of 4 GiB or more are refused
// (the head holds 32-bit sizes): the result is then empty.
std::vector<unsigned char> LzPack(const void* data, size_t size);

}  // namespace zav
