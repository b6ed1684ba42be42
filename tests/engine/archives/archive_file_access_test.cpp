// Archive-aware file access: paths inside an archive read its members,
// other paths plain files; reads to the end, asynchronous reads, finds,
// many threads at once, and the file handles on top.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <thread>

#include "archive_test_support.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "files/archive_access.h"
#include "files/file_handles.h"
#include "windows.h"
#include "support/test_support.h"

using namespace DuRud;
using namespace archive_test;

namespace {

// Asynchronous reads hand over their bytes once the stream is idle.
void WaitArchiveIdle(StreamHandle h) {
    testsupport::WaitUntil([h] { return ArchiveApiIdleCheck(h) == 1; }, testsupport::kWaitLimit,
                           "the archive stream idle");
}

void Put(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Bytes that do not pack, so the member is stored.
Bytes Big(size_t n) {
    Bytes b(n);
    uint32_t x = 2463534242u;
    for (auto& c : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<unsigned char>(x >> 24);
    }
    return b;
}

class ArchiveFileAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        blocks_ = MemGetCount();
        ::mkdir("G", 0755);
        ::mkdir("G/datas", 0755);
        ::mkdir("G/datas/lists", 0755);
        Put("G/datas/lists/a.list", BytesOf("plain file, not the member"));
        Put("G/datas/lists/plain_only.list", BytesOf("only on disk"));
        Put("G/loose.txt", BytesOf("loose"));
        zav::WriterNode root = Dir(
            "",
            {Dir("lists", {File("a.list", BytesOf("alpha\r\nbeta\r\ngamma\r\n")),
                           File("packed.bin", Repetitive(20000)), File("stored.bin", Big(3000))}),
             File("top.txt", BytesOf("top"))});
        Put("G/DATAS.ZAV", Write(root, 5, zav::KeyKind::Own, "qorvintabelux"));
        SetArchiveKeyString("qorvintabelux");
        ASSERT_TRUE(SetCurrentDirectoryA("G"));
    }
    void TearDown() override {
        EXPECT_EQ(ArchiveOpenFileCount(), 0);
        EndArchives();
        EXPECT_EQ(ArchiveCacheCount(), 0) << "a sweep closes every archive";
        SetArchiveKeyString(nullptr);
        EXPECT_EQ(MemGetCount(), blocks_);
    }
    Bytes ReadAll(StreamHandle h, size_t chunk) {
        Bytes all, part(chunk);
        size_t n;
        // Asynchronous reads hand over their bytes once the stream is idle.
        while ((n = ArchiveApiRead(part.data(), 1, chunk, h)) > 0) {
            WaitArchiveIdle(h);
            all.insert(all.end(), part.begin(), part.begin() + n);
        }
        return all;
    }
    int blocks_ = 0;
};

}  // namespace

TEST_F(ArchiveFileAccess, PathsInsideTheArchiveReadMembers) {
    StreamHandle h = ArchiveApiOpen("datas\\lists\\a.list", 0, 0, 0);
    ASSERT_NE(h, 0);
    EXPECT_EQ(h & ~intptr_t{0x0FFFFFFF}, intptr_t{0xF0000000});
    EXPECT_EQ(ReadAll(h, 7), BytesOf("alpha\r\nbeta\r\ngamma\r\n"));
    EXPECT_EQ(ArchiveApiClose(h), 0);

    EXPECT_EQ(ArchiveApiOpen("datas\\lists\\plain_only.list", 0, 0, 0), 0)
        << "no plain-file fallback inside an archive's directory";
    EXPECT_EQ(ArchiveApiOpen("DATAS/LISTS/NOPE", 0, 0, 0), 0);

    int slot = -1;
    char archivePath[256], inner[1024];
    ASSERT_EQ(ArchiveResolvePath("datas\\top.txt", &slot, archivePath, inner), 0);
    EXPECT_STREQ(inner, "TOP.TXT");
    EXPECT_NE(std::string(archivePath).find("\\G\\DATAS.ZAV"), std::string::npos);
    int again = -1;
    ASSERT_EQ(ArchiveResolvePath("Datas\\Lists\\x", &again, nullptr, inner), 0) << "the memo";
    EXPECT_EQ(again, slot);
    EXPECT_STREQ(inner, "LISTS\\X");
    EXPECT_EQ(ArchiveCacheReferences(slot), 2);
    ArchiveCacheRelease(slot);
    ArchiveCacheRelease(slot);
    StreamHandle top = ArchiveApiOpen("datas\\top.txt", 0, 0, 0);
    ASSERT_NE(top, 0);
    EXPECT_EQ(ArchiveCacheReferences(slot), 1);
    ArchiveApiClose(top);
    EXPECT_EQ(ArchiveCacheReferences(slot), 0);
    ArchiveCacheRelease(slot);
    EXPECT_EQ(ArchiveCacheReferences(slot), 0) << "never below 0";
}

TEST_F(ArchiveFileAccess, PlainFilesWithoutArchive) {
    StreamHandle h = ArchiveApiOpen("loose.txt", 0, 0, 0);
    ASSERT_NE(h, 0);
    EXPECT_EQ(ReadAll(h, 100), BytesOf("loose"));
    EXPECT_EQ(ArchiveApiEof(h), -1);
    EXPECT_EQ(ArchiveApiClose(h), 0);
    // An archive named after the file itself is never looked for.
    Put("loose.txt.ZAV", Write(Dir("", {File("x", BytesOf("x"))}), 5, zav::KeyKind::None));
    h = ArchiveApiOpen("loose.txt", 0, 0, 0);
    ASSERT_NE(h, 0);
    ArchiveApiClose(h);
    EXPECT_EQ(ArchiveResolvePath("loose.txt", nullptr, nullptr, nullptr), -1);
}

TEST_F(ArchiveFileAccess, ReadsToTheEndPackedAndStored) {
    for (const char* name : {"datas\\lists\\packed.bin", "datas\\lists\\stored.bin"}) {
        SCOPED_TRACE(name);
        const Bytes want =
            std::string(name).find("packed") != std::string::npos ? Repetitive(20000) : Big(3000);
        StreamHandle h = ArchiveApiOpen(name, 0, 0, 0);
        ASSERT_NE(h, 0);
        Bytes got(1000);
        // Reads up to the last one, which returns the last bytes.
        ASSERT_EQ(ArchiveApiSeek(h, -1000, 2), 0);
        EXPECT_EQ(ArchiveApiTell(h), static_cast<int32_t>(want.size() - 1000));
        EXPECT_EQ(ArchiveApiRead(got.data(), 1, 1000, h), 1000u);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), want.end() - 1000));
        EXPECT_EQ(ArchiveApiEof(h), 0);
        EXPECT_EQ(ArchiveApiRead(got.data(), 1, 1000, h), 0u);
        EXPECT_EQ(ArchiveApiEof(h), -1);
        ASSERT_EQ(ArchiveApiSeek(h, -5000000, 1), 0);
        EXPECT_EQ(ArchiveApiTell(h), 0) << "clamped";
        EXPECT_EQ(ArchiveApiEof(h), 0);
        EXPECT_EQ(ReadAll(h, 333), want);
        // Elements: a last partial element is consumed too.
        ArchiveApiSeek(h, -10, 2);
        EXPECT_EQ(ArchiveApiRead(got.data(), 4, 3, h), 2u);
        EXPECT_EQ(ArchiveApiTell(h), static_cast<int32_t>(want.size()));
        EXPECT_EQ(ArchiveApiClose(h), 0);
    }
}

TEST_F(ArchiveFileAccess, AsynchronousStoredReadDecodesAtIdleCheck) {
    StreamHandle h = ArchiveApiOpen("datas\\lists\\stored.bin", 0, 0, 1);
    ASSERT_NE(h, 0);
    Bytes got(3000, 0);
    EXPECT_EQ(ArchiveApiRead(got.data(), 1, 3000, h), 3000u);
    EXPECT_NE(got, Big(3000)) << "coded until the read is checked";
    WaitArchiveIdle(h);
    EXPECT_EQ(got, Big(3000));
    EXPECT_EQ(ArchiveApiClose(h), 0);
    h = ArchiveApiOpen("datas\\lists\\packed.bin", 0, 0, 1);
    ASSERT_NE(h, 0);
    EXPECT_EQ(ReadAll(h, 4096), Repetitive(20000)) << "the next read waits and unpacks";
    EXPECT_EQ(ArchiveApiClose(h), 0);
}

TEST_F(ArchiveFileAccess, FindsListDotsThenEntries) {
    FileFindInfo info;
    intptr_t f = ArchiveApiFindFirst("datas\\*", &info);
    ASSERT_NE(f, -1);
    std::vector<std::string> names{info.name};
    while (ArchiveApiFindNext(f, &info) == 0) names.push_back(info.name);
    EXPECT_EQ(names, (std::vector<std::string>{".", "lists", "top.txt"}));
    EXPECT_EQ(ArchiveApiFindClose(f), 0);

    f = ArchiveApiFindFirst("datas\\lists\\*.BIN", &info);
    ASSERT_NE(f, -1);
    EXPECT_STREQ(info.name, "packed.bin");
    EXPECT_EQ(info.size, 20000u);
    EXPECT_EQ(info.isDirectory, 0);
    EXPECT_EQ(ArchiveApiFindNext(f, &info), 0);
    EXPECT_STREQ(info.name, "stored.bin");
    EXPECT_EQ(ArchiveApiFindNext(f, &info), -1);
    ArchiveApiFindClose(f);

    f = ArchiveApiFindFirst("datas\\lists\\*", nullptr);
    ASSERT_NE(f, -1);
    names.clear();
    while (ArchiveApiFindNext(f, &info) == 0) names.push_back(info.name);
    EXPECT_EQ(names, (std::vector<std::string>{"..", "a.list", "packed.bin", "stored.bin"}));
    ArchiveApiFindClose(f);

    EXPECT_EQ(ArchiveApiFindFirst("datas\\nowhere\\*", &info), -1);
    EXPECT_EQ(ArchiveApiFindFirst("datas\\*.none", &info), -1);
    EXPECT_EQ(ArchiveApiFindNext(12345, &info), -1) << "a made-up find handle";
    EXPECT_EQ(ArchiveApiFindClose(12345), -1);
}

TEST_F(ArchiveFileAccess, BadHandles) {
    for (StreamHandle bad : {StreamHandle{0}, StreamHandle{12345}, StreamHandle{0xF0000000 | 77},
                             StreamHandle{0xF0000000 | 0x0FFFFFFF}, StreamHandle{-1}}) {
        char buffer[4];
        EXPECT_EQ(ArchiveApiClose(bad), -1);
        EXPECT_EQ(ArchiveApiRead(buffer, 1, 4, bad), 0u);
        EXPECT_EQ(ArchiveApiTell(bad), -1);
        EXPECT_EQ(ArchiveApiSeek(bad, 0, 0), -1);
        EXPECT_EQ(ArchiveApiEof(bad), -1);
        EXPECT_EQ(ArchiveApiIdleCheck(bad), -1);
    }
    EXPECT_EQ(ArchiveApiOpen(nullptr, 0, 0, 0), 0);
}

TEST_F(ArchiveFileAccess, CorruptMemberFailsTheOpen) {
    // The packed member's head disagrees with its entry: found at member open.
    Bytes image =
        Write(Dir("", {File("p.bin", Repetitive(4000))}), 4, zav::KeyKind::Own, "qorvintabelux");
    PlainView v(image, 4, zav::KeyKind::Own, "qorvintabelux");
    const size_t data = v.U32(8) + v.U32(v.FileTable() + 32);
    v.SetU32(data, v.U32(data) + 1);
    v.Code();
    Put("BAD.ZAV", image);
    EXPECT_EQ(ArchiveApiOpen("bad\\p.bin", 0, 0, 0), 0);
    // Asynchronously the packed bytes are checked when they arrive: nothing reads.
    StreamHandle h = ArchiveApiOpen("bad\\p.bin", 0, 0, 1);
    ASSERT_NE(h, 0);
    char buffer[16];
    EXPECT_EQ(ArchiveApiRead(buffer, 1, sizeof buffer, h), 0u);
    EXPECT_EQ(ArchiveApiEof(h), -1);
    EXPECT_EQ(ArchiveApiClose(h), 0);
}

using ArchiveFileAccessThreads = ArchiveFileAccess;

TEST_F(ArchiveFileAccessThreads, SixteenThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round) {
                const bool packed = (t + round) % 2 == 0;
                StreamHandle h =
                    ArchiveApiOpen(packed ? "datas\\lists\\packed.bin" : "datas\\lists\\stored.bin",
                                   0, 0, t % 3 == 0);
                if (!h) {
                    ++wrong;
                    continue;
                }
                Bytes all, part(777);
                size_t n;
                while ((n = ArchiveApiRead(part.data(), 1, part.size(), h)) > 0) {
                    WaitArchiveIdle(h);
                    all.insert(all.end(), part.begin(), part.begin() + n);
                }
                if (all != (packed ? Repetitive(20000) : Big(3000))) ++wrong;
                ArchiveApiClose(h);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    int slot = -1;
    ASSERT_EQ(ArchiveResolvePath("datas\\x", &slot, nullptr, nullptr), 0);
    EXPECT_EQ(ArchiveCacheReferences(slot), 1) << "only this resolution's reference";
    EXPECT_EQ(ArchiveCacheCount(), 1);
    ArchiveCacheRelease(slot);
}

TEST_F(ArchiveFileAccess, LineReadingThroughTheDefaultTable) {
    SetUseArchive(1);
    SetArchiveKey("qorvintabelux");
    SetStreamFunctionTable(nullptr);
    Handle h = OpenFileHandle("datas\\lists\\a.list", 0);
    ASSERT_GT(h, 0);
    char line[64];
    std::vector<std::string> lines;
    while (ReadFileHandleLine(line, sizeof line, h) >= 0) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(DeleteTypedHandle(h), 0);
    EndFileHandles();
}

TEST_F(ArchiveFileAccess, EveryVersionAndKeyFromAFile) {
    struct KeyCase {
        zav::KeyKind kind;
        const char* openKey;
    };
    const KeyCase keys[] = {{zav::KeyKind::Own, "qorvintabelux"},
                            {zav::KeyKind::None, nullptr},
                            {zav::KeyKind::Fallback, "qorvintabelux"}};
    const zav::WriterNode tree = SampleTree();
    int n = 0;
    // The file path changes at versions 2 (entry size, packing), 4 (header size)
    // and 5 (coding by size): one version each side; ArchiveMemory reads all six.
    for (int version : {1, 3, 4, 5}) {
        for (const KeyCase& k : keys) {
            SCOPED_TRACE("version " + std::to_string(version) + " key kind " +
                         std::to_string(static_cast<int>(k.kind)));
            const std::string name = "R" + std::to_string(n++);
            Put(name + ".ZAV", Write(tree, version, k.kind, "qorvintabelux"));
            SetArchiveKeyString(k.openKey);
            for (int async : {0, 1}) {
                StreamHandle h = ArchiveApiOpen((name + "\\lists\\a.list").c_str(), 0, 0, async);
                ASSERT_NE(h, 0);
                EXPECT_EQ(ReadAll(h, 5), BytesOf("first line\r\nsecond line\r\nthird\r\n"));
                ArchiveApiClose(h);
                h = ArchiveApiOpen((name + "\\lists\\" + kJapaneseName).c_str(), 0, 0, async);
                ASSERT_NE(h, 0);
                EXPECT_EQ(ReadAll(h, 999), Repetitive(5000));
                ArchiveApiClose(h);
                h = ArchiveApiOpen((name + "\\" + kTrailBackslashName + "\\x.txt").c_str(), 0, 0,
                                   async);
                ASSERT_NE(h, 0);
                EXPECT_EQ(ReadAll(h, 3), BytesOf("under 0x5C"));
                ArchiveApiClose(h);
                h = ArchiveApiOpen((name + "\\empty.bin").c_str(), 0, 0, async);
                ASSERT_NE(h, 0);
                EXPECT_EQ(ReadAll(h, 3), Bytes{});
                ArchiveApiClose(h);
            }
            // Another key than the archive's opens nothing.
            ArchiveCacheSweep();
            SetArchiveKeyString(k.kind == zav::KeyKind::Own ? "qorvintabelx" : "wrong");
            if (k.kind != zav::KeyKind::Fallback) {
                EXPECT_EQ(ArchiveApiOpen((name + "\\readme.txt").c_str(), 0, 0, 0), 0);
            }
            ArchiveCacheSweep();
        }
    }
    SetArchiveKeyString("qorvintabelux");
}
