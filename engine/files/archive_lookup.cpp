// Looking names up inside an open archive: search names, directory walks,
// file entries, path splitting and wildcard matching. Separators inside
// double-byte characters (a trail byte 0x5C) are name bytes.
#include "core/string_helpers.h"
#include "files/archive.h"

namespace DuRud {
namespace {

bool isSeparator(unsigned char c) {
    return c == '\\' || c == '/';
}

// Builds the search name of the component at `path`; returns its length in
// bytes, or -1 when it is longer than a name record can hold (the name
// then matches nothing).
int makeSearchName(const char* path, const Archive* a, ArchiveSearchName* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(path);
    int length = 0;
    uint32_t parity = 0;
    while (p[length] != 0 && !isSeparator(p[length])) {
        const bool pair = IsLeadByte(p[length], a->charSet) && p[length + 1] != 0;
        const int n = pair ? 2 : 1;
        if (length + n > kArchiveMaxComponent) {
            out->units = 0;
            out->parity = 0;
            // Report the whole component so that walks skip it.
            while (p[length] != 0 && !isSeparator(p[length]))
                length += (IsLeadByte(p[length], a->charSet) && p[length + 1] != 0) ? 2 : 1;
            return -1 - length;
        }
        for (int i = 0; i < n; ++i) {
            unsigned char c = p[length + i];
            if (!pair && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
            out->name[length + i] = c;
            parity += c;
        }
        length += n;
    }
    const int padded = (length + 4) & ~3;
    std::memset(out->name + length, 0, padded - length);
    out->units = static_cast<uint16_t>(padded / 4);
    out->parity = static_cast<uint16_t>(parity);
    return length;
}

bool nameMatches(const Archive* a, const unsigned char* entry, const ArchiveSearchName& name) {
    if (name.units == 0) return false;
    const unsigned char* record = a->nameTable + LoadU32(entry + kEntryNameOffset);
    return LoadU16(record) == name.units && LoadU16(record + 2) == name.parity &&
           std::memcmp(record + 4, name.name, name.units * 4u) == 0;
}

bool isDirectory(const unsigned char* entry) {
    return (LoadU32(entry + kEntryAttributes) & kArchiveDirectoryAttribute) != 0;
}

// The entry of the current directory that matches: a directory or a file.
const unsigned char* findInCurrent(const Archive* a, const ArchiveSearchName& name,
                                   bool directory) {
    const uint32_t count = LoadU32(a->currentDir + kDirEntryCount);
    const unsigned char* e = a->fileTable + LoadU32(a->currentDir + kDirFirstEntry);
    const uint32_t entrySize = ArchiveEntrySize(a->header.version);
    for (uint32_t i = 0; i < count; ++i, e += entrySize)
        if (isDirectory(e) == directory && nameMatches(a, e, name)) return e;
    return nullptr;
}

int enterSubdir(Archive* a, const ArchiveSearchName& name) {
    const unsigned char* e = findInCurrent(a, name, true);
    if (!e) return -1;
    a->currentDir = a->dirTable + LoadU32(e + kEntryDataOffset);
    return 0;
}

// True when the path holds a separator outside double-byte characters.
bool hasSeparator(const char* path, int charSet) {
    const auto* p = reinterpret_cast<const unsigned char*>(path);
    for (size_t i = 0; p[i] != 0; ++i) {
        if (IsLeadByte(p[i], charSet) && p[i + 1] != 0)
            ++i;
        else if (isSeparator(p[i]))
            return true;
    }
    return false;
}

bool isOpen(const Archive* a) {
    return a && a->info && a->currentDir;
}

}  // namespace

int ArchiveChangeDir(Archive* a, const char* path, int restore, ArchiveSearchName* out) {
    if (!isOpen(a) || !path) return -1;
    if (std::strcmp(path, ".") == 0) return 0;
    if (std::strcmp(path, "\\") == 0 || std::strcmp(path, "/") == 0) {
        a->currentDir = a->dirTable;
        return 0;
    }
    if (std::strcmp(path, "..") == 0) {
        const uint32_t parent = LoadU32(a->currentDir + kDirParent);
        if (parent == kArchiveNoParent) return -1;
        a->currentDir = a->dirTable + parent;
        return 0;
    }
    unsigned char* const start = a->currentDir;
    ArchiveSearchName local;
    ArchiveSearchName& name = out ? *out : local;
    name.units = 0;
    name.parity = 0;
    size_t i = 0;
    while (true) {
        if (isSeparator(static_cast<unsigned char>(path[i]))) {
            a->currentDir = a->dirTable;  // an empty component: the root
            ++i;
        } else {
            int length = makeSearchName(path + i, a, &name);
            const bool tooLong = length < 0;
            if (tooLong) length = -1 - length;
            if (tooLong || enterSubdir(a, name) != 0) {
                if (restore) a->currentDir = start;
                return -1;
            }
            i += length;
            if (path[i] == 0) break;
            ++i;  // the separator
        }
        if (path[i] == 0) break;
    }
    return 0;
}

const unsigned char* ArchiveFindFileEntry(const char* path, Archive* a) {
    if (!isOpen(a) || !path) return nullptr;
    unsigned char* const start = a->currentDir;
    ArchiveSearchName name;
    if (!hasSeparator(path, a->charSet)) {
        if (makeSearchName(path, a, &name) < 0) return nullptr;
    } else if (ArchiveChangeDir(a, path, 0, &name) == 0) {
        a->currentDir = start;  // the path names a directory
        return nullptr;
    }
    const unsigned char* e = findInCurrent(a, name, false);
    a->currentDir = start;
    return e;
}

int ArchiveGetFileSpan(Archive* a, const char* path, uint32_t* offset, uint32_t* size) {
    const unsigned char* e = ArchiveFindFileEntry(path, a);
    if (!e) return -1;
    if (offset) *offset = a->header.dataStart + LoadU32(e + kEntryDataOffset);
    if (size) *size = LoadU32(e + kEntryDataSize);
    return 0;
}

int ArchiveSplitPath(const char* path, Archive* a, char* filePart, char* dirPart) {
    if (!path) return -1;
    const int charSet = a ? a->charSet : 0;
    const auto* p = reinterpret_cast<const unsigned char*>(path);
    ptrdiff_t split = -1;
    for (size_t i = 0; p[i] != 0; ++i) {
        if (IsLeadByte(p[i], charSet) && p[i + 1] != 0)
            ++i;
        else if (isSeparator(p[i]) || p[i] == ':')
            split = static_cast<ptrdiff_t>(i);
    }
    if (filePart) std::strcpy(filePart, path + split + 1);
    if (dirPart) {
        const size_t n = split < 0 ? 0 : static_cast<size_t>(split);
        std::memmove(dirPart, path, n);
        dirPart[n] = 0;
    }
    return 0;
}

int ArchiveWildcardMatch(const char* nameText, const char* patternText, Archive* a) {
    if (!nameText || !patternText) return -1;
    const int charSet = a ? a->charSet : 0;
    const auto* n = reinterpret_cast<const unsigned char*>(nameText);
    const auto* p = reinterpret_cast<const unsigned char*>(patternText);
    while (*p != 0) {
        if (IsLeadByte(*p, charSet) && p[1] != 0) {
            if (n[0] != p[0] || n[1] != p[1]) return -1;
            n += 2;
            p += 2;
        } else if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == 0) return 0;
            // The star stops at the first byte equal to the next pattern
            // byte and never backtracks.
            while (*n != 0 && *n != *p) ++n;
            if (*n == 0) return -1;
            ++n;
            ++p;
        } else if (*p == '?') {
            if (*n == 0) return -1;
            ++n;
            ++p;
        } else {
            if (*n != *p) return -1;
            ++n;
            ++p;
        }
    }
    return *n == 0 ? 0 : -1;
}

}  // namespace DuRud
