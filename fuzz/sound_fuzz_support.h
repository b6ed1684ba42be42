// What the three sound fuzz targets share: the conversion set up once per
// process, and one hostile file run through one reader over a memory stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace soundfuzz {

// Loads the system services and the compression manager, logging off.
void StartSoundConversion();

// Sets up a converter over the bytes with the skip mask (and Ogg variant),
// and when it takes the file: runs it in steps (up to 32 KiB), seeks to a
// sample picked from the bytes and runs on, converts the whole of a short
// file and ends. Aborts where a rule breaks: more bytes than the converter's
// size, a step longer than asked, a block left behind (refused or ended), the
// caller's bytes changed.
void FuzzSoundFile(const uint8_t* data, size_t size, int skipMask, int oggVariant = 0);

}  // namespace soundfuzz
