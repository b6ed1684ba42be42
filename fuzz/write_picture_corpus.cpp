// Writes the decoder test pictures (valid seeds and hostile files) into a
// folder, one file per picture, as the fuzzer's starting corpus.
#include <cstdio>
#include <string>

#include "engine/decoders/picture_corpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    int written = 0;
    for (const auto& list : {decodertest::ValidCorpus(), decodertest::HostileCorpus()}) {
        for (const decodertest::CorpusFile& f : list) {
            std::string path = std::string(argv[1]) + "/" + f.name;
            std::FILE* out = std::fopen(path.c_str(), "wb");
            if (!out) return 1;
            std::fwrite(f.bytes.data(), 1, f.bytes.size(), out);
            std::fclose(out);
            ++written;
        }
    }
    std::printf("%d pictures written\n", written);
    return 0;
}
