// Conversions between a record and a Windows device-independent bitmap.
#pragma once

#include "image/image_record.h"
#include "win_gdi.h"

namespace DuRud {

// Describes a DIB as a record. Top-down 16/24-bit BI_RGB and 16/32-bit
// BI_BITFIELDS DIBs keep their layout (borrowed unless copyFlag is 1); all
// others are drawn into a 24-bit section and copied as R8G8B8. Returns -1 on
// failure, 1 when the record owns a copy, else copyFlag (the record then
// points at the caller's bits). A top-down 32-bit BI_RGB DIB is refused.
int ConvertDibToBaseImage(const BITMAPINFO* info, const void* bits, BaseImage* image, int copyFlag);

// Fills a top-down DIB header (and, for 8-bit records, the 256 colour
// entries behind it: info must have room for them) and the bits pointer.
// Returns -1 on failure, 1 when the bits are a new tracked block the caller
// frees, else copyFlag (the bits are the record's own pixels).
int ConvertBaseImageToDib(const BaseImage* image, BITMAPINFO* info, void** bits, int copyFlag,
                          int force24);

}  // namespace DuRud
