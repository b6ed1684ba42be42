// Archive-aware file access: start and end of the archive layer.
#pragma once

namespace DuRud {

int InitArchives();  // its lock and tables; 0, or -1
int EndArchives();

}  // namespace DuRud
