#include "font/faces_read_ahead.h"

#include <windows.h>

#include "core/text_literals.h"

namespace DuRud {

namespace {

// The face start-up's first fonts ask for: making it reads the installed
// faces and opens the one chosen.
void ReadFaces(ThreadContext*, uintptr_t) {
    if (HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                 FIXED_PITCH, Cp932Text("ＭＳ ゴシック")))
        DeleteObject(font);
}

}  // namespace

FacesReadAhead::FacesReadAhead() {
    if (CreateEngineThread(&thread_, ReadFaces, 0) == 0) ResumeEngineThread(&thread_);
}

FacesReadAhead::~FacesReadAhead() {
    if (!thread_.handle) return;
    WaitForSingleObject(thread_.handle, INFINITE);
    CloseThreadHandle(&thread_);
}

}  // namespace DuRud
