// Operations of modules that are not built yet report so: one log line that
// names the module, and the module's "cannot start / not started" result.
#pragma once

namespace DuRud {

// Logs "<operation>: the <module> module is not built"; returns -1.
int ReportMissingModule(const char* module, const char* operation);

}  // namespace DuRud
