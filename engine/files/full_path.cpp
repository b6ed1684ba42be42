// The full-path builder: Windows paths with a drive letter, double-byte
// aware so that a trail byte 0x5C is never taken for a separator.
#include "files/full_path.h"

#include <cstring>
#include <string>

#include "DuRud.h"
#include "core/string_helpers.h"
#include "files/file_access_table.h"

namespace DuRud {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isLead(char c) {
    return IsLeadByte(static_cast<unsigned char>(c), GetEngineCharSet()) != 0;
}

// Removes the last component of out; a drive's colon is kept, so ".." never
// climbs above a drive root.
void removeLastComponent(std::string& out) {
    size_t cut = 0;
    for (size_t i = 0; i < out.size();) {
        char c = out[i];
        if (isLead(c) && i + 1 < out.size()) {
            i += 2;
            continue;
        }
        if (isSeparator(c)) {
            cut = i;
        } else if (c == ':') {
            cut = i + 1;
        }
        ++i;
    }
    out.resize(cut);
}

// base without one trailing single-byte separator
std::string trimmedBase(const char* base) {
    std::string b(base);
    if (!b.empty() && b.back() == '/') {
        b.pop_back();
    } else if (EndsWithBackslash(base, GetEngineCharSet())) {
        b.pop_back();
    }
    return b;
}

int fail(char* out, size_t outSize) {
    if (out != nullptr && outSize > 0) out[0] = '\0';
    return -1;
}

}  // namespace

int ConvertToFullPath(const char* path, char* out, size_t outSize, const char* base) {
    if (out == nullptr || outSize == 0) return -1;
    char current[kFullPathMaxLength + 1];
    if (base == nullptr) {
        if (GetStreamDir(current) != 0) return fail(out, outSize);
        base = current;
    }
    size_t baseLength = std::strlen(base);
    if (baseLength > static_cast<size_t>(kFullPathMaxLength)) return fail(out, outSize);

    std::string result;
    size_t scan = 0;
    if (path == nullptr) {
        result = base;
    } else {
        if (isSeparator(path[0]) && path[1] == path[0]) {
            result = "\\";
            scan = 2;
        } else if (isSeparator(path[0])) {
            result.assign(base, baseLength < 2 ? baseLength : 2);
            scan = 1;
        } else if (path[0] != '\0' && path[1] == ':') {
            result.assign(path, 2);
            scan = isSeparator(path[2]) ? 3 : 2;
        } else {
            result = trimmedBase(base);
        }

        std::string component;
        auto take = [&](bool final) -> bool {
            if (component.empty()) return true;
            if (component.size() > static_cast<size_t>(kPathComponentMaxLength)) return false;
            if (final || (component != "." && component != "..")) {
                result += '\\';
                result += component;
            } else if (component == "..") {
                removeLastComponent(result);
            }  // "." inside the path is dropped
            component.clear();
            return true;
        };
        for (size_t i = scan; path[i] != '\0';) {
            char c = path[i];
            if (isLead(c) && path[i + 1] != '\0') {
                component += c;
                component += path[i + 1];
                i += 2;
                continue;
            }
            if (isSeparator(c)) {
                if (!take(false)) return fail(out, outSize);
            } else {
                component += c;
            }
            ++i;
        }
        if (!take(true)) return fail(out, outSize);
    }
    if (result.size() > static_cast<size_t>(kFullPathMaxLength) || result.size() >= outSize) {
        return fail(out, outSize);
    }
    std::memcpy(out, result.c_str(), result.size() + 1);
    return 0;
}

int MakeFullPath(const char* path, char* out, const char* base) {
    return ConvertToFullPath(path, out, kFullPathMaxLength + 1, base);
}

}  // namespace DuRud
