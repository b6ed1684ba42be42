// Placeholder of character input (deleted when that module is built).
#include "input/char_input.h"
#include "placeholders/missing_module.h"

namespace DuRud {

int InitCharBuffer() {
    return ReportMissingModule("character input", "InitCharBuffer");
}

}  // namespace DuRud
