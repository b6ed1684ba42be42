// The soft-image handle type: registration, release of a soft image's
// pixels when its handle goes, and the start-up / shutdown pair.
#include "image/soft_images.h"

#include "core/text_literals.h"

namespace DuRud {
namespace {

constexpr int kSoftImageMaximum = 8192;
bool g_started = false;

void InitSoftImage(HandleHeader*) {}

int DeleteSoftImage(HandleHeader* record) {
    FreeBaseImagePixels(&reinterpret_cast<SoftImageRecord*>(record)->image);
    return 0;
}

}  // namespace

int InitializeSoftImages() {
    if (g_started) return -1;
    if (RegisterHandleType(HandleTypeSoftImage, int(sizeof(SoftImageRecord)), kSoftImageMaximum,
                           InitSoftImage, DeleteSoftImage, Cp932Text("ソフトイメージ")) != 0) {
        return -1;
    }
    g_started = true;
    return 0;
}

int DeleteAllSoftImages() {
    return DeleteAllHandles(HandleTypeSoftImage, nullptr);
}

int TerminateSoftImages() {
    if (!g_started) return -1;
    g_started = false;
    EndHandleType(HandleTypeSoftImage);
    return 0;
}

}  // namespace DuRud
