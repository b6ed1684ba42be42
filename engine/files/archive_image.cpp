// Opening an archive held in memory, checking an archive's tables, and
// closing. A memory image is decoded in place while open and given back in
// its coded state on close and on every failed open.
#include <cstdlib>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/string_helpers.h"
#include "files/archive.h"

namespace DuRud {
namespace {

void decodeMember(const Archive* a, const unsigned char* entry, void*) {
    const uint32_t length = ArchiveStoredLength(a, entry);
    if (length == 0) return;
    unsigned char* p = a->image + a->header.dataStart + LoadU32(entry + kEntryDataOffset);
    ArchiveXorCode(length, p, LoadU32(entry + kEntryDataSize), a->key);
}

void checkHead(const Archive* a, const unsigned char* entry, void* context) {
    if (!ArchiveEntryIsPacked(a, entry)) return;
    const unsigned char* p = a->image + a->header.dataStart + LoadU32(entry + kEntryDataOffset);
    PackedDataHead head;
    if (ReadPackedDataHead(p, ArchiveStoredLength(a, entry), &head) != 0 ||
        head.unpackedSize != LoadU32(entry + kEntryDataSize) ||
        head.packedSize != LoadU32(entry + kEntryPackedSize))
        *static_cast<int*>(context) = -1;
}

// Re-codes what opening decoded: the image is the caller's again.
void recode(Archive* a, bool membersDecoded, bool infoDecoded) {
    if (a->header.version < 5) {
        ArchiveXorCode(a->imageSize, a->image, 0, a->key);
        return;
    }
    if (membersDecoded) ArchiveForEachFile(a, decodeMember, nullptr);
    if (infoDecoded) ArchiveXorCode(a->header.infoSize, a->info, 0, a->key);
}

void setTables(Archive* a, unsigned char* info) {
    a->info = info;
    a->nameTable = info;
    a->fileTable = info + a->header.fileTableOffset;
    a->dirTable = info + a->header.dirTableOffset;
    a->currentDir = a->dirTable;
}

}  // namespace

void ArchiveReadHeader(const unsigned char* head, uint16_t version,
                       const unsigned char key[kArchiveKeySize], Archive* archive) {
    Archive& o = *archive;
    std::memset(&o, 0, sizeof o);
    o.header.magic = LoadU16(head);
    o.header.version = version;
    o.header.infoSize = LoadU32(head + 4);
    o.header.dataStart = LoadU32(head + 8);
    o.header.infoOffset = LoadU32(head + 12);
    o.header.fileTableOffset = LoadU32(head + 16);
    o.header.dirTableOffset = LoadU32(head + 20);
    if (version >= 4) o.header.codePage = LoadU32(head + 24);
    o.charSet = ArchiveCharSetFromCodePage(o.header.codePage);
    std::memcpy(o.key, key, kArchiveKeySize);
}

int ArchiveCharSetFromCodePage(uint32_t codePage) {
    switch (codePage) {
        case 932:
            return kCharSetShiftJis;
        case 949:
            return kCharSetKorean;
        case 950:
            return kCharSetTraditionalChinese;
        case 936:
            return kCharSetSimplifiedChinese;
        default:
            return 0;
    }
}

bool ArchiveEntryIsPacked(const Archive* a, const unsigned char* entry) {
    return a->header.version >= 2 && LoadU32(entry + kEntryPackedSize) != kArchiveStored;
}

uint32_t ArchiveStoredLength(const Archive* a, const unsigned char* entry) {
    return ArchiveEntryIsPacked(a, entry) ? LoadU32(entry + kEntryPackedSize)
                                          : LoadU32(entry + kEntryDataSize);
}

int ArchiveValidate(const Archive* a) {
    const ArchiveHeader& h = a->header;
    if (h.magic != kArchiveMagic || h.version > kArchiveMaxVersion) return -1;
    const uint64_t total = a->imageSize;
    const uint64_t infoStart = h.infoOffset, infoSize = h.infoSize;
    if (infoStart < ArchiveHeaderSize(h.version) || infoStart + infoSize > total) return -1;
    if (h.fileTableOffset > infoSize) return -1;
    if (static_cast<uint64_t>(h.dirTableOffset) + kArchiveDirRecordSize > infoSize) return -1;
    if (h.dataStart > total) return -1;
    const uint32_t entrySize = ArchiveEntrySize(h.version);
    const uint64_t fileTableSize = infoSize - h.fileTableOffset;
    const uint64_t dirTableSize = infoSize - h.dirTableOffset;

    // Breadth first, without recursion; a directory record reached a second
    // time (a cycle or a shared subtree) makes the archive corrupt, and each
    // record must name the directory it was reached from as its parent, so
    // ".." only ever leads to a checked record. Entries are counted against
    // the table so that overlapping runs cannot multiply the work.
    std::vector<std::pair<uint32_t, uint32_t>> queue{{0, kArchiveNoParent}};
    std::unordered_set<uint32_t> seen{0};
    uint64_t entriesLeft = fileTableSize / entrySize;
    for (size_t q = 0; q < queue.size(); ++q) {
        const unsigned char* dir = a->dirTable + queue[q].first;
        if (LoadU32(dir + kDirParent) != queue[q].second) return -1;
        const uint64_t count = LoadU32(dir + kDirEntryCount);
        const uint64_t first = LoadU32(dir + kDirFirstEntry);
        if (first + count * entrySize > fileTableSize || count > entriesLeft) return -1;
        entriesLeft -= count;
        for (uint64_t i = 0; i < count; ++i) {
            const unsigned char* e = a->fileTable + first + i * entrySize;
            // The name record: L units of upper-cased name with a NUL in
            // them, then the name as written, NUL-terminated.
            const uint64_t nameAt = LoadU32(e + kEntryNameOffset);
            if (nameAt + 4 > infoSize) return -1;
            const uint64_t units = LoadU16(a->nameTable + nameAt);
            if (units == 0 || nameAt + 4 + units * 4 > infoSize) return -1;
            const unsigned char* upper = a->nameTable + nameAt + 4;
            if (upper[units * 4 - 1] != 0) return -1;
            const unsigned char* written = upper + units * 4;
            const unsigned char* infoEnd = a->info + infoSize;
            if (written >= infoEnd || !std::memchr(written, 0, infoEnd - written)) return -1;

            if (LoadU32(e + kEntryAttributes) & kArchiveDirectoryAttribute) {
                const uint32_t child = LoadU32(e + kEntryDataOffset);
                if (static_cast<uint64_t>(child) + kArchiveDirRecordSize > dirTableSize) return -1;
                if (!seen.insert(child).second) return -1;
                queue.emplace_back(child, queue[q].first);
                continue;
            }
            const uint64_t size = LoadU32(e + kEntryDataSize);
            uint64_t stored = size;
            if (ArchiveEntryIsPacked(a, e)) {
                stored = LoadU32(e + kEntryPackedSize);
                if (stored < kPackedHeadSize) return -1;
                if (size > (stored - kPackedHeadSize) * kLzMaxExpansion) return -1;
            }
            const uint64_t start =
                static_cast<uint64_t>(h.dataStart) + LoadU32(e + kEntryDataOffset);
            if (start + stored > total) return -1;
            // Member bytes never overlap the header or the info block:
            // decoding them must not change the tables just checked.
            if (stored > 0 && (start < ArchiveHeaderSize(h.version) ||
                               (start < infoStart + infoSize && start + stored > infoStart)))
                return -1;
        }
    }
    return 0;
}

void ArchiveForEachFile(const Archive* a,
                        void (*visit)(const Archive*, const unsigned char* entry, void* context),
                        void* context) {
    const uint32_t entrySize = ArchiveEntrySize(a->header.version);
    std::vector<uint32_t> queue{0};
    for (size_t q = 0; q < queue.size(); ++q) {
        const unsigned char* dir = a->dirTable + queue[q];
        const uint32_t count = LoadU32(dir + kDirEntryCount);
        const uint32_t first = LoadU32(dir + kDirFirstEntry);
        for (uint32_t i = 0; i < count; ++i) {
            const unsigned char* e = a->fileTable + first + static_cast<uint64_t>(i) * entrySize;
            if (LoadU32(e + kEntryAttributes) & kArchiveDirectoryAttribute)
                queue.push_back(LoadU32(e + kEntryDataOffset));
            else
                visit(a, e, context);
        }
    }
}

int ArchiveClear(Archive* archive) {
    if (!archive) return -1;
    std::memset(archive, 0, sizeof *archive);
    return 0;
}

int ArchiveOpenMemory(Archive* a, void* imageVoid, uint32_t imageSize, const char* keyString) {
    if (!a || !imageVoid) return -1;
    if (a->stream || a->image) return -1;
    auto* image = static_cast<unsigned char*>(imageVoid);
    if (imageSize < kArchiveHeaderSizeOld) return -1;

    unsigned char key[kArchiveKeySize];
    ArchiveKeyExpand(keyString, key);
    unsigned char head[kArchiveHeaderSize];
    std::memcpy(head, image, 8);
    ArchiveXorCode(8, head, 0, key);
    if (LoadU16(head) != kArchiveMagic) {
        ArchiveFallbackKey(key);
        std::memcpy(head, image, 8);
        ArchiveXorCode(8, head, 0, key);
        if (LoadU16(head) != kArchiveMagic) return -1;
    }
    const uint16_t version = LoadU16(head + 2);
    if (version > kArchiveMaxVersion) return -1;
    const uint32_t headerSize = ArchiveHeaderSize(version);
    if (imageSize < headerSize) return -1;
    std::memcpy(head, image, headerSize);
    ArchiveXorCode(headerSize, head, 0, key);

    Archive o;
    ArchiveReadHeader(head, version, key, &o);
    o.image = image;
    o.imageSize = imageSize;
    o.memoryMode = 1;
    o.callersImage = 1;

    const uint64_t infoEnd = static_cast<uint64_t>(o.header.infoOffset) + o.header.infoSize;
    if (o.header.infoOffset < headerSize || infoEnd > imageSize) return -1;
    setTables(&o, image + o.header.infoOffset);

    // Versions below 5 code the whole file by offset; 5 codes the info
    // block from 0 and each member from its unpacked size.
    if (version < 5)
        ArchiveXorCode(imageSize, image, 0, key);
    else
        ArchiveXorCode(o.header.infoSize, o.info, 0, key);
    if (ArchiveValidate(&o) != 0) {
        recode(&o, false, true);
        return -1;
    }
    if (version == 5) ArchiveForEachFile(&o, decodeMember, nullptr);
    int heads = 0;
    ArchiveForEachFile(&o, checkHead, &heads);
    if (heads != 0) {
        recode(&o, true, true);
        return -1;
    }
    *a = o;
    return 0;
}

int ArchiveClose(Archive* a) {
    if (!a) return -1;
    if (a->stream) {
        ArchiveCloseStreamFile(a);
    } else if (a->image && a->callersImage) {
        recode(a, true, true);
    }
    std::memset(a, 0, sizeof *a);
    return 0;
}

int ArchiveCloseAndClear(Archive* a) {
    return ArchiveClose(a);
}

void* ArchiveGetImage(Archive* a) {
    return a ? a->image : nullptr;
}

}  // namespace DuRud
