// Converts the UTF-8 literals of the source into code page 932 once, through
// iconv's "CP932" table (which keeps 0x5C as the backslash).
#include "core/text_literals.h"

#include <iconv.h>

#include <cerrno>

#include <mutex>
#include <unordered_map>

namespace DuRud {

bool ConvertUtf8ToCp932(const char* utf8, std::size_t length, std::string* out) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out->clear();
    char* in = const_cast<char*>(utf8);
    size_t inLeft = length;
    char buffer[256];
    bool ok = true;
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof(buffer);
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out->append(buffer, sizeof(buffer) - oLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (errno == EILSEQ) {
                // A character the code page lacks (or bad UTF-8): one '?', then
                // skip the rest of that UTF-8 sequence.
                out->push_back('?');
                ++in;
                --inLeft;
                while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
                    ++in;
                    --inLeft;
                }
                continue;
            }
            ok = false;  // truncated sequence at the end
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

const char* Cp932Text(const char* utf8Literal) {
    if (!utf8Literal) return "";
    static std::mutex lock;
    // Keyed by the text itself, so a reused buffer never gets a stale
    // conversion; the map's nodes keep each result at one address for good.
    static std::unordered_map<std::string, std::string> cache;
    std::lock_guard<std::mutex> guard(lock);
    std::string key(utf8Literal);
    auto it = cache.find(key);
    if (it == cache.end()) {
        std::string converted;
        if (!ConvertUtf8ToCp932(key.data(), key.size(), &converted)) converted = key;
        it = cache.emplace(std::move(key), std::move(converted)).first;
    }
    return it->second.c_str();
}

}  // namespace DuRud
