// libFuzzer target: a hostile Ogg Vorbis file through the converter's
// vorbisfile callbacks (read, seek and tell over the engine's stream).
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soundfuzz::StartSoundConversion();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    soundfuzz::FuzzSoundFile(data, size, ~4);  // the Ogg Vorbis reader alone
    return 0;
}
