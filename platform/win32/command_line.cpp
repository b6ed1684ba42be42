// The process's command line: joined from the entry's arguments with the
// Windows quoting rules, kept in code page 932 for GetCommandLineA.
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "code_pages.h"
#include "process_services.h"
#include "win_kernel.h"

namespace platform {
namespace {

struct CommandLine {
    std::mutex lock;
    bool set = false;
    std::string line;
};

CommandLine& state() {
    static CommandLine* s = new CommandLine;  // outlives every thread; never destroyed at exit
    return *s;
}

void appendArgument(std::string& out, const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        out += arg;
        return;
    }
    out += '"';
    size_t backslashes = 0;
    for (size_t i = 0; i < arg.size(); ++i) {
        char c = arg[i];
        unsigned char u = static_cast<unsigned char>(c);
        if (((u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC)) && i + 1 < arg.size()) {
            // A code page 932 pair: its trail byte may be 0x5C and is no backslash.
            out.append(backslashes, '\\');
            backslashes = 0;
            out += c;
            out += arg[++i];
            continue;
        }
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');  // before the closing quote
    out += '"';
}

// The arguments this process was started with, from the kernel.
std::string lineFromProcess() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        parts.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> pointers;
    for (const std::string& p : parts) pointers.push_back(p.c_str());
    return JoinCommandLine(static_cast<int>(pointers.size()), pointers.data());
}

}  // namespace

std::string JoinCommandLine(int count, const char* const* arguments) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ' ';
        appendArgument(out, Utf8ToCp932(arguments[i] ? arguments[i] : ""));
    }
    return out;
}

void SetProcessCommandLine(const std::string& line) {
    CommandLine& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.line = line;
    s.set = true;
}

}  // namespace platform

LPSTR WINAPI GetCommandLineA() {
    platform::CommandLine& s = platform::state();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.set) {
        s.line = platform::lineFromProcess();
        s.set = true;
    }
    // The string lives as long as the process and is not changed again.
    return s.line.data();
}
