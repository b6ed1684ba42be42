// Soft images: a BaseImage held behind an engine handle of type 2, so that
// pictures in system memory follow the same handle discipline as graphics.
#pragma once

#include "DuRud.h"
#include "image/image_record.h"

namespace DuRud {

struct SoftImageRecord {
    HandleHeader header;
    BaseImage image;
};

int InitializeSoftImages();  // registers handle type 2; 0, or -1 when already started
int TerminateSoftImages();   // ends the type; 0, or -1 when not started
int DeleteAllSoftImages();   // deletes every soft image, freeing its pixels

}  // namespace DuRud
