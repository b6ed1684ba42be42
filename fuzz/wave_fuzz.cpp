// libFuzzer target: a hostile WAVE file through the two WAVE readers (PCM and
// float, then the compression manager's codecs).
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soundfuzz::StartSoundConversion();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    soundfuzz::FuzzSoundFile(data, size, 0x1C);  // every reader but the WAVE ones skipped
    return 0;
}
