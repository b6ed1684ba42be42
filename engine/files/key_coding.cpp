// Key expansion and the XOR coding of ZAV archives.
#include <bit>

#include "files/archive_format.h"

namespace DuRud {

int ArchiveKeyExpand(const char* keyString, unsigned char key[kArchiveKeySize]) {
    const size_t n = keyString ? std::strlen(keyString) : 0;
    for (int i = 0; i < kArchiveKeySize; ++i)
        key[i] = n == 0 ? kArchiveKeyFillByte : static_cast<unsigned char>(keyString[i % n]);
    auto rotl = [](unsigned char b, int s) { return std::rotl(b, s); };
    key[0] = static_cast<unsigned char>(~key[0]);
    key[1] = rotl(key[1], 4);
    key[2] ^= kArchiveKeyK1;
    key[3] = static_cast<unsigned char>(~rotl(key[3], 4));
    key[4] = static_cast<unsigned char>(~key[4]);
    key[5] ^= kArchiveKeyK2;
    key[6] = static_cast<unsigned char>(~key[6]);
    key[7] = static_cast<unsigned char>(~std::rotr(key[7], 3));
    key[8] = rotl(key[8], 3);
    key[9] ^= kArchiveKeyK3;
    key[10] = static_cast<unsigned char>(rotl(key[10], 4) ^ kArchiveKeyK4);
    key[11] ^= kArchiveKeyK5;
    return 0;
}

void ArchiveFallbackKey(unsigned char key[kArchiveKeySize]) {
    std::memset(key, kArchiveFallbackKeyByte, kArchiveKeySize);
}

int ArchiveXorCode(size_t length, void* data, uint64_t position,
                   const unsigned char key[kArchiveKeySize]) {
    auto* p = static_cast<unsigned char*>(data);
    size_t k = static_cast<size_t>(position % kArchiveKeySize);
    size_t i = 0;
    // Byte by byte up to a key boundary, then whole 12-byte groups.
    for (; i < length && k != 0; ++i) {
        p[i] ^= key[k];
        k = (k + 1) % kArchiveKeySize;
    }
    uint32_t words[3];
    std::memcpy(words, key, sizeof words);
    for (; i + kArchiveKeySize <= length; i += kArchiveKeySize) {
        uint32_t v[3];
        std::memcpy(v, p + i, sizeof v);
        v[0] ^= words[0];
        v[1] ^= words[1];
        v[2] ^= words[2];
        std::memcpy(p + i, v, sizeof v);
    }
    for (; i < length; ++i, ++k) p[i] ^= key[k];
    return 0;
}

}  // namespace DuRud
