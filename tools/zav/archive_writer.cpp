// The archive writer: directories breadth first so that each directory's
// entries are contiguous, data area after the header, info block (names,
// file table, directory table) at the end.
#include "archive_writer.h"

#include <set>

#include "files/archive_format.h"
#include "lz_encoder.h"

namespace zav {
namespace {

using namespace DuRud;

struct EntryPlan {
    const WriterNode* node;
    uint32_t nameOffset = 0;
    uint32_t dataOffset = 0;  // files: in the data area; directories: record offset
    uint32_t packedSize = kArchiveStored;
    std::vector<unsigned char> stored;  // what the data area holds for it
};

struct DirPlan {
    const WriterNode* node;
    int32_t parent;    // index in the directory list, -1 for the root
    int32_t ownEntry;  // index of its entry, -1 for the root
    uint32_t firstEntry = 0;
    uint32_t count = 0;
};

bool checkName(const std::string& name, std::string* error) {
    if (name.empty() || name == "." || name == "..") {
        *error = "bad name \"" + name + "\"";
        return false;
    }
    if (name.size() > static_cast<size_t>(kArchiveMaxComponent)) {
        *error = "name longer than 1020 bytes: \"" + name.substr(0, 40) + "...\"";
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (IsShiftJisLeadByte(b)) {
            if (i + 1 >= name.size()) {
                *error = "name ends inside a double-byte character: \"" + name + "\"";
                return false;
            }
            ++i;
            continue;
        }
        if (b == '\\' || b == '/' || b == ':' || b == 0 || b == '*' || b == '?') {
            *error = "name holds a reserved character: \"" + name + "\"";
            return false;
        }
    }
    return true;
}

void appendNameRecord(std::vector<unsigned char>& names, const std::string& name) {
    const std::string upper = UpperCaseArchiveName(name);
    const uint32_t units = static_cast<uint32_t>(upper.size() / 4 + 1);
    uint32_t parity = 0;
    for (unsigned char b : upper) parity += b;
    const size_t at = names.size();
    names.resize(at + 4 + units * 4, 0);
    StoreU16(&names[at], static_cast<uint16_t>(units));
    StoreU16(&names[at + 2], static_cast<uint16_t>(parity));
    std::memcpy(&names[at + 4], upper.data(), upper.size());
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
    while (names.size() % 4 != 0) names.push_back(0);
}

}  // namespace

uint64_t FileTimeFromPosix(int64_t seconds) {
    return static_cast<uint64_t>(seconds + static_cast<int64_t>(kFileTimeEpochSeconds)) *
           10000000ull;
}

std::string UpperCaseArchiveName(const std::string& name) {
    std::string upper = name;
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto b = static_cast<unsigned char>(upper[i]);
        if (IsShiftJisLeadByte(b) && i + 1 < upper.size()) {
            ++i;
        } else if (b >= 'a' && b <= 'z') {
            upper[i] = static_cast<char>(b - 'a' + 'A');
        }
    }
    return upper;
}

bool WriteArchive(const WriterNode& root, const WriteOptions& options,
                  std::vector<unsigned char>* out, std::string* error) {
    out->clear();
    const int version = options.version;
    if (version < 0 || version > kArchiveMaxVersion) {
        *error = "version " + std::to_string(version) + " is not 0 to 5";
        return false;
    }
    const uint32_t entrySize = ArchiveEntrySize(version);
    const uint32_t headerSize = ArchiveHeaderSize(version);

    // Directories breadth first; each directory's entries in one run.
    std::vector<DirPlan> dirs{{&root, -1, -1}};
    std::vector<EntryPlan> entries;
    for (size_t d = 0; d < dirs.size(); ++d) {
        dirs[d].firstEntry = static_cast<uint32_t>(entries.size());
        std::set<std::string> seen;
        for (const WriterNode& child : dirs[d].node->children) {
            if (!checkName(child.name, error)) return false;
            if (!seen.insert(UpperCaseArchiveName(child.name)).second) {
                *error = "two names equal when upper-cased: \"" + child.name + "\"";
                return false;
            }
            entries.emplace_back();
            entries.back().node = &child;
            if (child.directory)
                dirs.push_back(DirPlan{&child, static_cast<int32_t>(d),
                                       static_cast<int32_t>(entries.size() - 1)});
        }
        dirs[d].count = static_cast<uint32_t>(entries.size()) - dirs[d].firstEntry;
    }
    for (size_t d = 1; d < dirs.size(); ++d)
        entries[dirs[d].ownEntry].dataOffset = static_cast<uint32_t>(d * kArchiveDirRecordSize);

    // Names, then member bytes (packed when that shrinks them and the
    // version has a packed-size field).
    std::vector<unsigned char> names;
    uint64_t dataSize = 0;
    for (EntryPlan& e : entries) {
        e.nameOffset = static_cast<uint32_t>(names.size());
        appendNameRecord(names, e.node->name);
        if (e.node->directory) continue;
        const auto& data = e.node->data;
        if (data.size() > 0xFFFFFFF0u) {
            *error = "file too large: \"" + e.node->name + "\"";
            return false;
        }
        if (options.compress && version >= 2 && !data.empty()) {
            std::vector<unsigned char> packed = LzPack(data.data(), data.size());
            if (!packed.empty() && packed.size() < data.size()) {
                e.packedSize = static_cast<uint32_t>(packed.size());
                e.stored = std::move(packed);
            }
        }
        if (e.packedSize == kArchiveStored) e.stored = data;
        e.dataOffset = static_cast<uint32_t>(dataSize);
        dataSize += e.stored.size();
        if (headerSize + dataSize > kLargestReadableArchive) {
            *error = std::string(kArchiveTooLarge) + ", which the reader cannot open";
            return false;
        }
    }

    const uint64_t fileTableOffset = names.size();
    const uint64_t dirTableOffset = fileTableOffset + entries.size() * entrySize;
    const uint64_t infoSize = dirTableOffset + dirs.size() * kArchiveDirRecordSize;
    const uint64_t infoOffset = headerSize + dataSize;
    if (infoOffset + infoSize > kLargestReadableArchive) {
        *error = std::string(kArchiveTooLarge) + ", which the reader cannot open";
        return false;
    }

    std::vector<unsigned char>& image = *out;
    image.assign(infoOffset + infoSize, 0);
    unsigned char* h = image.data();
    StoreU16(h, kArchiveMagic);
    StoreU16(h + 2, static_cast<uint16_t>(version));
    StoreU32(h + 4, static_cast<uint32_t>(infoSize));
    StoreU32(h + 8, headerSize);
    StoreU32(h + 12, static_cast<uint32_t>(infoOffset));
    StoreU32(h + 16, static_cast<uint32_t>(fileTableOffset));
    StoreU32(h + 20, static_cast<uint32_t>(dirTableOffset));
    if (version >= 4) StoreU32(h + 24, options.codePage);

    unsigned char* info = h + infoOffset;
    std::memcpy(info, names.data(), names.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const EntryPlan& e = entries[i];
        unsigned char* p = info + fileTableOffset + i * entrySize;
        StoreU32(p + kEntryNameOffset, e.nameOffset);
        StoreU32(p + kEntryAttributes, e.node->directory ? kArchiveDirectoryAttribute : 0x20);
        StoreU64(p + kEntryCreationTime, e.node->creationTime);
        StoreU64(p + kEntryAccessTime, e.node->accessTime);
        StoreU64(p + kEntryWriteTime, e.node->writeTime);
        StoreU32(p + kEntryDataOffset, e.dataOffset);
        StoreU32(p + kEntryDataSize,
                 e.node->directory ? 0 : static_cast<uint32_t>(e.node->data.size()));
        if (version >= 2)
            StoreU32(p + kEntryPackedSize, e.node->directory ? kArchiveStored : e.packedSize);
        if (!e.stored.empty())
            std::memcpy(h + headerSize + e.dataOffset, e.stored.data(), e.stored.size());
    }
    for (size_t d = 0; d < dirs.size(); ++d) {
        unsigned char* p = info + dirTableOffset + d * kArchiveDirRecordSize;
        const DirPlan& dir = dirs[d];
        StoreU32(p, dir.ownEntry < 0 ? kArchiveNoParent
                                     : static_cast<uint32_t>(dir.ownEntry * entrySize));
        StoreU32(p + kDirParent, dir.parent < 0
                                     ? kArchiveNoParent
                                     : static_cast<uint32_t>(dir.parent * kArchiveDirRecordSize));
        StoreU32(p + kDirEntryCount, dir.count);
        StoreU32(p + kDirFirstEntry, static_cast<uint32_t>(dir.firstEntry * entrySize));
    }

    unsigned char key[kArchiveKeySize];
    switch (options.keyKind) {
        case KeyKind::Own:
            ArchiveKeyExpand(options.key.c_str(), key);
            break;
        case KeyKind::None:
            ArchiveKeyExpand(nullptr, key);
            break;
        case KeyKind::Fallback:
            ArchiveFallbackKey(key);
            break;
    }
    if (version < 5) {
        ArchiveXorCode(image.size(), image.data(), 0, key);
    } else {
        ArchiveXorCode(headerSize, h, 0, key);
        ArchiveXorCode(infoSize, info, 0, key);
        for (const EntryPlan& e : entries)
            if (!e.node->directory && !e.stored.empty())
                ArchiveXorCode(e.stored.size(), h + headerSize + e.dataOffset, e.node->data.size(),
                               key);
    }
    return true;
}

}  // namespace zav
