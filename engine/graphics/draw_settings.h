// Draw settings the device layer reads.
#pragma once

namespace DuRud {

// 1 while presents wait for the vertical blank (the device's presentation
// interval follows it).
int QueryVSyncWish();

}  // namespace DuRud
