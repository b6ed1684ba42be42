// The log and the screen take code page 932. Source files are UTF-8, so every
// non-ASCII string literal in engine/ and game/ must reach them through the
// converter: as an argument of Cp932Text, or of a function of the same file
// that hands its text parameter straight to Cp932Text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Functions defined in `source` as `Name(const char* p) { ... Cp932Text(p) ... }`.
std::set<std::string> ConvertingWrappers(const std::string& source) {
    std::set<std::string> names{"Cp932Text"};
    static const std::regex wrapper(R"(\b(\w+)\(const char\* (\w+)\)\s*\{[^{}]*Cp932Text\(\2\))");
    for (std::sregex_iterator it(source.begin(), source.end(), wrapper), end; it != end; ++it)
        names.insert((*it)[1]);
    return names;
}

// Line numbers of non-ASCII literals whose innermost open call is not a converter.
std::vector<int> UnconvertedLiterals(const std::string& s) {
    const std::set<std::string> converters = ConvertingWrappers(s);
    std::vector<std::string> calls;  // the function name before each open parenthesis
    std::vector<int> bad;
    int line = 1;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\n') ++line;
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            while (i < s.size() && s[i] != '\n') ++i;
            ++line;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            for (i += 2; i + 1 < s.size() && !(s[i] == '*' && s[i + 1] == '/'); ++i)
                if (s[i] == '\n') ++line;
            ++i;
        } else if (c == '"' || c == '\'') {
            bool wide = false;
            for (++i; i < s.size() && s[i] != c; ++i) {
                if (s[i] == '\\')
                    ++i;
                else if (static_cast<unsigned char>(s[i]) >= 0x80)
                    wide = true;
            }
            if (wide && c == '"' && (calls.empty() || !converters.count(calls.back())))
                bad.push_back(line);
        } else if (c == '(') {
            size_t end = i;
            while (end > 0 && s[end - 1] == ' ') --end;
            size_t start = end;
            while (start > 0 &&
                   (std::isalnum(static_cast<unsigned char>(s[start - 1])) || s[start - 1] == '_'))
                --start;
            calls.push_back(s.substr(start, end - start));
        } else if (c == ')' && !calls.empty()) {
            calls.pop_back();
        }
    }
    return bad;
}

TEST(SourceLiterals, EveryJapaneseLiteralGoesThroughTheConverter) {
    const char* root = std::getenv("VESSAMIRE_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    int files = 0;
    for (const char* area : {"engine", "game"}) {
        if (!fs::exists(fs::path(root) / area)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(root) / area)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            ++files;
            for (int line : UnconvertedLiterals(text.str()))
                ADD_FAILURE() << entry.path().string() << ":" << line
                              << " reaches the log unconverted";
        }
    }
    EXPECT_GT(files, 50);
}

TEST(SourceLiterals, TheCheckSeesAnUnconvertedLiteral) {
    EXPECT_EQ(UnconvertedLiterals("LogWrite(\"\xE3\x81\x82\");\n"), std::vector<int>{1});
    EXPECT_EQ(UnconvertedLiterals("LogWrite(Cp932Text(\"a\"\n \"\xE3\x81\x82\"));"),
              std::vector<int>{});
    EXPECT_EQ(UnconvertedLiterals("void Say(const char* t) { LogWrite(Cp932Text(t)); }\n"
                                  "// \"\xE3\x81\x82\"\nSay(\"\xE3\x81\x82\");"),
              std::vector<int>{});
}

}  // namespace
