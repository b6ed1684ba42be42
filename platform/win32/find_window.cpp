// FindWindowA across processes. Every window is also entered in a machine-wide
// registry: one file per window in a directory of the current user, under a
// namespace (a knob) that keeps parallel tests and a running game apart.
// Entries of processes that no longer run are ignored and removed. A window of
// another process gets a handle of its own kind: no function of this process
// accepts it as one of its windows.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

#include "test_knobs.h"
#include "user_state.h"
#include "win_kernel.h"

namespace platform::user {

namespace {

std::mutex registryMutex;
std::string registryNamespace;  // empty: "default"
uint64_t nextEntry = 1;
std::map<uint64_t, std::string> entryPaths;  // where each of our entries was written

constexpr uintptr_t kForeignHandleBase = 0x40000000;

// The namespace's folder; made only when an entry is written.
std::string Directory(bool make = false) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    base += "/vessamire-windows-" + std::to_string(getuid());
    if (make) mkdir(base.c_str(), 0700);
    std::string ns = registryNamespace.empty() ? "default" : registryNamespace;
    for (char& c : ns) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            c = '_';
    }
    base += "/" + ns;
    if (make) mkdir(base.c_str(), 0700);
    return base;
}

std::string EntryPath(const std::string& dir, pid_t pid, uint64_t serial) {
    return dir + "/" + std::to_string(pid) + "-" + std::to_string(serial);
}

void Write(uint64_t serial, const std::string& className, const std::string& title) {
    auto known = entryPaths.find(serial);
    std::string path =
        known != entryPaths.end() ? known->second : EntryPath(Directory(true), getpid(), serial);
    entryPaths[serial] = path;
    std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out << className << '\0' << title;
    }
    std::rename(temp.c_str(), path.c_str());
}

// A process that ended but was not yet reaped by its parent (a zombie) has
// no windows: its entries are stale, as a killed program's are.
bool Alive(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

bool Matches(const std::string& cls, const std::string& title, LPCSTR wantClass, LPCSTR wantTitle) {
    if (wantClass && LowerName(wantClass) != LowerName(cls.c_str())) return false;
    if (wantTitle && title != wantTitle) return false;
    return true;
}

}  // namespace

uint64_t RegistryAdd(const std::string& className, const std::string& title) {
    std::lock_guard<std::mutex> lock(registryMutex);
    uint64_t serial = nextEntry++;
    Write(serial, className, title);
    return serial;
}

void RegistryUpdateTitle(uint64_t serial, const std::string& className, const std::string& title) {
    if (!serial) return;
    std::lock_guard<std::mutex> lock(registryMutex);
    Write(serial, className, title);
}

void RegistryRemove(uint64_t serial) {
    if (!serial) return;
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = entryPaths.find(serial);
    if (it == entryPaths.end()) return;
    std::remove(it->second.c_str());
    // The namespace's folder goes with its last entry (rmdir fails while others remain).
    rmdir(it->second.substr(0, it->second.rfind('/')).c_str());
    entryPaths.erase(it);
}

void ResetRegistryKnobs() {
    // Only tests reset knobs: each test process gets a namespace of its own, so
    // tests running side by side never find each other's windows.
    std::lock_guard<std::mutex> lock(registryMutex);
    registryNamespace = "process-" + std::to_string(getpid());
}

}  // namespace platform::user

using namespace platform::user;

void KnobWindowNamespace(const char* name) {
    std::lock_guard<std::mutex> lock(registryMutex);
    registryNamespace = name ? name : "";
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    if (className && IS_INTRESOURCE(className)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    for (auto& window : AllWindows()) {
        if (window->destroying) continue;
        std::string title;
        {
            std::lock_guard<std::mutex> lock(Globals().mutex);
            title = window->title;
        }
        if (Matches(window->windowClass->name, title, className, windowName)) return window->handle;
    }
    std::lock_guard<std::mutex> lock(registryMutex);
    std::string dir = Directory();
    DIR* d = opendir(dir.c_str());
    if (!d) return nullptr;
    HWND found = nullptr;
    while (dirent* entry = readdir(d)) {
        long long pid = 0;
        unsigned long long serial = 0;
        char tail = 0;
        if (std::sscanf(entry->d_name, "%lld-%llu%c", &pid, &serial, &tail) != 2) continue;
        if (pid <= 0 || pid == getpid()) continue;
        std::string path = dir + "/" + entry->d_name;
        if (!Alive(static_cast<pid_t>(pid))) {
            std::remove(path.c_str());
            rmdir(dir.c_str());  // only when that was the last entry
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        std::string content = data.str();
        size_t nul = content.find('\0');
        if (nul == std::string::npos) continue;
        if (!Matches(content.substr(0, nul), content.substr(nul + 1), className, windowName))
            continue;
        found = reinterpret_cast<HWND>(kForeignHandleBase +
                                       ((static_cast<uintptr_t>(pid) * 256 + serial) & 0x3FFFFFFF));
        break;
    }
    closedir(d);
    return found;
}
