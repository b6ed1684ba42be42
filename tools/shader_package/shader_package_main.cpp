// Writes the engine's shader package as a C++ source: every shader is a blob
// in the software device's format (version token, a first comment naming the
// kernel that runs it, end token), grouped into the two archives and the two
// code tables the engine unpacks, each LZ-packed. Nothing depends on time or
// order of the file system, so every build writes the same bytes.
//
// Usage: shader_package <output.cpp>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "files/archive_format.h"
#include "graphics/shader_package_data.h"
#include "graphics/shader_package_names.h"
#include "lz_encoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kVertexVersion = 0xFFFE0200u;
constexpr uint32_t kPixelVersion = 0xFFFF0200u;
constexpr uint32_t kCommentToken = 0x0000FFFEu;
constexpr uint32_t kEndToken = 0x0000FFFFu;

void AppendWord(Bytes& out, uint32_t word) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(word >> (8 * i)));
}

// The kernel name zero-padded to whole words, with at least one zero byte.
Bytes ShaderBlob(const std::string& kernel, bool vertex) {
    Bytes out;
    const uint32_t words = static_cast<uint32_t>(kernel.size() / 4 + 1);
    AppendWord(out, vertex ? kVertexVersion : kPixelVersion);
    AppendWord(out, kCommentToken | (words << 16));
    Bytes name(words * 4, 0);
    std::copy(kernel.begin(), kernel.end(), name.begin());
    out.insert(out.end(), name.begin(), name.end());
    AppendWord(out, kEndToken);
    return out;
}

Bytes Archive(const std::vector<std::string>& names) {
    zav::WriterNode root;
    root.directory = true;
    for (const std::string& name : names) {
        zav::WriterNode file;
        file.name = name;
        file.data = ShaderBlob(name, false);
        root.children.push_back(std::move(file));
    }
    zav::WriteOptions options;
    options.keyKind = zav::KeyKind::None;
    options.compress = false;  // the engine reads members in place
    Bytes out;
    std::string error;
    if (!zav::WriteArchive(root, options, &out, &error)) {
        std::fprintf(stderr, "shader_package: %s\n", error.c_str());
        return {};
    }
    return out;
}

// A table of 16-bit code sizes followed by the code of each non-empty entry.
Bytes CodeTable(int entries, const std::vector<std::pair<int, Bytes>>& codes) {
    Bytes out(static_cast<size_t>(entries) * 2, 0);
    for (const auto& [index, code] : codes) {
        DuRud::StoreU16(out.data() + index * 2, static_cast<uint16_t>(code.size()));
        out.insert(out.end(), code.begin(), code.end());
    }
    return out;
}

Bytes MixCodeTable() {
    std::vector<std::pair<int, Bytes>> codes;
    for (int i = 0; i < DuRud::kMixCodes; ++i)
        codes.emplace_back(i, ShaderBlob(DuRud::MixTableKernel(i), false));
    return CodeTable(DuRud::kMixCodes, codes);
}

Bytes ModelCodeTable() {
    return CodeTable(DuRud::kModelCodes,
                     {{0, ShaderBlob(DuRud::kModelVertexKernel, true)},
                      {DuRud::kModelVertexCodes, ShaderBlob(DuRud::kModelPixelKernel, false)}});
}

void WriteArray(std::ofstream& out, const std::string& name, const Bytes& bytes) {
    out << "const unsigned char " << name << "[" << bytes.size() << "] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) out << "\n   ";
        out << ' ' << static_cast<int>(bytes[i]) << ',';
    }
    out << "\n};\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: shader_package <output.cpp>\n");
        return 2;
    }
    // Storage order: model table, mix table, filter archive, base archive.
    const Bytes plain[DuRud::kShaderPackageBlobCount] = {ModelCodeTable(), MixCodeTable(),
                                                         Archive(DuRud::FilterShaderFiles()),
                                                         Archive(DuRud::BaseShaderFiles())};
    Bytes blobs[DuRud::kShaderPackageBlobCount];
    for (int i = 0; i < DuRud::kShaderPackageBlobCount; ++i) {
        if (plain[i].empty()) return 1;
        blobs[i] = zav::LzPack(plain[i].data(), plain[i].size());
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "// Made by tools/shader_package at build time; not edited by hand.\n"
           "#include \"graphics/shader_package_data.h\"\n\n"
           "namespace DuRud {\nnamespace {\n\n";
    for (int i = 0; i < DuRud::kShaderPackageBlobCount; ++i) {
        if (blobs[i].empty()) return 1;
        WriteArray(out, "kBlob" + std::to_string(i), blobs[i]);
        out << "\n";
    }
    out << "}  // namespace\n\nconst ShaderPackageBlob kShaderPackage[kShaderPackageBlobCount] = "
           "{\n";
    for (int i = 0; i < DuRud::kShaderPackageBlobCount; ++i)
        out << "    {kBlob" << i << ", sizeof kBlob" << i << "},\n";
    out << "};\n\n}  // namespace DuRud\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "shader_package: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
