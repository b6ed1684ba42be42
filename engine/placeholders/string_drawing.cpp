// Placeholder of the game's font calls (deleted when the font module is
// built): no font exists, so nothing is set or drawn.
#include "DuRud.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "font";
}

int SetDefaultFontSize(int) {
    return ReportMissingModule(kModule, "SetDefaultFontSize");
}
int SetDefaultFontThickness(int) {
    return ReportMissingModule(kModule, "SetDefaultFontThickness");
}
int DrawFormattedText(int, int, uint32_t, const char*, ...) {
    return ReportMissingModule(kModule, "DrawFormattedText");
}

}  // namespace DuRud
