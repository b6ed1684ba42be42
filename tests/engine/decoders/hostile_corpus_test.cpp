// Malformed pictures: each is refused by its own decoder and by every other
// one, with no tracked block left behind (the sanitizers watch the rest).
#include <gtest/gtest.h>

#include <map>

#include "decoder_test_support.h"
#include "picture_corpus.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace decodertest;

namespace {

class HostileCorpusTest : public DecoderTest {};

const std::map<std::string, ImageLoader>& DecodersByName() {
    static const std::map<std::string, ImageLoader> m = {
        {"bmp", LoadBmpImage},   {"jpeg", LoadJpegImage}, {"png", LoadPngImage},
        {"bgra", LoadBgraImage}, {"tga", LoadTgaImage},   {"dds", LoadDdsImage},
    };
    return m;
}

TEST_F(HostileCorpusTest, EveryDecoderRefusesEveryHostileFile) {
    KnobCaptureDebugOutput(true);  // library complaints stay out of the test log
    std::vector<CorpusFile> corpus = HostileCorpus();
    ASSERT_GE(corpus.size(), 50u);
    for (const CorpusFile& f : corpus) {
        ASSERT_TRUE(DecodersByName().count(f.format)) << f.name;
        for (int i = 0; ImageLoaderTable[i]; ++i) {
            BaseImage im;
            EXPECT_EQ(RunDecoder(ImageLoaderTable[i], f.bytes, &im), -1)
                << f.name << " decoder " << i;
            EXPECT_EQ(im.pixels, nullptr) << f.name;
            if (im.pixels) FreeBaseImagePixels(&im);
        }
    }
}

TEST_F(HostileCorpusTest, EveryValidSeedIsAcceptedByItsOwnDecoder) {
    for (const CorpusFile& f : ValidCorpus()) {
        BaseImage im;
        EXPECT_EQ(RunDecoder(DecodersByName().at(f.format), f.bytes, &im), 0) << f.name;
        FreeBaseImagePixels(&im);
    }
}

TEST_F(HostileCorpusTest, EveryPrefixOfTheValidSeedsIsHandled) {
    KnobCaptureDebugOutput(true);
    for (const CorpusFile& f : ValidCorpus()) {
        for (size_t n = 0; n < f.bytes.size(); ++n) {
            for (int i = 0; ImageLoaderTable[i]; ++i) {
                BaseImage im;
                if (RunDecoder(ImageLoaderTable[i], f.bytes.substr(0, n), &im) == 0) {
                    FreeBaseImagePixels(&im);
                }
            }
        }
    }
}

}  // namespace
