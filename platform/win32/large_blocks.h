// Large zeroed blocks mapped from the system at a huge-page boundary, whose
// first touch can then cost one fault per 2 MB of transparent huge pages
// instead of one per 4 KB page. A huge page is resident whole, so only parts
// that will be written whole are advised: a block its owner fills
// completely at once, or the parts of one a write is about to cover. Where
// the system has no transparent huge pages (or they are switched off) no
// block is mapped here and callers keep to the C heap.
#pragma once

#include <cstddef>

namespace platform {

// A zeroed block of bytes mapped at a huge-page boundary, advised whole when
// adviseWhole is true; null when bytes is below one huge page, huge pages
// are unavailable or the mapping failed (the caller then takes the block
// from the C heap).
void* MapLargeBlock(size_t bytes, bool adviseWhole);
// Unmaps a block MapLargeBlock gave; false (nothing done) for any other pointer.
bool UnmapLargeBlock(void* block);
// Before writing every page of bytes [begin, end) of a block: advises the
// huge pages lying wholly inside them. Nothing for other pointers.
void AdviseLargeBlockWrite(void* block, size_t begin, size_t end);
// Bytes mapped in live large blocks.
size_t LargeBlockBytes();
// The smallest block MapLargeBlock maps (0: none).
size_t LargeBlockMinimum();

// A zeroed block: mapped unadvised when large enough, from calloc otherwise.
void* AllocateZeroedBlock(size_t bytes);
// Frees a block of AllocateZeroedBlock (null is ignored).
void FreeZeroedBlock(void* block);

}  // namespace platform
