// The Archive object: one open ZAV archive, held as a decoded memory image
// or as a file of which only the header and the info block are in memory.
// Every offset, count, name and span is checked when the archive opens, so
// lookups afterwards stay inside the info block.
#pragma once

#include <cstdint>

#include "files/archive_format.h"

namespace DuRud {

struct Archive {
    ArchiveHeader header;
    int32_t charSet;
    intptr_t stream;       // the archive file (stream mode), else 0
    unsigned char* image;  // memory mode, else null
    unsigned char* info;
    unsigned char* fileTable;
    unsigned char* dirTable;
    unsigned char* nameTable;
    unsigned char* currentDir;  // a directory record
    char path[1024];
    unsigned char key[kArchiveKeySize];
    int32_t memoryMode;
    int32_t callersImage;
    uint32_t imageSize;  // the image, or the archive file, in bytes
};

// One path component as the name table stores it.
struct ArchiveSearchName {
    unsigned char name[1024];
    uint16_t parity;
    uint16_t units;  // L: the name's length in 4-byte units
};

int ArchiveClear(Archive* archive);
int ArchiveOpenMemory(Archive* archive, void* image, uint32_t imageSize, const char* keyString);
int ArchiveOpenStream(Archive* archive, const char* path, const char* keyString);
int ArchiveClose(Archive* archive);
int ArchiveCloseAndClear(Archive* archive);

int ArchiveChangeDir(Archive* archive, const char* path, int restore, ArchiveSearchName* name);
const unsigned char* ArchiveFindFileEntry(const char* path, Archive* archive);
int ArchiveGetFileSpan(Archive* archive, const char* path, uint32_t* offset, uint32_t* size);
void* ArchiveGetImage(Archive* archive);
int ArchiveSplitPath(const char* path, Archive* archive, char* filePart, char* dirPart);
int ArchiveWildcardMatch(const char* name, const char* pattern, Archive* archive);

// Internal pieces shared by the open paths and the lookups.
int ArchiveCharSetFromCodePage(uint32_t codePage);
// Clears *archive and fills its header, character set and key from the
// decoded header bytes of an archive of the given version.
void ArchiveReadHeader(const unsigned char* head, uint16_t version,
                       const unsigned char key[kArchiveKeySize], Archive* archive);
// Checks the header fields, the info block and the whole tree against an
// archive of archiveSize bytes; 0 or -1. The table pointers must be set.
int ArchiveValidate(const Archive* archive);
// The stored length of a file entry (its packed size when packed).
uint32_t ArchiveStoredLength(const Archive* archive, const unsigned char* entry);
bool ArchiveEntryIsPacked(const Archive* archive, const unsigned char* entry);
// Calls visit(entry, context) for each file entry, directories breadth
// first; the tree must have passed ArchiveValidate.
void ArchiveForEachFile(const Archive* archive,
                        void (*visit)(const Archive*, const unsigned char* entry, void* context),
                        void* context);
// Closes the archive file of a stream-mode archive.
int ArchiveCloseStreamFile(Archive* archive);

}  // namespace DuRud
