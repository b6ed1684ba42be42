// Placeholder of the archive layer (deleted when that module is built).
#include "files/archive_access.h"
#include "placeholders/missing_module.h"

namespace DuRud {

int InitArchives() {
    return ReportMissingModule("archive", "InitArchives");
}
int EndArchives() {
    return 0;
}

}  // namespace DuRud
