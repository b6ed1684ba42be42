// Placeholder of the font operations graphics calls (deleted when the font
// module is built): no font is ever made, so none is valid or rebuilt.
#include "font/font_handles.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "font";
}  // namespace

int InitializeFonts() {
    return ReportMissingModule(kModule, "InitializeFonts");
}
int TerminateFonts() {
    return -1;  // never started
}
Handle GetDefaultFontHandle() {
    return -1;
}
int IsFontHandleValid(Handle) {
    return 0;
}
int GetFontInfo(char*, int*, int*, Handle) {
    return -1;
}
int SetDefaultFont(const char*, int, int) {
    return ReportMissingModule(kModule, "SetDefaultFont");
}
int RecreateAllFonts() {
    return ReportMissingModule(kModule, "RecreateAllFonts");
}

}  // namespace DuRud
