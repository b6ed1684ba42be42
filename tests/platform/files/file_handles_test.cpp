#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <barrier>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../../../platform/win32/kernel_objects.h"
#include "support/test_support.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

HANDLE openForRead(const char* path, DWORD share = FILE_SHARE_READ) {
    return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The error an open failed with, or ERROR_SUCCESS (the handle closed) when it did not fail.
DWORD openError(HANDLE file) {
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(file);
    return ERROR_SUCCESS;
}

std::string readAll(HANDLE file) {
    std::string out;
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    return out;
}

TEST(FileHandles, OpensCaseInsensitivelyThroughTheDriveView) {
    std::filesystem::create_directories("datas/lists");
    testsupport::WriteFile("datas/lists/a.list", "list bytes");
    for (std::string path : {std::string("DATAS\\Lists\\A.LIST"), std::string("datas/LISTS/a.List"),
                             "C:" + testsupport::TestDirectory() + "\\DATAS\\LISTS\\A.LIST",
                             testsupport::TestDirectory() + "/Datas\\lists/A.list"}) {
        HANDLE file = openForRead(path.c_str());
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
        EXPECT_EQ(readAll(file), "list bytes");
        EXPECT_TRUE(CloseHandle(file));
    }
}

TEST(FileHandles, NewFilesKeepTheCaseGivenAndCodePage932Names) {
    std::filesystem::create_directories("save");
    HANDLE file = CreateFileA("SAVE\\Setting.QVX", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists("save/Setting.QVX"));

    // "表.txt": 95 5C is one character, not a separator.
    file = CreateFileA("\x95\x5C.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    CloseHandle(file);
    EXPECT_EQ(testsupport::ReadFile("\xE8\xA1\xA8.txt"), "abc");
}

TEST(FileHandles, CreationDispositions) {
    testsupport::WriteFile("old.bin", "12345");
    SetLastError(0);
    EXPECT_EQ(openError(CreateFileA("old.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)),
              DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(testsupport::ReadFile("old.bin"), "12345");

    HANDLE file = CreateFileA("old.bin", GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(readAll(file), "12345");
    CloseHandle(file);

    file = CreateFileA("old.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);

    testsupport::WriteFile("old.bin", "12345");
    file = CreateFileA("OLD.BIN", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(testsupport::ReadFile("old.bin"), "");

    file =
        CreateFileA("fresh.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(file);

    SetLastError(0);
    EXPECT_EQ(
        openError(CreateFileA("old.bin", GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr)),
        DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(openError(CreateFileA("old.bin", GENERIC_READ, 0, nullptr, 0, 0, nullptr)),
              DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(openError(openForRead("missing.bin")), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(openError(openForRead("missing\\x.bin")), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(openError(CreateFileA("missing\\x.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                    nullptr)),
              DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(openError(openForRead("old.bin\\inner")), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST(FileHandles, ShareModesAreEnforcedWithinTheProcess) {
    testsupport::WriteFile("log.txt", "");
    HANDLE exclusive = CreateFileA("log.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(openError(CreateFileA("LOG.TXT", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)),
              DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(openError(openForRead("log.txt", FILE_SHARE_READ | FILE_SHARE_WRITE)),
              DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_ERROR(DeleteFileA("log.txt"), FALSE, ERROR_SHARING_VIOLATION);
    ASSERT_TRUE(CloseHandle(exclusive));

    // Readers sharing reading get along; a writer then needs them to share writing.
    HANDLE reader1 = openForRead("log.txt");
    HANDLE reader2 = openForRead("log.txt");
    ASSERT_NE(reader1, INVALID_HANDLE_VALUE);
    ASSERT_NE(reader2, INVALID_HANDLE_VALUE);
    EXPECT_EQ(openError(CreateFileA("log.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr)),
              DWORD(ERROR_SHARING_VIOLATION));
    // A reader asking for exclusive access conflicts with the open readers.
    EXPECT_EQ(openError(openForRead("log.txt", 0)), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(reader1);
    CloseHandle(reader2);

    HANDLE writer = CreateFileA("log.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    HANDLE deletable = CreateFileA("log.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(deletable, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA("log.txt"));
    CloseHandle(deletable);
    EXPECT_FALSE(std::filesystem::exists("log.txt"));
}

TEST(FileHandlesThreads, OnlyOneOfManyThreadsGetsAnExclusiveOpen) {
    testsupport::WriteFile("shared.txt", "");
    constexpr int kThreads = 8;
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> opened{0}, refused{0};
        std::barrier allTried(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                HANDLE file =
                    CreateFileA("shared.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                if (file != INVALID_HANDLE_VALUE) {
                    ++opened;
                } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
                    ++refused;
                }
                allTried.arrive_and_wait();  // every handle is held until all have tried
                if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(opened.load(), 1);
        EXPECT_EQ(refused.load(), kThreads - 1);
    }
}

TEST(FileHandles, ReadWriteAndTheFilePointer) {
    HANDLE file =
        CreateFileA("data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(file, "hello world", 11, &n, nullptr));
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 11u);
    EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
    char buffer[32] = {};
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 5u);  // the bytes really read, not the bytes asked
    EXPECT_STREQ(buffer, "world");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 0u);

    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
    EXPECT_ERROR(SetFilePointer(file, -100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER,
                 ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 6u);  // unchanged
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // Past the end, then cut the file there.
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 3u);
    EXPECT_TRUE(FlushFileBuffers(file));

    // OVERLAPPED without an event reads at its offset on this synchronous handle.
    OVERLAPPED at{};
    at.Offset = 1;
    std::memset(buffer, 0, sizeof buffer);
    ASSERT_TRUE(ReadFile(file, buffer, 2, &n, &at));
    EXPECT_EQ(n, 2u);
    EXPECT_STREQ(buffer, "el");
    CloseHandle(file);
    EXPECT_EQ(testsupport::ReadFile("data.bin"), "hel");
}

TEST(FileHandles, PositionsBeyondFourGigabytes) {
    HANDLE file =
        CreateFileA("big.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    ASSERT_TRUE(SetEndOfFile(file));  // a sparse 4 GiB + 16 bytes
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 16u);
    EXPECT_EQ(sizeHigh, 1u);
    LARGE_INTEGER size;
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 0x100000010LL);
    // A 32-bit caller cannot be told this position.
    EXPECT_ERROR(SetFilePointer(file, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER,
                 ERROR_INVALID_PARAMETER);
    high = -1;  // with a high part the distance is one signed 64-bit value
    EXPECT_EQ(SetFilePointer(file, -16, &high, FILE_END), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));  // cleared after the refusal above
    EXPECT_EQ(high, 1);
    high = 0;  // -16 with a zero high part is 4 GiB - 16 forward
    EXPECT_EQ(SetFilePointer(file, -16, &high, FILE_BEGIN), 0xFFFFFFF0u);
    EXPECT_EQ(high, 0);
    EXPECT_ERROR(SetFilePointer(file, 16, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER,
                 ERROR_INVALID_PARAMETER);
    high = 1;
    EXPECT_EQ(SetFilePointer(file, 0, &high, FILE_BEGIN), 0u);
    LARGE_INTEGER move, now;
    move.QuadPart = -1;
    ASSERT_TRUE(SetFilePointerEx(file, move, &now, FILE_CURRENT));
    EXPECT_EQ(now.QuadPart, 0xFFFFFFFFLL);
    CloseHandle(file);
}

TEST(FileHandles, AccessRightsAreChecked) {
    testsupport::WriteFile("r.bin", "abc");
    HANDLE reader = openForRead("r.bin");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD n = 7;
    EXPECT_ERROR(WriteFile(reader, "x", 1, &n, nullptr), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_FALSE(FlushFileBuffers(reader));
    CloseHandle(reader);

    HANDLE writer = CreateFileA("r.bin", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char c;
    EXPECT_ERROR(ReadFile(writer, &c, 1, &n, nullptr), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_ERROR(ReadFile(writer, &c, 1, nullptr, nullptr), FALSE, ERROR_INVALID_PARAMETER);
    CloseHandle(writer);

    // The read-only attribute refuses writers, even to a privileged user.
    chmod("r.bin", 0444);
    EXPECT_EQ(openError(CreateFileA("r.bin", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
              DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetFileAttributesA("r.bin"), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_ERROR(DeleteFileA("r.bin"), FALSE, ERROR_ACCESS_DENIED);

    // Directories open only with backup semantics, never for writing.
    std::filesystem::create_directories("dir");
    EXPECT_EQ(openError(openForRead("dir")), DWORD(ERROR_ACCESS_DENIED));
    HANDLE dir = CreateFileA("DIR", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(dir, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(dir, &c, 1, &n, nullptr));
    FILETIME written{};
    EXPECT_TRUE(GetFileTime(dir, nullptr, nullptr, &written));
    CloseHandle(dir);
    EXPECT_ERROR(DeleteFileA("dir"), FALSE, ERROR_ACCESS_DENIED);
}

TEST(FileHandles, BadHandlesAndArgumentsFailCleanly) {
    size_t before = platform::KernelHandleCount();
    testsupport::WriteFile("f.bin", "abc");
    HANDLE file = openForRead("f.bin");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_EQ(platform::KernelHandleCount(), before);
    char buffer[4];
    DWORD n;
    LONG high = 0;
    LARGE_INTEGER li{};
    FILETIME ft;
    for (HANDLE bad : {file, HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(uintptr_t{0x4444})}) {
        EXPECT_ERROR(ReadFile(bad, buffer, 4, &n, nullptr), FALSE, ERROR_INVALID_HANDLE);
        EXPECT_FALSE(WriteFile(bad, buffer, 4, &n, nullptr));
        EXPECT_ERROR(SetFilePointer(bad, 0, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER,
                     ERROR_INVALID_HANDLE);
        EXPECT_ERROR(GetFileSize(bad, nullptr), INVALID_FILE_SIZE, ERROR_INVALID_HANDLE);
        EXPECT_FALSE(GetFileSizeEx(bad, &li));
        EXPECT_FALSE(GetFileTime(bad, &ft, &ft, &ft));
        EXPECT_FALSE(SetEndOfFile(bad));
        EXPECT_FALSE(FlushFileBuffers(bad));
        EXPECT_FALSE(CloseHandle(bad));
    }
    SetLastError(0);
    EXPECT_EQ(openError(openForRead(nullptr)), DWORD(ERROR_INVALID_PARAMETER));
    std::string tooLong(400, 'x');
    EXPECT_EQ(openError(openForRead(tooLong.c_str())), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(openError(CreateFileA("x.bin", GENERIC_READ, 0, nullptr, CREATE_NEW,
                                    FILE_FLAG_OVERLAPPED, nullptr)),
              DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(std::filesystem::exists("x.bin"));
    EXPECT_EQ(GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(DeleteFileA(nullptr));
    EXPECT_EQ(platform::KernelHandleCount(), before);
}

TEST(FileHandles, AttributesTimesAndDeletion) {
    std::filesystem::create_directories("Folder");
    testsupport::WriteFile("Folder/Note.txt", "12");
    EXPECT_EQ(GetFileAttributesA("folder"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("FOLDER\\note.TXT"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_ERROR(GetFileAttributesA("folder\\none"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND);
    EXPECT_ERROR(GetFileAttributesA("none\\none"), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND);

    // File times count 100 ns from 1601: the file's write time in those units.
    struct stat st;
    ASSERT_EQ(stat("Folder/Note.txt", &st), 0);
    HANDLE file = openForRead("folder\\note.txt");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    uint64_t ticks = (uint64_t(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    uint64_t expected = (uint64_t(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                        uint64_t(st.st_mtim.tv_nsec) / 100;
    EXPECT_EQ(ticks, expected);
    uint64_t createdTicks = (uint64_t(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    EXPECT_LE(createdTicks, ticks);
    EXPECT_GT(createdTicks, 0u);
    CloseHandle(file);

    EXPECT_TRUE(DeleteFileA("FOLDER\\NOTE.TXT"));
    EXPECT_FALSE(std::filesystem::exists("Folder/Note.txt"));
    EXPECT_ERROR(DeleteFileA("folder\\note.txt"), FALSE, ERROR_FILE_NOT_FOUND);
}

// A name ending in a separator names a directory: for a file it is an
// invalid name, and nothing is created or deleted.
TEST(FileHandles, TrailingSeparatorOnlyAfterADirectory) {
    std::filesystem::create_directories("dir");
    testsupport::WriteFile("old.bin", "x");
    const auto create = [](const char* name, DWORD disposition, DWORD flags = 0) {
        HANDLE h = CreateFileA(name, GENERIC_READ, 0, nullptr, disposition, flags, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return h != INVALID_HANDLE_VALUE;
    };
    struct Row {
        const char* name;
        std::function<bool(const char*)> call;
        DWORD error;  // ERROR_SUCCESS: the call succeeds
    };
    const Row rows[] = {
        {"new.bin\\", [&](const char* n) { return create(n, CREATE_ALWAYS); }, ERROR_INVALID_NAME},
        {"old.bin\\", [&](const char* n) { return create(n, OPEN_EXISTING); }, ERROR_INVALID_NAME},
        {"old.bin/", [](const char* n) { return GetFileAttributesA(n) != INVALID_FILE_ATTRIBUTES; },
         ERROR_INVALID_NAME},
        {"old.bin\\", [](const char* n) { return DeleteFileA(n) != FALSE; }, ERROR_INVALID_NAME},
        {"dir\\", [](const char* n) { return GetFileAttributesA(n) == FILE_ATTRIBUTE_DIRECTORY; },
         ERROR_SUCCESS},
        {"dir\\",
         [&](const char* n) { return create(n, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS); },
         ERROR_SUCCESS},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        EXPECT_EQ(row.call(row.name), row.error == ERROR_SUCCESS) << row.name;
        if (row.error != ERROR_SUCCESS) {
            EXPECT_EQ(GetLastError(), row.error) << row.name;
        }
    }
    EXPECT_FALSE(std::filesystem::exists("new.bin"));
    EXPECT_TRUE(std::filesystem::exists("old.bin"));
}

}  // namespace
