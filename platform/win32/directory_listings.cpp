// Directory listings kept while inotify reports no change to the directory.
#include "directory_listings.h"

#include <dirent.h>
#include <errno.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

namespace platform {
namespace {

// More directories than a game's paths cross: past it every watch is dropped.
constexpr size_t kMostWatched = 64;

// Every change to the names a directory holds, or to whether it can be read.
constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                              IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_ONLYDIR;

struct Kept {
    dev_t device;
    ino_t inode;
    int watch;
    DirectoryNames names;
};

struct Listings {
    std::mutex lock;
    int notify = -2;  // -2 not made yet, -1 unavailable (nothing is kept)
    std::set<int> watches;
    std::unordered_map<std::string, Kept> kept;
};

Listings& listings() {
    static Listings* l = new Listings;  // used by lookups made at exit
    return *l;
}

// Closing the instance drops its watches.
void restart(Listings& l) {
    l.kept.clear();
    l.watches.clear();
    if (l.notify >= 0) close(l.notify);
    l.notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

void forgetWatch(Listings& l, int watch) {
    for (auto i = l.kept.begin(); i != l.kept.end();)
        i = i->second.watch == watch ? l.kept.erase(i) : std::next(i);
}

// Drops the listings of every directory the kernel reported a change to.
void dropChanged(Listings& l) {
    alignas(inotify_event) char buffer[16384];
    while (true) {
        const ssize_t n = read(l.notify, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        if (n <= 0) {
            restart(l);  // the instance failed: nothing it reported can be trusted
            return;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if (e->mask & IN_Q_OVERFLOW) {
                l.kept.clear();
            } else {
                forgetWatch(l, e->wd);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
}

// File systems where every change, whoever makes it, reaches inotify. On a
// network or user-space file system another machine's change would not.
bool reportsEveryChange(int fd) {
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0x58465342:  // xfs
        case 0x9123683E:  // btrfs
        case 0xF2F52010:  // f2fs
        case 0x794C7630:  // overlay
            return true;
        default:
            return false;
    }
}

DirectoryNames readNames(DIR* d) {
    auto names = std::make_shared<std::vector<std::string>>();
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names->emplace_back(e->d_name);
    }
    return names;
}

}  // namespace

DirectoryNames ListDirectory(const std::string& dir) {
    const std::string path = dir.empty() ? "/" : dir;
    Listings& l = listings();
    std::lock_guard<std::mutex> guard(l.lock);
    if (l.notify == -2) restart(l);
    if (l.notify >= 0) dropChanged(l);
    auto found = l.kept.find(path);
    struct stat now;
    // The path may name another directory by now (a folder on it renamed).
    if (found != l.kept.end() && stat(path.c_str(), &now) == 0 &&
        now.st_dev == found->second.device && now.st_ino == found->second.inode)
        return found->second.names;

    DIR* d = opendir(path.c_str());
    if (!d) return nullptr;
    int watch = -1;
    if (l.notify >= 0 && reportsEveryChange(dirfd(d))) {
        if (l.watches.size() >= kMostWatched) restart(l);
        // Watch the directory opened, not what the path names by now, and
        // before reading it, so that a change made while it is read is
        // reported at the next lookup.
        const std::string opened = "/proc/self/fd/" + std::to_string(dirfd(d));
        if (l.notify >= 0) watch = inotify_add_watch(l.notify, opened.c_str(), kChanges);
    }
    DirectoryNames names = readNames(d);
    struct stat listed;
    if (watch >= 0 && fstat(dirfd(d), &listed) == 0) {
        l.watches.insert(watch);
        l.kept[path] = Kept{listed.st_dev, listed.st_ino, watch, names};
    }
    closedir(d);
    return names;
}

}  // namespace platform
