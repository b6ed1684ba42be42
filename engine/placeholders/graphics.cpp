// Placeholder of the mask module (deleted when it is built): no mask screen
// exists, so masking can never be switched on and nothing is released.
#include "graphics/masks.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "mask";
}  // namespace

int StartMasks() {
    return ReportMissingModule(kModule, "StartMasks");
}
int EndMasks() {
    return -1;  // never started
}
int IsMaskEnabled() {
    return 0;
}
int SetMaskEnabled(int) {
    return -1;  // no mask screen
}
int ReleaseMaskScreen() {
    return 0;  // nothing was made
}
int RestoreMaskScreen() {
    return -1;  // never started
}

}  // namespace DuRud
