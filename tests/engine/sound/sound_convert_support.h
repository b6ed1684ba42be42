// A converter over a memory stream of test bytes, with the compression
// manager loaded around every test and every tracked block given back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "DuRud.h"
#include "core/log.h"
#include "core/system_services.h"
#include "core/tracked_memory.h"
#include "media_fixtures.h"
#include "sound/sound_convert.h"
#include "support/test_support.h"

namespace soundtest {

// Skip masks that leave one reader (or the two WAVE readers) in.
constexpr int kOnlyWave = 0x1C;
constexpr int kOnlyOgg = -5;
constexpr int kOnlyMp3Acm = 0x17;

struct Converter {
    std::string bytes;
    DuRud::StreamHandle handle = 0;
    DuRud::SoundConvertState state{};

    explicit Converter(std::string b) : bytes(std::move(b)) {}
    ~Converter() {
        if (state.initialised) DuRud::EndSoundConvert(&state);
        if (handle) DuRud::CloseMemoryImageStream(handle);
    }
    int Setup(int mask = 0, int oggBytes = 2, int variant = 0) {
        handle = DuRud::OpenMemoryImageStream(bytes.data(), uint32_t(bytes.size()));
        return DuRud::SetupSoundConvert(&state, DuRud::GetMemoryImageStreamInterface(), handle,
                                        mask, oggBytes, variant);
    }
    std::string Run(int count) {
        std::string out(size_t(count), '\0');
        int n = DuRud::RunSoundConvert(&state, out.data(), count);
        out.resize(size_t(std::max(n, 0)));
        return out;
    }
    std::string All() {
        void* block = nullptr;
        int n = 0;
        EXPECT_EQ(DuRud::ConvertSoundAll(&state, nullptr, &block, &n), 0);
        std::string out(static_cast<char*>(block), size_t(n));
        DuRud::TrackedFree(block);
        return out;
    }
};

// Equality of two byte strings without printing them.
inline testing::AssertionResult Same(const std::string& a, const std::string& b) {
    if (a == b) return testing::AssertionSuccess();
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    return testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at " << at;
}

class SoundConvertTest : public testing::Test {
  protected:
    void SetUp() override {
        DuRud::LoadWinApis();
        ASSERT_EQ(DuRud::SetLogFolder(testsupport::TestDirectory().c_str()), 0);
        ASSERT_EQ(DuRud::LogStart(), 0);
        blocks_ = DuRud::MemGetCount();
        ASSERT_EQ(DuRud::InitSoundConvert(), 0);
    }
    void TearDown() override {
        DuRud::TerminateSoundConvert();
        EXPECT_EQ(DuRud::MemGetCount(), blocks_) << "a tracked block was left behind";
        DuRud::UnloadWinApis();
        DuRud::ResetLogForTest();
    }

  private:
    int blocks_ = 0;
};

}  // namespace soundtest
