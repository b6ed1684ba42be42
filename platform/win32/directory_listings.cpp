// Directory listings kept up to date from inotify's reports of each change.
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
#include <unordered_set>

namespace platform {
namespace {

// More directories than a game's paths cross: past it every watch is dropped.
constexpr size_t kMostWatched = 64;

// Every change to the names a directory holds, or to where it is. Changes of
// its owner or permissions are told by the stat each lookup makes: watching
// attributes would also watch every entry's, and the kernel then marks each
// cached entry of the directory (a shared /tmp holds many thousands) when
// the watch is added.
constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                              IN_MOVE_SELF | IN_UNMOUNT | IN_ONLYDIR;

// A name with its ASCII letters in upper case: names equal ignoring ASCII
// case share it.
std::string FoldAsciiName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return folded;
}

struct Kept {
    dev_t device;
    ino_t inode;
    mode_t mode;
    uid_t owner;
    gid_t group;
    int watch;
    std::unordered_set<std::string> names;
    // The names by FoldAsciiName, so that a lookup ignoring case reads only
    // its own variants instead of the whole listing.
    std::unordered_multimap<std::string, std::string> byFolded;

    void add(const std::string& name) {
        if (names.insert(name).second) byFolded.emplace(FoldAsciiName(name), name);
    }
    void remove(const std::string& name) {
        if (names.erase(name) == 0) return;
        auto [from, to] = byFolded.equal_range(FoldAsciiName(name));
        for (auto i = from; i != to; ++i) {
            if (i->second != name) continue;
            byFolded.erase(i);
            return;
        }
    }
};

struct Listings {
    std::mutex lock;
    int notify = -2;  // -2 not made yet, -1 unavailable (nothing is kept)
    pid_t owner = 0;  // a forked child must not read its parent's reports
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
    l.owner = getpid();
}

// Brings the listings the event is about up to date, or drops them when the
// directory itself changed.
void apply(Listings& l, const inotify_event& e) {
    if (e.mask & IN_Q_OVERFLOW) {
        l.kept.clear();  // events were lost
        return;
    }
    const std::string name = e.len > 0 ? std::string(e.name) : std::string();
    for (auto i = l.kept.begin(); i != l.kept.end();) {
        if (i->second.watch != e.wd) {
            ++i;
        } else if (e.mask & (IN_CREATE | IN_MOVED_TO)) {
            i->second.add(name);  // may be listed already when made during the read
            ++i;
        } else if (e.mask & (IN_DELETE | IN_MOVED_FROM)) {
            i->second.remove(name);
            ++i;
        } else {
            i = l.kept.erase(i);  // the directory moved or went
        }
    }
}

// Applies every change the kernel reported since the last lookup.
void applyChanges(Listings& l) {
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
            apply(l, *e);
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

void readNames(DIR* d, Kept& listing) {
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        listing.add(e->d_name);
    }
}

// The same directory, readable as it was when listed.
bool StillAsListed(const Kept& kept, const struct stat& now) {
    return now.st_dev == kept.device && now.st_ino == kept.inode && now.st_mode == kept.mode &&
           now.st_uid == kept.owner && now.st_gid == kept.group;
}

void collect(const std::unordered_set<std::string>& names, const NameFilter& wanted,
             std::vector<std::string>& matches) {
    for (const std::string& name : names)
        if (wanted(name)) matches.push_back(name);
}

// The kept listing of dir, listed afresh when none is kept or it may be out
// of date, handed to use with the lock held; without a kept listing (no
// watch could be made) a fresh one is. False when the directory cannot be
// read.
template <typename Use>
bool WithListing(const std::string& dir, Use use) {
    const std::string path = dir.empty() ? "/" : dir;
    Listings& l = listings();
    std::lock_guard<std::mutex> guard(l.lock);
    if (l.notify == -2 || l.owner != getpid()) restart(l);
    if (l.notify >= 0) applyChanges(l);
    auto found = l.kept.find(path);
    struct stat now;
    // The path may name another directory by now (a folder on it renamed).
    if (found != l.kept.end() && stat(path.c_str(), &now) == 0 &&
        StillAsListed(found->second, now)) {
        use(found->second);
        return true;
    }
    if (found != l.kept.end()) l.kept.erase(found);

    DIR* d = opendir(path.c_str());
    if (!d) return false;
    int watch = -1;
    if (l.notify >= 0 && reportsEveryChange(dirfd(d))) {
        if (l.watches.size() >= kMostWatched) restart(l);
        // Watch the directory opened, not what the path names by now, and
        // before reading it, so that a change made while it is read is
        // applied at the next lookup.
        const std::string opened = "/proc/self/fd/" + std::to_string(dirfd(d));
        if (l.notify >= 0) watch = inotify_add_watch(l.notify, opened.c_str(), kChanges);
    }
    Kept listing{};
    readNames(d, listing);
    use(listing);
    struct stat listed;
    if (watch >= 0 && fstat(dirfd(d), &listed) == 0) {
        l.watches.insert(watch);
        listing.device = listed.st_dev;
        listing.inode = listed.st_ino;
        listing.mode = listed.st_mode;
        listing.owner = listed.st_uid;
        listing.group = listed.st_gid;
        listing.watch = watch;
        l.kept[path] = std::move(listing);
    }
    closedir(d);
    return true;
}

}  // namespace

bool MatchDirectoryNames(const std::string& dir, const NameFilter& wanted,
                         std::vector<std::string>& matches) {
    matches.clear();
    return WithListing(dir, [&](const Kept& k) { collect(k.names, wanted, matches); });
}

bool FindDirectoryNamesIgnoringAsciiCase(const std::string& dir, const std::string& name,
                                         std::vector<std::string>& matches) {
    matches.clear();
    const std::string folded = FoldAsciiName(name);
    return WithListing(dir, [&](const Kept& k) {
        auto [from, to] = k.byFolded.equal_range(folded);
        for (auto i = from; i != to; ++i) matches.push_back(i->second);
    });
}

}  // namespace platform
