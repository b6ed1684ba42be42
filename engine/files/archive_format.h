// The ZAV archive format: layout constants, the key constants, key coding
// and the LZ packed-data format. Shared by the engine's reader, the writer
// library and the zav tool, so it depends on the standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace DuRud {

// --- Key constants: archives are readable only with the values they were
// written with. The fill key (no key string) and the fallback key differ.
constexpr unsigned char kArchiveKeyFillByte = 0xAA;
constexpr unsigned char kArchiveFallbackKeyByte = 0x5D;
constexpr unsigned char kArchiveKeyK1 = 0xA5;
constexpr unsigned char kArchiveKeyK2 = 0x3C;
constexpr unsigned char kArchiveKeyK3 = 0x96;
constexpr unsigned char kArchiveKeyK4 = 0x69;
constexpr unsigned char kArchiveKeyK5 = 0xC3;

constexpr int kArchiveKeySize = 12;
constexpr int kArchiveKeyStringMax = 12;  // characters kept of a key string

// --- Layout
constexpr uint16_t kArchiveMagic = 0x5844;  // "DX"
constexpr int kArchiveMaxVersion = 5;
constexpr uint32_t kArchiveHeaderSizeOld = 24;  // before version 4
constexpr uint32_t kArchiveHeaderSize = 28;     // version 4 and later
constexpr uint32_t kArchiveEntrySizeOld = 40;   // versions 0 and 1
constexpr uint32_t kArchiveEntrySize = 44;      // version 2 and later
constexpr uint32_t kArchiveDirRecordSize = 16;
constexpr uint32_t kArchiveNoParent = 0xFFFFFFFFu;
constexpr uint32_t kArchiveStored = 0xFFFFFFFFu;  // packed-size field of a stored member
constexpr uint32_t kArchiveDirectoryAttribute = 0x10;
constexpr int kArchiveMaxComponent = 1020;  // bytes of one path component
constexpr uint32_t kPackedHeadSize = 9;
constexpr uint32_t kLzMaxMatch = 8195;
constexpr uint32_t kLzMinMatch = 4;
constexpr uint32_t kLzMaxDistance = 1u << 24;  // distance field holds distance - 1
// The most output one body byte can give (a 4-byte token makes 8195 bytes).
constexpr uint32_t kLzMaxExpansion = 2049;
// FILETIME ticks of the POSIX epoch.
constexpr uint64_t kFileTimeEpochSeconds = 11644473600ull;

inline uint32_t ArchiveEntrySize(int version) {
    return version < 2 ? kArchiveEntrySizeOld : kArchiveEntrySize;
}
inline uint32_t ArchiveHeaderSize(int version) {
    return version < 4 ? kArchiveHeaderSizeOld : kArchiveHeaderSize;
}

// Field offsets of a file entry and a directory record.
constexpr uint32_t kEntryNameOffset = 0;
constexpr uint32_t kEntryAttributes = 4;
constexpr uint32_t kEntryCreationTime = 8;
constexpr uint32_t kEntryAccessTime = 16;
constexpr uint32_t kEntryWriteTime = 24;
constexpr uint32_t kEntryDataOffset = 32;
constexpr uint32_t kEntryDataSize = 36;
constexpr uint32_t kEntryPackedSize = 40;
constexpr uint32_t kDirParent = 4;
constexpr uint32_t kDirEntryCount = 8;
constexpr uint32_t kDirFirstEntry = 12;

// Little-endian access to unaligned bytes.
inline uint16_t LoadU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadU64(const unsigned char* p) {
    return static_cast<uint64_t>(LoadU32(p)) | (static_cast<uint64_t>(LoadU32(p + 4)) << 32);
}
inline void StoreU16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void StoreU32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void StoreU64(unsigned char* p, uint64_t v) {
    StoreU32(p, static_cast<uint32_t>(v));
    StoreU32(p + 4, static_cast<uint32_t>(v >> 32));
}

// The archive header as the file holds it (the code page only from version 4).
struct ArchiveHeader {
    uint16_t magic;
    uint16_t version;
    uint32_t infoSize;
    uint32_t dataStart;
    uint32_t infoOffset;
    uint32_t fileTableOffset;
    uint32_t dirTableOffset;
    uint32_t codePage;
};

// A code page 932 byte that starts a double-byte character.
inline bool IsShiftJisLeadByte(unsigned char byte) {
    const unsigned x = byte ^ 0x20u;
    return x >= 0xA1 && x <= 0xDC;
}

// --- Key coding
// Expands a key string (null or "" take the fill byte) into 12 key bytes.
int ArchiveKeyExpand(const char* keyString, unsigned char key[kArchiveKeySize]);
// The fallback key: 12 copies of its byte, not transformed.
void ArchiveFallbackKey(unsigned char key[kArchiveKeySize]);
// XORs data[i] with key[(position + i) mod 12]; twice restores the data.
int ArchiveXorCode(size_t length, void* data, uint64_t position,
                   const unsigned char key[kArchiveKeySize]);

// --- LZ packed data: a 9-byte head (unpacked size, packed size with the
// head, escape byte) and a body of tokens.
struct PackedDataHead {
    uint32_t unpackedSize;
    uint32_t packedSize;
    unsigned char escape;
};
// Reads the head of a packed buffer of `length` bytes; -1 when it is too
// short or its sizes cannot be right (packed size below 9 or past length).
int ReadPackedDataHead(const void* packed, size_t length, PackedDataHead* head);
// Unpacks `packedLength` bytes into out (capacity bytes). Returns the
// unpacked size, or -1 on a malformed stream, a head that disagrees with
// the length, too small a buffer, or output not exactly the unpacked size.
// out null: only the head is checked and the unpacked size returned.
int64_t ArchiveDecompress(const void* packed, size_t packedLength, void* out, size_t capacity);

}  // namespace DuRud
