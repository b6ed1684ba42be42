// Writes the tables of a TrueType face in big-endian order, each padded to
// four bytes, with their checksums in the table directory.
#include "support/truetype_face.h"

#include <algorithm>
#include <climits>
#include <map>

namespace testsupport {

namespace {

class Writer {
  public:
    Writer& u8(unsigned v) {
        bytes.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Writer& u16(unsigned v) { return u8(v >> 8).u8(v); }
    Writer& s16(int v) { return u16(static_cast<unsigned>(v) & 0xFFFF); }
    Writer& u32(uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    Writer& zeros(size_t n) {
        bytes.append(n, '\0');
        return *this;
    }
    std::string bytes;
};

uint32_t Checksum(const std::string& data) {
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        uint32_t word = 0;
        for (size_t j = 0; j < 4; ++j)
            word =
                (word << 8) | (i + j < data.size() ? static_cast<unsigned char>(data[i + j]) : 0);
        sum += word;
    }
    return sum;
}

// Binary-search fields of a table with `count` entries of `size` bytes.
void SearchFields(Writer& w, unsigned count, unsigned size) {
    unsigned power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    w.u16(power * size).u16(log2).u16(count * size - power * size);
}

struct Box {
    int xMin = INT_MAX, yMin = INT_MAX, xMax = INT_MIN, yMax = INT_MIN;
    void Add(const std::array<int, 4>& b) {
        xMin = std::min(xMin, b[0]), yMin = std::min(yMin, b[1]);
        xMax = std::max(xMax, b[2]), yMax = std::max(yMax, b[3]);
    }
    bool Empty() const { return xMin > xMax; }
};

std::string Glyph(const TestGlyph& g, Box* bounds) {
    if (g.boxes.empty()) return {};
    Box box;
    for (const auto& b : g.boxes) box.Add(b), bounds->Add(b);
    Writer w;
    w.s16(static_cast<int>(g.boxes.size())).s16(box.xMin).s16(box.yMin).s16(box.xMax).s16(box.yMax);
    for (size_t i = 0; i < g.boxes.size(); ++i) w.u16(static_cast<unsigned>(4 * i + 3));
    w.u16(0);                                                    // no instructions
    for (size_t i = 0; i < 4 * g.boxes.size(); ++i) w.u8(0x01);  // on-curve, 16-bit deltas
    int x = 0, y = 0;
    std::vector<std::pair<int, int>> points;
    for (const auto& b : g.boxes)  // clockwise: up the left side, along the top, down the right
        points.insert(points.end(), {{b[0], b[1]}, {b[0], b[3]}, {b[2], b[3]}, {b[2], b[1]}});
    for (auto [px, py] : points) w.s16(px - x), x = px;
    for (auto [px, py] : points) w.s16(py - y), y = py;
    while (w.bytes.size() % 4) w.u8(0);
    return w.bytes;
}

std::string Name(const TestFaceSpec& spec) {
    const std::vector<std::pair<int, std::string>> names = {
        {1, spec.family},
        {2, "Regular"},
        {4, spec.family},
        {6, spec.family.substr(0, spec.family.find(' '))}};
    Writer w, strings;
    w.u16(0)
        .u16(static_cast<unsigned>(names.size()))
        .u16(static_cast<unsigned>(6 + 12 * names.size()));
    for (const auto& [id, text] : names) {
        w.u16(3).u16(1).u16(0x409).u16(id).u16(static_cast<unsigned>(2 * text.size()));
        w.u16(static_cast<unsigned>(strings.bytes.size()));
        for (char c : text) strings.u16(static_cast<unsigned char>(c));  // UTF-16BE of ASCII
    }
    return w.bytes + strings.bytes;
}

}  // namespace

std::string MakeTrueTypeFace(const TestFaceSpec& spec) {
    std::vector<TestGlyph> glyphs = spec.glyphs;
    std::sort(glyphs.begin(), glyphs.end(),
              [](const TestGlyph& a, const TestGlyph& b) { return a.code < b.code; });
    glyphs.insert(glyphs.begin(), spec.notdef);
    const unsigned count = static_cast<unsigned>(glyphs.size());

    Writer glyf, loca, hmtx;
    Box bounds;
    int advanceMax = 0, maxPoints = 0, maxContours = 0;
    for (const TestGlyph& g : glyphs) {
        loca.u32(static_cast<uint32_t>(glyf.bytes.size()));
        glyf.bytes += Glyph(g, &bounds);
        Box box;
        for (const auto& b : g.boxes) box.Add(b);
        hmtx.u16(static_cast<unsigned>(g.advance)).s16(box.Empty() ? 0 : box.xMin);
        advanceMax = std::max(advanceMax, g.advance);
        maxContours = std::max(maxContours, static_cast<int>(g.boxes.size()));
        maxPoints = std::max(maxPoints, static_cast<int>(4 * g.boxes.size()));
    }
    loca.u32(static_cast<uint32_t>(glyf.bytes.size()));
    if (bounds.Empty()) bounds = Box{0, 0, 0, 0};

    Writer head;
    head.u32(0x00010000).u32(0x00010000).u32(0).u32(0x5F0F3CF5).u16(0x000B).u16(spec.unitsPerEm);
    head.zeros(16).s16(bounds.xMin).s16(bounds.yMin).s16(bounds.xMax).s16(bounds.yMax);
    head.u16(0).u16(8).s16(2).s16(1).s16(0);  // macStyle, lowest ppem, direction, long loca, format

    Writer hhea;
    hhea.u32(0x00010000).s16(spec.ascender).s16(spec.descender).s16(spec.lineGap).u16(advanceMax);
    hhea.s16(bounds.xMin).s16(0).s16(bounds.xMax).s16(1).s16(0).s16(0).zeros(8).s16(0).u16(count);

    Writer maxp;
    maxp.u32(0x00010000).u16(count).u16(maxPoints).u16(maxContours).u16(0).u16(0).u16(2).zeros(16);

    unsigned first = 0xFFFF, last = 0;
    for (size_t i = 1; i < glyphs.size(); ++i)
        first = std::min<unsigned>(first, glyphs[i].code),
        last = std::max<unsigned>(last, glyphs[i].code);
    Writer os2;
    os2.u16(4).s16(spec.avgWidth).u16(spec.weight).u16(5).u16(0).zeros(20).s16(0);  // .. family
                                                                                    // class
    os2.u8(2).u8(11).zeros(8);             // panose: Latin text, sans serif
    os2.u32(1).zeros(12).bytes += "VSMR";  // Basic Latin; vendor
    os2.u16(0x40).u16(first).u16(last);    // regular
    os2.s16(spec.ascender)
        .s16(spec.descender)
        .s16(spec.lineGap)
        .u16(spec.winAscent)
        .u16(spec.winDescent);
    os2.u32(spec.codePages).u32(0).zeros(4).u16(0).u16(' ').u16(1);

    Writer cmap, sub;
    const unsigned segments = count;  // one a character, and the closing 0xFFFF
    sub.u16(4).u16(16 + 8 * segments).u16(0).u16(2 * segments);
    SearchFields(sub, segments, 2);
    for (size_t i = 1; i < glyphs.size(); ++i) sub.u16(glyphs[i].code);
    sub.u16(0xFFFF).u16(0);
    for (size_t i = 1; i < glyphs.size(); ++i) sub.u16(glyphs[i].code);
    sub.u16(0xFFFF);
    for (size_t i = 1; i < glyphs.size(); ++i) sub.u16((i - glyphs[i].code) & 0xFFFF);
    sub.u16(1);
    sub.zeros(2 * segments);  // idRangeOffset
    cmap.u16(0).u16(1).u16(3).u16(1).u32(12);
    cmap.bytes += sub.bytes;

    Writer post;
    post.u32(0x00030000).u32(0).s16(-128).s16(64).zeros(20);

    const std::map<std::string, std::string> tables = {
        {"OS/2", os2.bytes},  {"cmap", cmap.bytes}, {"glyf", glyf.bytes}, {"head", head.bytes},
        {"hhea", hhea.bytes}, {"hmtx", hmtx.bytes}, {"loca", loca.bytes}, {"maxp", maxp.bytes},
        {"name", Name(spec)}, {"post", post.bytes}};
    Writer file;
    file.u32(0x00010000).u16(static_cast<unsigned>(tables.size()));
    SearchFields(file, static_cast<unsigned>(tables.size()), 16);
    uint32_t offset = static_cast<uint32_t>(12 + 16 * tables.size());
    std::string body;
    for (const auto& [tag, data] : tables) {  // std::map keeps the tags in byte order
        file.bytes += tag;
        file.u32(Checksum(data)).u32(offset).u32(static_cast<uint32_t>(data.size()));
        std::string padded = data;
        padded.resize((data.size() + 3) / 4 * 4, '\0');
        body += padded;
        offset += static_cast<uint32_t>(padded.size());
    }
    return file.bytes + body;
}

}  // namespace testsupport
