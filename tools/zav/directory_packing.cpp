// Reading a directory tree for packing.
#include "directory_packing.h"

#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace zav {
namespace {

bool convert(const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = result.data();
    size_t dstLeft = result.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || srcLeft != 0) return false;
    result.resize(result.size() - dstLeft);
    *out = std::move(result);
    return true;
}

bool readTree(const std::filesystem::path& dir, WriterNode* node, std::string* error) {
    std::error_code ec;
    std::vector<std::filesystem::directory_entry> items;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        items.push_back(*it);
    if (ec) {
        *error = dir.string() + ": " + ec.message();
        return false;
    }
    // Sorted, so that the same tree always packs to the same bytes.
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const auto& item : items) {
        const std::string where = item.path().string();
        WriterNode child;
        if (!Utf8ToCp932(item.path().filename().string(), &child.name)) {
            *error = where + ": name has no code page 932 form";
            return false;
        }
        struct stat st;
        if (::stat(where.c_str(), &st) != 0) {
            *error = where + ": " + std::strerror(errno);
            return false;
        }
        child.creationTime = FileTimeFromPosix(st.st_ctime);
        child.accessTime = FileTimeFromPosix(st.st_atime);
        child.writeTime = FileTimeFromPosix(st.st_mtime);
        if (S_ISDIR(st.st_mode)) {
            child.directory = true;
            if (!readTree(item.path(), &child, error)) return false;
        } else if (S_ISREG(st.st_mode)) {
            std::ifstream in(where, std::ios::binary);
            if (!in) {
                *error = where + ": cannot be read";
                return false;
            }
            child.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (in.bad()) {
                *error = where + ": read error";
                return false;
            }
        } else {
            *error = where + ": not a file or directory";
            return false;
        }
        node->children.push_back(std::move(child));
    }
    return true;
}

}  // namespace

uint64_t TreeDataSize(const std::string& dir) {
    uint64_t total = 0;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec)) total += it->file_size(ec);
    }
    return total;
}

bool Utf8ToCp932(const std::string& in, std::string* out) {
    return convert("CP932", "UTF-8", in, out);
}

bool Cp932ToUtf8(const std::string& in, std::string* out) {
    return convert("UTF-8", "CP932", in, out);
}

bool ReadDirectoryTree(const std::string& dir, WriterNode* root, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        *error = dir + ": not a directory";
        return false;
    }
    root->directory = true;
    return readTree(dir, root, error);
}

}  // namespace zav
