#include "sound_fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/log.h"
#include "core/system_services.h"
#include "core/tracked_memory.h"
#include "files/loader_streams.h"
#include "sound/sound_convert.h"

using namespace DuRud;

namespace soundfuzz {

namespace {
// More output than this is cut short: a hostile header may promise hours.
constexpr int kOutputLimit = 1 << 15;
constexpr int kStep = 16384;

void Check(bool rule, int line = __builtin_LINE()) {
    if (rule) return;
    std::fprintf(stderr, "sound fuzz: the rule at sound_fuzz_support.cpp:%d is broken\n", line);
    std::abort();
}
}  // namespace

void StartSoundConversion() {
    SetLogOutput(0);
    Check(LoadWinApis() == 0);
    Check(InitSoundConvert() == 0);
}

void FuzzSoundFile(const uint8_t* data, size_t size, int skipMask, int oggVariant) {
    if (size == 0 || size > 0xFFFFFFFFu) return;
    const int blocks = MemGetCount();
    // Kept from input to input: no 16 KB block allocated and cleared for each.
    static std::vector<uint8_t> original, out(kStep);
    original.assign(data, data + size);
    StreamHandle handle = OpenMemoryImageStream(data, static_cast<uint32_t>(size));
    Check(handle != 0);
    SoundConvertState state{};
    if (SetupSoundConvert(&state, GetMemoryImageStreamInterface(), handle, skipMask, 2,
                          oggVariant) == 0) {
        WAVEFORMATEX format{};
        Check(GetConvertFormat(&state, &format) == 0);
        Check(format.nBlockAlign > 0);
        const int total = GetSoundConvertSize(&state);
        int produced = 0;
        for (int n; produced < kOutputLimit && (n = RunSoundConvert(&state, out.data(), kStep)) > 0;
             produced += n)
            Check(n <= kStep);
        if (total >= 0) Check(produced <= total);
        // A seek inside (or past) the sound, then a little more output.
        // (At most 4095 samples in: a compressed kind decodes its way there.)
        const int sample = size >= 4 ? (data[size - 1] | (data[size - 2] & 0x0F) << 8) : 0;
        Check(SeekSoundConvert(&state, sample) == 0);
        Check(RunSoundConvert(&state, out.data(), 4096) <= 4096);
        if (total >= 0 && total <= kOutputLimit && produced < kOutputLimit) {
            void* block = nullptr;
            int bytes = -1;
            if (ConvertSoundAll(&state, nullptr, &block, &bytes) == 0) {
                Check(bytes >= 0 && bytes <= total);
                TrackedFree(block);
            }
        }
        Check(EndSoundConvert(&state) == 0);
    }
    CloseMemoryImageStream(handle);
    Check(MemGetCount() == blocks);
    Check(std::equal(original.begin(), original.end(), data));
}

}  // namespace soundfuzz
