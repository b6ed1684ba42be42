// What the generator makes: files by their path under "datas/", in the
// order they were made, and the picture records of the file list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace demo {

struct demo_file {
    std::string path;  // relative, '/' separated, starting with "datas/"
    std::vector<unsigned char> bytes;
};

struct demo_files {
    std::vector<demo_file> files;
    void add(std::string path, std::vector<unsigned char> bytes) {
        files.push_back({std::move(path), std::move(bytes)});
    }
    void add_text(std::string path, const std::string& text) {
        files.push_back({std::move(path), std::vector<unsigned char>(text.begin(), text.end())});
    }
};

class canvas;

// One PICTURE_LIST record: a sheet cut into cells (or one picture), and the
// picture itself for the previews.
struct picture_sheet {
    std::string file;
    int count, columns, rows, cell_width, cell_height, first;
    std::shared_ptr<const canvas> art;
};

// A deterministic generator, so every run draws and plays the same.
class noise {
  public:
    explicit noise(uint32_t seed) : s_(seed ? seed : 1) {}
    uint32_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double unit() { return (next() & 0xFFFFFF) / double(0x1000000); }  // 0 .. 1
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

  private:
    uint32_t s_;
};

// The makers, each adding its files.
std::vector<picture_sheet> make_pictures(demo_files& out);
void make_sounds(demo_files& out);
void make_music(demo_files& out);
void make_lists(demo_files& out, const std::vector<picture_sheet>& pictures);
void make_stages(demo_files& out);
// Labelled contact sheets of the pictures and a picture of every stage as
// laid out, into `previews` (paths under "preview/").
void make_previews(demo_files& previews, const demo_files& data,
                   const std::vector<picture_sheet>& pictures);

}  // namespace demo
