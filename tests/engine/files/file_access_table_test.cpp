// The file-access table: forwarders, the default sets, SetUseArchive and
// the file interface over whatever the table holds.
#include "files/file_access_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "file_test_support.h"
#include "files/loader_streams.h"

namespace DuRud {
namespace {

// A table whose slots record what they were called with.
struct Calls {
    static inline int open, close, tell, seek, read, eof, idle, chdir, getdir, first, next, fclose;
    static inline int lastOrigin;
    static void Reset() {
        open = close = tell = seek = read = eof = idle = chdir = getdir = first = next = fclose =
            lastOrigin = 0;
    }
};

StreamFunctionTable RecordingTable() {
    StreamFunctionTable t{};
    t.Open = [](const char*, int, int, int) -> StreamHandle { return ++Calls::open, 77; };
    t.Close = [](StreamHandle s) { return ++Calls::close, s == 77 ? 0 : -1; };
    t.Tell = [](StreamHandle) -> int32_t { return ++Calls::tell, 123; };
    t.Seek = [](StreamHandle, int32_t, int origin) {
        Calls::lastOrigin = origin;
        return ++Calls::seek, 0;
    };
    t.Read = [](void*, size_t, size_t count, StreamHandle) -> size_t {
        return ++Calls::read, count;
    };
    t.Eof = [](StreamHandle) { return ++Calls::eof, -1; };
    t.IdleCheck = [](StreamHandle) { return ++Calls::idle, 1; };
    t.ChDir = [](const char*) { return ++Calls::chdir, 0; };
    t.GetDir = [](char* b) {
        std::strcpy(b, "Q:\\");
        return ++Calls::getdir, 0;
    };
    t.FindFirst = [](const char*, FileFindInfo*) -> intptr_t { return ++Calls::first, 5; };
    t.FindNext = [](intptr_t, FileFindInfo*) { return ++Calls::next, -1; };
    t.FindClose = [](intptr_t) { return ++Calls::fclose, 0; };
    return t;
}

class FileAccessTable : public testing::Test {
  protected:
    void SetUp() override { Calls::Reset(); }
    void TearDown() override {
        SetUseArchive(1);
        SetStreamFunctionTable(nullptr);
    }
};

TEST_F(FileAccessTable, ForwardersGoThroughTheCurrentTable) {
    StreamFunctionTable t = RecordingTable();
    ASSERT_EQ(SetStreamFunctionTable(&t), 0);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 0);
    char buffer[8];
    EXPECT_EQ(OpenStream("x", 0, 1, 0), 77);
    EXPECT_EQ(TellStream(77), 123);
    EXPECT_EQ(SeekStream(77, 4, 2), 0);
    EXPECT_EQ(Calls::lastOrigin, 2);
    EXPECT_EQ(ReadStream(buffer, 1, 6, 77), 6u);
    EXPECT_EQ(CheckStreamEof(77), -1);
    EXPECT_EQ(CheckStreamIdle(77), 1);
    EXPECT_EQ(ChangeStreamDir("y"), 0);
    EXPECT_EQ(GetStreamDir(buffer), 0);
    EXPECT_STREQ(buffer, "Q:\\");
    EXPECT_EQ(CloseStream(77), 0);
    EXPECT_EQ(GetStreamFunctionTable()->FindFirst("*", nullptr), 5);

    // The file interface follows the table, its Close going to slot 1.
    const StreamInterface* files = GetFileStreamInterface();
    EXPECT_EQ(files->Tell(77), 123);
    EXPECT_EQ(files->Read(buffer, 2, 3, 77), 3u);
    EXPECT_EQ(files->Close(77), 0);
    EXPECT_EQ(Calls::close, 2);
    EXPECT_EQ(Calls::open, 1);
    EXPECT_EQ(Calls::tell, 2);
}

TEST_F(FileAccessTable, DefaultsAndTheArchiveSwitch) {
    EXPECT_EQ(SetStreamFunctionTable(nullptr), 0);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 1);

    // The default set follows the switch only while it is installed.
    EXPECT_EQ(SetUseArchive(0), 0);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 1);
    EXPECT_EQ(GetStreamFunctionTable()->Open, PlainStreamFunctionSet().Open);
    EXPECT_EQ(SetUseArchive(1), 0);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 1);
    EXPECT_EQ(GetStreamFunctionTable()->Open, ArchiveStreamFunctionSet().Open);

    StreamFunctionTable t = RecordingTable();
    SetStreamFunctionTable(&t);
    EXPECT_EQ(SetUseArchive(0), 0);
    EXPECT_EQ(GetStreamFunctionTable()->Open(nullptr, 0, 0, 0), 77);  // still the caller's
    EXPECT_EQ(SetUseArchive(1), 0);
    EXPECT_EQ(GetStreamFunctionTable()->Open(nullptr, 0, 0, 0), 77);

    // IdleCheck is not compared: a default set with its own idle check is still the default.
    StreamFunctionTable almost = ArchiveStreamFunctionSet();
    almost.IdleCheck = t.IdleCheck;
    SetStreamFunctionTable(&almost);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 1);
    almost.FindClose = t.FindClose;
    SetStreamFunctionTable(&almost);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 0);

    // Null reinstalls the default.
    SetStreamFunctionTable(nullptr);
    EXPECT_EQ(IsDefaultStreamFunctionTable(), 1);
    EXPECT_EQ(GetStreamFunctionTable()->Open("missing.bin", 0, 0, 0), 0);
}

TEST_F(FileAccessTable, PlainFilesThroughTheFileInterface) {
    SetUseArchive(0);
    SetStreamFunctionTable(nullptr);
    std::string bytes = PatternBytes(50);
    testsupport::WriteFile("p.bin", bytes);
    StreamHandle stream = OpenStream("p.bin", 0, 1, 0);
    ASSERT_NE(stream, 0);
    const StreamInterface* files = GetFileStreamInterface();
    char buffer[50];
    EXPECT_EQ(files->Seek(stream, -10, 2), 0);
    EXPECT_EQ(files->Tell(stream), 40);
    EXPECT_EQ(files->Read(buffer, 1, 50, stream), 10u);
    EXPECT_EQ(std::string(buffer, 10), bytes.substr(40));
    EXPECT_EQ(files->Eof(stream), 0);
    EXPECT_EQ(files->Read(buffer, 1, 1, stream), 0u);
    EXPECT_NE(files->Eof(stream), 0);
    EXPECT_EQ(files->IdleCheck(stream), 1);
    EXPECT_EQ(files->Close(stream), 0);
    EXPECT_EQ(files->Close(stream), -1);
}

}  // namespace
}  // namespace DuRud
