// The file-access table and its forwarders.
#include "files/file_access_table.h"

#include <cstring>

#include "files/archive_access.h"
#include "files/windows_file_layer.h"

namespace DuRud {
namespace {

constexpr StreamFunctionTable kPlainSet = {
    FileWinOpen,   FileWinClose,     FileWinTell,      FileWinSeek,
    FileWinRead,   FileWinEof,       FileWinIdleCheck, FileWinChDir,
    FileWinGetDir, FileWinFindFirst, FileWinFindNext,  FileWinFindClose,
};

// The table starts out with the default set.
StreamFunctionTable g_table = ArchiveAwareFunctionSet();
int g_usePlainFiles = 0;

const StreamFunctionTable& selectedSet() {
    return g_usePlainFiles ? PlainStreamFunctionSet() : ArchiveStreamFunctionSet();
}

bool sameExceptIdleCheck(const StreamFunctionTable& a, const StreamFunctionTable& b) {
    return a.Open == b.Open && a.Close == b.Close && a.Tell == b.Tell && a.Seek == b.Seek &&
           a.Read == b.Read && a.Eof == b.Eof && a.ChDir == b.ChDir && a.GetDir == b.GetDir &&
           a.FindFirst == b.FindFirst && a.FindNext == b.FindNext && a.FindClose == b.FindClose;
}

}  // namespace

const StreamFunctionTable& PlainStreamFunctionSet() {
    return kPlainSet;
}

// The one place that names the archive-aware set.
const StreamFunctionTable& ArchiveStreamFunctionSet() {
    return ArchiveAwareFunctionSet();
}

StreamHandle OpenStream(const char* path, int useCache, int blockRead, int asyncRead) {
    return g_table.Open(path, useCache, blockRead, asyncRead);
}
int CloseStream(StreamHandle stream) {
    return g_table.Close(stream);
}
int32_t TellStream(StreamHandle stream) {
    return g_table.Tell(stream);
}
int SeekStream(StreamHandle stream, int32_t offset, int origin) {
    return g_table.Seek(stream, offset, origin);
}
size_t ReadStream(void* buffer, size_t elementSize, size_t count, StreamHandle stream) {
    return g_table.Read(buffer, elementSize, count, stream);
}
int CheckStreamEof(StreamHandle stream) {
    return g_table.Eof(stream);
}
int CheckStreamIdle(StreamHandle stream) {
    return g_table.IdleCheck(stream);
}
int ChangeStreamDir(const char* path) {
    return g_table.ChDir(path);
}
int GetStreamDir(char* buffer) {
    return g_table.GetDir(buffer);
}

StreamFunctionTable* GetStreamFunctionTable() {
    return &g_table;
}

int SetStreamFunctionTable(const StreamFunctionTable* table) {
    g_table = table != nullptr ? *table : selectedSet();
    return 0;
}

int IsDefaultStreamFunctionTable() {
    return sameExceptIdleCheck(g_table, selectedSet()) ? 1 : 0;
}

int SetUseArchive(int flag) {
    int usePlain = flag == 0 ? 1 : 0;
    if (usePlain == g_usePlainFiles) return 0;
    bool wasDefault = IsDefaultStreamFunctionTable() != 0;
    g_usePlainFiles = usePlain;
    if (wasDefault) g_table = selectedSet();
    return 0;
}

}  // namespace DuRud
