// Opening an archive file of which only the header and the info block are
// read; members are read later through their own streams. The info size is
// checked against the file's size before anything is allocated.
#include <windows.h>

#include "DuRud.h"
#include "files/archive.h"

namespace DuRud {
namespace {

bool readAt(HANDLE file, uint32_t offset, void* buffer, uint32_t length) {
    if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    auto* p = static_cast<unsigned char*>(buffer);
    while (length > 0) {
        DWORD got = 0;
        if (!ReadFile(file, p, length, &got, nullptr) || got == 0) return false;
        p += got;
        length -= got;
    }
    return true;
}

// Header bytes 0..7 decoded with the given key; true when the magic is right.
bool magicWith(const unsigned char coded[8], const unsigned char key[kArchiveKeySize]) {
    unsigned char head[8];
    std::memcpy(head, coded, 8);
    ArchiveXorCode(8, head, 0, key);
    return LoadU16(head) == kArchiveMagic;
}

}  // namespace

int ArchiveOpenStream(Archive* a, const char* path, const char* keyString) {
    if (!a || !path) return -1;
    if (a->stream || a->image) return -1;
    if (std::strlen(path) >= sizeof a->path) return -1;
    std::memset(&a->header, 0, sizeof a->header);

    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    unsigned char key[kArchiveKeySize];
    ArchiveKeyExpand(keyString, key);
    unsigned char head[kArchiveHeaderSize];
    auto fail = [&]() {
        CloseHandle(file);
        return -1;
    };
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return fail();
    if (high != 0 || low < kArchiveHeaderSizeOld) return fail();  // offsets are 32-bit
    if (!readAt(file, 0, head, 8)) return fail();
    if (!magicWith(head, key)) {
        ArchiveFallbackKey(key);
        if (!magicWith(head, key)) return fail();
    }
    ArchiveXorCode(8, head, 0, key);
    const uint16_t version = LoadU16(head + 2);
    if (version > kArchiveMaxVersion) return fail();
    const uint32_t headerSize = ArchiveHeaderSize(version);
    if (low < headerSize || !readAt(file, 8, head + 8, headerSize - 8)) return fail();
    ArchiveXorCode(headerSize - 8, head + 8, 8, key);

    Archive o;
    ArchiveReadHeader(head, version, key, &o);
    o.imageSize = low;
    const uint64_t infoEnd = static_cast<uint64_t>(o.header.infoOffset) + o.header.infoSize;
    if (o.header.infoOffset < headerSize || infoEnd > low || o.header.infoSize == 0) return fail();

    auto* info = static_cast<unsigned char*>(TrackedAlloc(o.header.infoSize, __FILE__, __LINE__));
    if (!info) return fail();
    if (!readAt(file, o.header.infoOffset, info, o.header.infoSize)) {
        TrackedFree(info);
        return fail();
    }
    ArchiveXorCode(o.header.infoSize, info, version < 5 ? o.header.infoOffset : 0, key);
    o.info = info;
    o.nameTable = info;
    o.fileTable = info + o.header.fileTableOffset;
    o.dirTable = info + o.header.dirTableOffset;
    o.currentDir = o.dirTable;
    if (ArchiveValidate(&o) != 0) {
        TrackedFree(info);
        return fail();
    }
    o.stream = reinterpret_cast<intptr_t>(file);
    std::memcpy(o.path, path, std::strlen(path) + 1);
    *a = o;
    return 0;
}

int ArchiveCloseStreamFile(Archive* a) {
    if (a->stream) CloseHandle(reinterpret_cast<HANDLE>(a->stream));
    TrackedFree(a->info);
    a->stream = 0;
    a->info = nullptr;
    return 0;
}

}  // namespace DuRud
