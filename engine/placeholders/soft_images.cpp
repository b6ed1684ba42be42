// Placeholder of the soft images (deleted when that module is built).
#include "image/soft_images.h"
#include "placeholders/missing_module.h"

namespace DuRud {

int InitializeSoftImages() {
    return ReportMissingModule("soft image", "InitializeSoftImages");
}
int TerminateSoftImages() {
    return 0;
}
int DeleteAllSoftImages() {
    return 0;
}

}  // namespace DuRud
