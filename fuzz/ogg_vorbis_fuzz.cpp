// libFuzzer target: a hostile Ogg Vorbis file through the converter's
// vorbisfile callbacks (read, seek and tell over the engine's stream).
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soundfuzz::StartSoundConversion();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The Ogg Vorbis reader alone; an odd length picks variant 1 (the Vorbis
    // stream of a file that may hold Theora first).
    soundfuzz::FuzzSoundFile(data, size, ~4, static_cast<int>(size & 1));
    return 0;
}
