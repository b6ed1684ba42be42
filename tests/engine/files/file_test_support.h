// Shared helpers of the file tests: files with known bytes, the four ways of
// opening a plain file, and waiting for an asynchronous read.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <string>
#include <thread>

#include "files/windows_file_layer.h"
#include "support/test_support.h"

namespace DuRud {

// Bytes that differ at every offset that matters (no period of 256).
inline std::string PatternBytes(size_t size, uint32_t seed = 1) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

struct OpenMode {
    const char* name;
    int cache;
    int async;
};

// The reading thread is asked for by either flag.
constexpr OpenMode kOpenModes[] = {
    {"direct", 0, 0}, {"cache", 1, 0}, {"async", 0, 1}, {"cache+async", 1, 1}};

inline StreamHandle OpenInMode(const char* path, const OpenMode& mode) {
    return FileWinOpen(path, mode.cache, 1, mode.async);
}

// Polls until no asynchronous read is pending (yields, never sleeps a fixed time).
inline int WaitIdle(StreamHandle stream) {
    int idle = 0;
    testsupport::WaitUntil([&] { return (idle = FileWinIdleCheck(stream)) != 0; },
                           testsupport::kWaitLimit, "the file stream idle",
                           testsupport::PollStep::kYield);
    return idle;
}

inline int CountThreads() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') ++count;
        }
        closedir(dir);
    }
    return count;
}

}  // namespace DuRud
