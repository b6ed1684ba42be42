// Directory searches: FindFirstFileA / FindNextFileA / FindClose with the
// Windows wildcard rules, matched case-insensitively.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "code_pages.h"
#include "files.h"
#include "paths.h"
#include "win_kernel.h"

namespace {

class FindObject : public platform::KernelObject {
  public:
    std::vector<WIN32_FIND_DATAA> found;
    size_t next = 0;
    std::mutex lock;
};

// Pattern characters after Windows' rewriting of a search name.
constexpr char32_t kAnyRun = U'*';
constexpr char32_t kDosQuestion =
    0x110000;  // one character other than '.', or none before '.' / the end
constexpr char32_t kDosDot = 0x110001;   // '.', or nothing at the end of the name
constexpr char32_t kDosStar = 0x110002;  // any run that does not pass the name's last '.'

std::u32string compilePattern(const std::string& patternCp932) {
    std::u32string raw = platform::Utf8ToUtf32(platform::Cp932ToUtf8(patternCp932));
    if (raw == U"*.*") return U"*";  // every name, with or without an extension
    // A trailing '.' asks for no extension; "." and ".." stay the dot entries.
    const bool dotsOnly = raw.find_first_not_of(U'.') == std::u32string::npos;
    std::u32string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        char32_t c = raw[i];
        const char32_t next = i + 1 < raw.size() ? raw[i + 1] : 0;
        if (c == U'?') {
            out.push_back(kDosQuestion);
        } else if (c == U'*' && next == U'.') {
            out.push_back(kDosStar);
        } else if (c == U'.' && (next == U'?' || next == U'*' || (next == 0 && !dotsOnly))) {
            out.push_back(kDosDot);
        } else {
            out.push_back(platform::PathFoldCase(c));
        }
    }
    return out;
}

bool matches(const std::u32string& pattern, const std::u32string& name) {
    const size_t lastDot = name.rfind(U'.');
    // memo[p * (n + 1) + i]: 0 unknown, 1 no, 2 yes
    std::vector<char> memo((pattern.size() + 1) * (name.size() + 1), 0);
    auto rec = [&](auto& self, size_t p, size_t i) -> bool {
        char& m = memo[p * (name.size() + 1) + i];
        if (m) return m == 2;
        bool result;
        if (p == pattern.size()) {
            result = i == name.size();
        } else {
            char32_t c = pattern[p];
            bool atEnd = i == name.size();
            if (c == kAnyRun) {
                result = self(self, p + 1, i) || (!atEnd && self(self, p, i + 1));
            } else if (c == kDosStar) {
                result = self(self, p + 1, i) ||
                         (!atEnd && (lastDot == std::u32string::npos || i < lastDot) &&
                          self(self, p, i + 1));
            } else if (c == kDosQuestion) {
                result = (!atEnd && name[i] != U'.' && self(self, p + 1, i + 1)) ||
                         ((atEnd || name[i] == U'.') && self(self, p + 1, i));
            } else if (c == kDosDot) {
                result = (!atEnd && name[i] == U'.' && self(self, p + 1, i + 1)) ||
                         (atEnd && self(self, p + 1, i));
            } else {
                result = !atEnd && platform::PathFoldCase(name[i]) == c && self(self, p + 1, i + 1);
            }
        }
        m = result ? 2 : 1;
        return result;
    };
    return rec(rec, 0, 0);
}

bool describe(const std::string& nativePath, const std::string& nameCp932, WIN32_FIND_DATAA& data) {
    struct stat st;
    if (stat(nativePath.c_str(), &st) != 0 && lstat(nativePath.c_str(), &st) != 0) return false;
    if (nameCp932.size() >= MAX_PATH) return false;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = platform::FileAttributesFromStat(st);
    if (!platform::FileTimes(AT_FDCWD, nativePath.c_str(), data.ftCreationTime,
                             data.ftLastAccessTime, data.ftLastWriteTime)) {
        data.ftCreationTime = data.ftLastWriteTime = platform::FileTimeFromUnix(st.st_mtim);
        data.ftLastAccessTime = platform::FileTimeFromUnix(st.st_atim);
    }
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::memcpy(data.cFileName, nameCp932.c_str(), nameCp932.size() + 1);
    return true;
}

// Splits a search name into its directory (with its separator, or a drive
// prefix) and the name pattern, never inside a double-byte character.
void splitSearch(const std::string& text, std::string& directory, std::string& pattern) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (platform::CodePageIsLeadByte(932, static_cast<unsigned char>(text[i])) &&
            i + 1 < text.size()) {
            ++i;
        } else if (text[i] == '\\' || text[i] == '/') {
            cut = i;
        }
    }
    if (cut == std::string::npos && text.size() >= 2 && text[1] == ':') cut = 1;
    if (cut == std::string::npos) {
        directory.assign(1, '.');
        pattern = text;
    } else {
        directory = text.substr(0, cut + 1);
        pattern = text.substr(cut + 1);
    }
}

}  // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (std::strlen(lpFileName) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    std::string directory, pattern;
    splitSearch(lpFileName, directory, pattern);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    for (size_t i = 0; i < pattern.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(pattern[i]);
        if (platform::CodePageIsLeadByte(932, c) && i + 1 < pattern.size()) {
            ++i;
        } else if (c < 0x20 || std::strchr("<>:\"|", c)) {
            SetLastError(ERROR_INVALID_NAME);
            return INVALID_HANDLE_VALUE;
        }
    }
    platform::DrivePath where;
    platform::NativePath native;
    if (!platform::PathToDriveView(directory.c_str(), where) ||
        !platform::DriveViewResolve(where, native))
        return INVALID_HANDLE_VALUE;
    struct stat st;
    if (native.missing > 0 || stat(native.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = opendir(native.path.c_str());
    if (!dir) {
        SetLastError(platform::FileErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    // Name order as the Windows file system keeps it: case-folded, then as written.
    std::vector<std::pair<std::u32string, std::string>> sorted;
    for (const std::string& name : names) {
        std::u32string folded = platform::Utf8ToUtf32(name);
        for (char32_t& c : folded) c = platform::PathFoldCase(c);
        sorted.emplace_back(std::move(folded), name);
    }
    std::sort(sorted.begin(), sorted.end());

    std::u32string compiled = compilePattern(pattern);
    std::string base = native.path == "/" ? "" : native.path;
    auto search = std::make_shared<FindObject>();
    std::vector<std::string> candidates;
    if (!where.parts.empty()) candidates = {".", ".."};  // the root has no dot entries
    for (auto& entry : sorted) candidates.push_back(entry.second);
    for (const std::string& name : candidates) {
        if (!matches(compiled, platform::Utf8ToUtf32(name))) continue;
        std::string path =
            name == "." ? native.path
            : name == ".."
                ? (base.substr(0, base.rfind('/')).empty() ? "/" : base.substr(0, base.rfind('/')))
                : base + "/" + name;
        WIN32_FIND_DATAA data;
        if (describe(path, platform::Utf8ToCp932(name), data)) search->found.push_back(data);
    }
    if (search->found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->found[0];
    search->next = 1;
    HANDLE handle = platform::KernelHandleAdd(search);
    if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    auto search = platform::KernelHandleGetAs<FindObject>(hFindFile);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(search->lock);
    if (search->next >= search->found.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = search->found[search->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    if (!platform::KernelHandleGetAs<FindObject>(hFindFile) ||
        !platform::KernelHandleRemove(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
