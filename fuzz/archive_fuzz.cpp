// libFuzzer target: the first byte picks the archive opener or the LZ
// decoder; the rest is the hostile input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/archive.h"

namespace DuRud {
// Only memory archives are opened here; a file-backed close never happens.
int ArchiveCloseStreamFile(Archive*) {
    std::abort();
}
}  // namespace DuRud

using namespace DuRud;

namespace {

void fuzzArchive(const uint8_t* data, size_t size) {
    std::vector<unsigned char> image(data, data + size);
    const std::vector<unsigned char> original = image;
    Archive a;
    ArchiveClear(&a);
    const char* key = size % 3 == 0 ? nullptr : "qorvintabelux";
    if (ArchiveOpenMemory(&a, image.data(), static_cast<uint32_t>(image.size()), key) == 0) {
        static const char* paths[] = {"A", "a\\b",  "A\\B\\C", "..\\X",         "\\", "..",
                                      ".", "X/Y/Z", "\\\\A",   "LISTS\\A.LIST", "*"};
        for (const char* p : paths) {
            ArchiveFindFileEntry(p, &a);
            ArchiveChangeDir(&a, p, 1, nullptr);
            ArchiveChangeDir(&a, p, 0, nullptr);
            ArchiveChangeDir(&a, "\\", 1, nullptr);
        }
        // Every name of the root, looked up as a member open looks it up;
        // what the lookup gives (never a directory, whose packed-size field
        // means nothing) is unpacked.
        const uint32_t count = LoadU32(a.dirTable + kDirEntryCount);
        const unsigned char* r = a.fileTable + LoadU32(a.dirTable + kDirFirstEntry);
        for (uint32_t i = 0; i < count; ++i, r += ArchiveEntrySize(a.header.version)) {
            const unsigned char* record = a.nameTable + LoadU32(r + kEntryNameOffset);
            const char* name = reinterpret_cast<const char*>(record + 4 + LoadU16(record) * 4u);
            ArchiveWildcardMatch(name, "*.P?G", &a);
            const unsigned char* e = ArchiveFindFileEntry(name, &a);
            if (e && ArchiveEntryIsPacked(&a, e)) {
                const uint32_t unpacked = LoadU32(e + kEntryDataSize);
                if (unpacked > (1u << 22)) continue;
                std::vector<unsigned char> out(unpacked);
                ArchiveDecompress(a.image + a.header.dataStart + LoadU32(e + kEntryDataOffset),
                                  LoadU32(e + kEntryPackedSize), out.data(), out.size());
            }
        }
        ArchiveClose(&a);
    }
    if (image != original) std::abort();  // the caller's image comes back unchanged
}

void fuzzDecoder(const uint8_t* data, size_t size) {
    PackedDataHead head;
    if (ReadPackedDataHead(data, size, &head) != 0) return;
    std::vector<unsigned char> out(std::min<uint32_t>(head.unpackedSize, 1u << 20));
    const int64_t n = ArchiveDecompress(data, size, out.data(), out.size());
    if (n >= 0 && static_cast<uint64_t>(n) != head.unpackedSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (data[0] & 1)
        fuzzDecoder(data + 1, size - 1);
    else
        fuzzArchive(data + 1, size - 1);
    return 0;
}
