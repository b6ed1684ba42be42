// zav: packs a directory into a ZAV archive, lists one, extracts one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "directory_packing.h"
#include "files/archive.h"

namespace {

using namespace DuRud;

constexpr const char* kUsage =
    "usage: zav pack DIR OUT.zav [--key KEY] [--version N] [--no-compress]\n"
    "       zav list ARCHIVE [--key KEY]\n"
    "       zav extract ARCHIVE DIR [--key KEY]\n";

int usage(const std::string& why) {
    std::fprintf(stderr, "zav: %s\n%s", why.c_str(), kUsage);
    return 2;
}

int fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "zav: %s: %s\n", file.c_str(), reason.c_str());
    return 1;
}

struct Options {
    std::vector<std::string> positional;
    bool hasKey = false;
    std::string key;
    int version = 5;
    bool compress = true;
};

bool parse(int argc, char** argv, bool packing, Options* o, std::string* why) {
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--key" || a == "--version") {
            if (i + 1 >= argc) {
                *why = a + " needs a value";
                return false;
            }
            const std::string v = argv[++i];
            if (a == "--key") {
                o->hasKey = true;
                o->key = v;
            } else {
                if (!packing) {
                    *why = "--version is for pack";
                    return false;
                }
                char* end = nullptr;
                const long n = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end != 0 || n < 0 || n > kArchiveMaxVersion) {
                    *why = "version must be 0 to 5: " + v;
                    return false;
                }
                o->version = static_cast<int>(n);
            }
        } else if (a == "--no-compress" && packing) {
            o->compress = false;
        } else if (a.size() > 1 && a[0] == '-') {
            *why = "unknown option " + a;
            return false;
        } else {
            o->positional.push_back(a);
        }
    }
    return true;
}

bool readFile(const std::string& path, std::vector<unsigned char>* out, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = "cannot be opened";
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *why = "read error";
        return false;
    }
    if (out->size() > 0xFFFFFFFFull) {
        *why = "larger than 4 GiB";
        return false;
    }
    return true;
}

int pack(const Options& o) {
    if (o.positional.size() != 2) return usage("pack takes DIR and OUT");
    const std::string& dir = o.positional[0];
    const std::string& out = o.positional[1];
    // Stored members alone would pass what the reader can open: refused
    // before a byte is read or written.
    if ((!o.compress || o.version < 2) && zav::TreeDataSize(dir) > zav::kLargestReadableArchive) {
        std::fprintf(stderr, "zav: %s: %s, which the reader cannot open\n", dir.c_str(),
                     zav::kArchiveTooLarge);
        return 2;
    }
    zav::WriterNode root;
    std::string error;
    if (!zav::ReadDirectoryTree(dir, &root, &error)) return fail(dir, error);
    zav::WriteOptions w;
    w.version = o.version;
    w.compress = o.compress;
    w.keyKind = o.hasKey && !o.key.empty() ? zav::KeyKind::Own : zav::KeyKind::None;
    w.key = o.key;
    std::vector<unsigned char> image;
    if (!zav::WriteArchive(root, w, &image, &error)) {
        if (error.rfind(zav::kArchiveTooLarge, 0) == 0) {
            std::fprintf(stderr, "zav: %s: %s\n", dir.c_str(), error.c_str());
            return 2;
        }
        return fail(dir, error);
    }
    // Written beside the output and renamed, so a failure leaves no file.
    const std::string temp = out + ".partial";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(image.data()),
                static_cast<std::streamsize>(image.size()));
        f.close();
        if (!f) {
            std::remove(temp.c_str());
            return fail(out, "cannot be written");
        }
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
        std::remove(temp.c_str());
        return fail(out, std::strerror(errno));
    }
    return 0;
}

// An archive opened from a file read whole; closed (and its image re-coded)
// when it goes out of scope.
struct OpenArchive {
    std::vector<unsigned char> image;
    Archive archive{};
    bool open = false;
    ~OpenArchive() {
        if (open) ArchiveClose(&archive);
    }
};

bool openArchive(const std::string& path, const Options& o, OpenArchive* a, std::string* why) {
    if (!readFile(path, &a->image, why)) return false;
    ArchiveClear(&a->archive);
    if (a->image.empty() ||
        ArchiveOpenMemory(&a->archive, a->image.data(), static_cast<uint32_t>(a->image.size()),
                          o.hasKey ? o.key.c_str() : nullptr) != 0) {
        *why = "not a ZAV archive, corrupt, or another key";
        return false;
    }
    a->open = true;
    return true;
}

const char* writtenName(const Archive& a, const unsigned char* entry) {
    const unsigned char* record = a.nameTable + LoadU32(entry + kEntryNameOffset);
    return reinterpret_cast<const char*>(record + 4 + LoadU16(record) * 4u);
}

bool isDir(const unsigned char* entry) {
    return (LoadU32(entry + kEntryAttributes) & kArchiveDirectoryAttribute) != 0;
}

// Visits every entry with its path (components joined by '/', UTF-8),
// directories before what they hold, without recursion.
template <typename Visit>
bool walk(const Archive& a, Visit visit, std::string* why) {
    struct Pending {
        uint32_t record;
        std::string prefix;
    };
    std::vector<Pending> stack{{0, ""}};
    const uint32_t entrySize = ArchiveEntrySize(a.header.version);
    while (!stack.empty()) {
        Pending dir = std::move(stack.back());
        stack.pop_back();
        const unsigned char* record = a.dirTable + dir.record;
        const uint32_t count = LoadU32(record + kDirEntryCount);
        const unsigned char* e = a.fileTable + LoadU32(record + kDirFirstEntry);
        for (uint32_t i = 0; i < count; ++i, e += entrySize) {
            std::string name;
            const std::string raw = writtenName(a, e);
            if (!zav::Cp932ToUtf8(raw, &name)) {
                *why = "a name is not code page 932";
                return false;
            }
            // Only plain names become paths: nothing can point outside.
            if (name.empty() || name == "." || name == ".." ||
                name.find_first_of("/\\") != std::string::npos) {
                *why = "unsafe name \"" + name + "\"";
                return false;
            }
            const std::string path = dir.prefix + name;
            if (!visit(path, e, why)) return false;
            if (isDir(e)) stack.push_back({LoadU32(e + kEntryDataOffset), path + "/"});
        }
    }
    return true;
}

int list(const Options& o) {
    if (o.positional.size() != 1) return usage("list takes ARCHIVE");
    const std::string& file = o.positional[0];
    OpenArchive a;
    std::string why;
    if (!openArchive(file, o, &a, &why)) return fail(file, why);
    const Archive& ar = a.archive;
    const bool ok = walk(
        ar,
        [&](const std::string& path, const unsigned char* e, std::string*) {
            const uint64_t ticks = LoadU64(e + kEntryWriteTime);
            const time_t t = static_cast<time_t>(ticks / 10000000ull) -
                             static_cast<time_t>(kFileTimeEpochSeconds);
            struct tm tm {};
            gmtime_r(&t, &tm);
            char when[32];
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
            if (isDir(e)) {
                std::printf("%s/\t-\t-\t%s\n", path.c_str(), when);
            } else {
                const uint32_t size = LoadU32(e + kEntryDataSize);
                if (ArchiveEntryIsPacked(&ar, e))
                    std::printf("%s\t%u\t%u\t%s\n", path.c_str(), size,
                                LoadU32(e + kEntryPackedSize), when);
                else
                    std::printf("%s\t%u\t-\t%s\n", path.c_str(), size, when);
            }
            return true;
        },
        &why);
    return ok ? 0 : fail(file, why);
}

int extract(const Options& o) {
    if (o.positional.size() != 2) return usage("extract takes ARCHIVE and DIR");
    const std::string& file = o.positional[0];
    const std::string& dir = o.positional[1];
    OpenArchive a;
    std::string why;
    if (!openArchive(file, o, &a, &why)) return fail(file, why);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return fail(dir, ec.message());
    const Archive& ar = a.archive;
    const std::filesystem::path base(dir);
    const bool ok = walk(
        ar,
        [&](const std::string& path, const unsigned char* e, std::string* err) {
            const std::filesystem::path target = base / path;
            if (isDir(e)) {
                std::filesystem::create_directory(target, ec);
                if (ec && !std::filesystem::is_directory(target)) {
                    *err = target.string() + ": " + ec.message();
                    return false;
                }
                return true;
            }
            const uint32_t size = LoadU32(e + kEntryDataSize);
            const unsigned char* stored =
                ar.image + ar.header.dataStart + LoadU32(e + kEntryDataOffset);
            std::vector<unsigned char> bytes(size);
            if (ArchiveEntryIsPacked(&ar, e)) {
                if (ArchiveDecompress(stored, LoadU32(e + kEntryPackedSize), bytes.data(), size) !=
                    static_cast<int64_t>(size)) {
                    *err = path + ": packed data are corrupt";
                    return false;
                }
            } else if (size > 0) {
                std::memcpy(bytes.data(), stored, size);
            }
            // A new file only: an existing name (a link planted there
            // included) is not written through.
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
            if (fd < 0) {
                *err = target.string() + ": " + std::strerror(errno);
                return false;
            }
            size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
            ::close(fd);
            if (done != bytes.size()) {
                *err = target.string() + ": write failed";
                return false;
            }
            return true;
        },
        &why);
    return ok ? 0 : fail(file, why);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage("no command");
    const std::string command = argv[1];
    const bool packing = command == "pack";
    if (!packing && command != "list" && command != "extract")
        return usage("unknown command " + command);
    Options o;
    std::string why;
    if (!parse(argc, argv, packing, &o, &why)) return usage(why);
    if (packing) return pack(o);
    if (command == "list") return list(o);
    return extract(o);
}
