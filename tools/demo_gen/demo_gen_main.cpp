// demo_gen OUT: draws, synthesises and writes the demo game data into
// OUT/plain/datas/, packs it into OUT/datas.ZAV with the game's key and
// draws previews for people into OUT/preview/.
// Two runs give the same bytes: nothing depends on the clock or the machine.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "archive_writer.h"
#include "demo_files.h"

namespace fs = std::filesystem;

namespace {

// Packing time of every member: a fixed day, so the archive never changes.
constexpr int64_t member_time = 1764547200;  // 2025-12-01 00:00:00 UTC

zav::WriterNode& child_dir(zav::WriterNode& parent, const std::string& name) {
    for (zav::WriterNode& c : parent.children)
        if (c.directory && c.name == name) return c;
    zav::WriterNode d;
    d.name = name;
    d.directory = true;
    d.creationTime = d.accessTime = d.writeTime = zav::FileTimeFromPosix(member_time);
    parent.children.push_back(std::move(d));
    return parent.children.back();
}

template <class F>
double timed(const char* what, F make) {
    const auto start = std::chrono::steady_clock::now();
    make();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("demo_gen: %-9s %6.2f s\n", what, s);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo_gen OUT\n");
        return 2;
    }
    const fs::path out = argv[1];
    demo::demo_files files;
    std::vector<demo::picture_sheet> pictures;
    try {
        timed("pictures", [&] { pictures = demo::make_pictures(files); });
        timed("sounds", [&] { demo::make_sounds(files); });
        timed("music", [&] { demo::make_music(files); });
        timed("lists", [&] { demo::make_lists(files, pictures); });
        timed("stages", [&] { demo::make_stages(files); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo_gen: %s\n", e.what());
        return 1;
    }

    demo::demo_files previews;
    timed("previews", [&] { demo::make_previews(previews, files, pictures); });

    std::error_code ec;
    fs::remove_all(out / "plain", ec);
    fs::remove_all(out / "preview", ec);
    for (const demo::demo_file& f : previews.files) {
        const fs::path path = out / f.path;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.bytes.data()),
                   static_cast<std::streamsize>(f.bytes.size()));
    }
    zav::WriterNode root;
    root.directory = true;
    for (const demo::demo_file& f : files.files) {
        const fs::path path = out / "plain" / f.path;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.bytes.data()),
                   static_cast<std::streamsize>(f.bytes.size()));
        // The archive stands for the folder "datas": its members are what is inside.
        zav::WriterNode* dir = &root;
        std::string rest = f.path.substr(f.path.find('/') + 1);
        for (size_t slash; (slash = rest.find('/')) != std::string::npos;
             rest = rest.substr(slash + 1))
            dir = &child_dir(*dir, rest.substr(0, slash));
        zav::WriterNode file;
        file.name = rest;
        file.creationTime = file.accessTime = file.writeTime = zav::FileTimeFromPosix(member_time);
        file.data = f.bytes;
        dir->children.push_back(std::move(file));
    }
    std::vector<unsigned char> archive;
    std::string error;
    zav::WriteOptions options;
    options.keyKind = zav::KeyKind::Own;
    options.key = "qorvintabelux";
    bool packed = false;
    timed("packing", [&] { packed = zav::WriteArchive(root, options, &archive, &error); });
    if (!packed) {
        std::fprintf(stderr, "demo_gen: packing failed: %s\n", error.c_str());
        return 1;
    }
    std::ofstream(out / "datas.ZAV", std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    std::printf("demo_gen: %zu files, datas.ZAV %zu bytes\n", files.files.size(), archive.size());
    return 0;
}
