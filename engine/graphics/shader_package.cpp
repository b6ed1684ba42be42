// Unpacking the shader package: each blob is LZ-decoded into a tracked
// buffer; the archives are opened over theirs, the code tables are walked
// so that every entry's code lies inside the unpacked bytes.
#include "graphics/shader_package.h"

#include <algorithm>
#include <cstring>

#include "DuRud.h"
#include "files/archive_format.h"

namespace DuRud {
namespace {

// An entry's code starts behind the sizes of the entries before it. One
// start is kept per run of kEntriesPerMark entries and the rest summed on
// lookup: a start for every entry of the model table was 3.2 MB kept for
// codes that are looked up once each, when their shader is made.
constexpr int kEntriesPerMark = 64;

struct CodeTable {
    unsigned char* bytes = nullptr;
    uint32_t* marks = nullptr;  // the code start of every kEntriesPerMark-th entry
    int entries = 0;
};

struct PackageState {
    int unpacked = 0;
    unsigned char* baseImage = nullptr;
    unsigned char* filterImage = nullptr;
    Archive baseArchive{};
    Archive filterArchive{};
    CodeTable mix, model;
};

PackageState g_package;
const ShaderPackageBlob* g_source = nullptr;

// Decodes a blob into a new tracked buffer; null on a bad stream or when
// memory runs out.
unsigned char* Unpack(const ShaderPackageBlob& blob, uint32_t* size) {
    const int64_t n = ArchiveDecompress(blob.data, blob.size, nullptr, 0);
    if (n <= 0 || n > 0x7FFFFFFF) return nullptr;
    auto* out =
        static_cast<unsigned char*>(TrackedAlloc(static_cast<uint32_t>(n), __FILE__, __LINE__));
    if (!out) return nullptr;
    if (ArchiveDecompress(blob.data, blob.size, out, static_cast<size_t>(n)) != n) {
        TrackedFree(out);
        return nullptr;
    }
    *size = static_cast<uint32_t>(n);
    return out;
}

// Walks `entries` 16-bit sizes at the start of the bytes: each non-empty
// entry's code follows the previous one's, starting behind the table. A
// size that runs past the bytes fails the walk.
bool WalkCodeTable(unsigned char* bytes, uint32_t size, int entries, CodeTable* table) {
    const uint64_t tableBytes = static_cast<uint64_t>(entries) * 2;
    if (size < tableBytes) return false;
    const int marks = (entries + kEntriesPerMark - 1) / kEntriesPerMark;
    table->marks = static_cast<uint32_t*>(TrackedAlloc(
        static_cast<uint32_t>(std::max(marks, 1) * sizeof(uint32_t)), __FILE__, __LINE__));
    if (!table->marks) return false;
    uint64_t at = tableBytes;
    for (int i = 0; i < entries; ++i) {
        if (i % kEntriesPerMark == 0) table->marks[i / kEntriesPerMark] = static_cast<uint32_t>(at);
        at += LoadU16(bytes + i * 2);
        if (at > size) {
            TrackedFree(table->marks);
            table->marks = nullptr;
            return false;
        }
    }
    table->bytes = bytes;
    table->entries = entries;
    return true;
}

bool UnpackCodeTable(const ShaderPackageBlob& blob, int entries, CodeTable* table) {
    uint32_t size = 0;
    unsigned char* bytes = Unpack(blob, &size);
    if (!bytes) return false;
    if (!WalkCodeTable(bytes, size, entries, table)) {
        TrackedFree(bytes);
        return false;
    }
    return true;
}

bool UnpackArchive(const ShaderPackageBlob& blob, unsigned char** image, Archive* archive) {
    uint32_t size = 0;
    *image = Unpack(blob, &size);
    if (!*image) return false;
    ArchiveClear(archive);
    if (ArchiveOpenMemory(archive, *image, size, nullptr) != 0) {
        TrackedFree(*image);
        *image = nullptr;
        return false;
    }
    return true;
}

void FreeCodeTable(CodeTable* table) {
    TrackedFree(table->bytes);
    TrackedFree(table->marks);
    *table = CodeTable{};
}

void FreeAll() {
    if (g_package.baseImage) ArchiveClose(&g_package.baseArchive);
    if (g_package.filterImage) ArchiveClose(&g_package.filterArchive);
    TrackedFree(g_package.baseImage);
    TrackedFree(g_package.filterImage);
    FreeCodeTable(&g_package.mix);
    FreeCodeTable(&g_package.model);
    g_package = PackageState{};
}

int TableCode(const CodeTable& table, int index, const void** code, uint32_t* size) {
    if (!g_package.unpacked || index < 0 || index >= table.entries) return -1;
    const uint16_t n = LoadU16(table.bytes + index * 2);
    if (n == 0) return -1;
    if (code) {
        uint32_t at = table.marks[index / kEntriesPerMark];
        for (int i = index - index % kEntriesPerMark; i < index; ++i)
            at += LoadU16(table.bytes + i * 2);
        *code = table.bytes + at;
    }
    if (size) *size = n;
    return 0;
}

}  // namespace

void SetShaderPackageSource(const ShaderPackageBlob* blobs) {
    g_source = blobs;
}

int UnpackShaderPackage() {
    if (g_package.unpacked) return 1;
    const ShaderPackageBlob* blobs = g_source ? g_source : kShaderPackage;
    const bool ok =
        UnpackArchive(blobs[kBaseArchiveBlob], &g_package.baseImage, &g_package.baseArchive) &&
        UnpackCodeTable(blobs[kMixCodeBlob], kMixCodeEntries * kMixCodesPerEntry, &g_package.mix) &&
        UnpackArchive(blobs[kFilterArchiveBlob], &g_package.filterImage,
                      &g_package.filterArchive) &&
        UnpackCodeTable(blobs[kModelCodeBlob], kModelCodes, &g_package.model);
    if (!ok) {
        FreeAll();
        return 0;
    }
    g_package.unpacked = 1;
    return 1;
}

int ReleaseShaderPackage() {
    FreeAll();
    return 1;
}

int ShaderPackageUnpacked() {
    return g_package.unpacked;
}

Archive* BaseShaderArchive() {
    return g_package.unpacked ? &g_package.baseArchive : nullptr;
}

Archive* FilterShaderArchive() {
    return g_package.unpacked ? &g_package.filterArchive : nullptr;
}

int ShaderArchiveMember(Archive* archive, const char* name, const void** code, uint32_t* size) {
    uint32_t offset = 0, bytes = 0;
    if (!archive || !name || ArchiveGetFileSpan(archive, name, &offset, &bytes) != 0) return -1;
    if (static_cast<uint64_t>(offset) + bytes > archive->imageSize) return -1;
    if (code) *code = archive->image + offset;
    if (size) *size = bytes;
    return 0;
}

int MixShaderCode(int index, const void** code, uint32_t* size) {
    return TableCode(g_package.mix, index, code, size);
}

int ModelVertexShaderCode(int index, const void** code, uint32_t* size) {
    if (index >= kModelVertexCodes) return -1;
    return TableCode(g_package.model, index, code, size);
}

int ModelPixelShaderCode(int index, const void** code, uint32_t* size) {
    if (index < 0 || index >= kModelPixelCodes) return -1;
    return TableCode(g_package.model, kModelVertexCodes + index, code, size);
}

}  // namespace DuRud
