// The shared report of the placeholder modules.
#include "placeholders/missing_module.h"

#include "DuRud.h"

namespace DuRud {

int ReportMissingModule(const char* module, const char* operation) {
    LogFormatLine("%s: the %s module is not built", operation, module);
    return -1;
}

}  // namespace DuRud
