// Soft images: the soft-image handle type.
#pragma once

namespace DuRud {

int InitializeSoftImages();  // registers handle type 2; 0, or -1
int TerminateSoftImages();
int DeleteAllSoftImages();

}  // namespace DuRud
