// The scene bracket: BeginScene before the first draw of a frame, EndScene
// before presenting or changing the target area.
#pragma once

namespace DuRud {

int EnsureSceneBegun();  // 0, -1 when the device refused
int EndSceneIfBegun();   // 0
int IsSceneBegun();
int ClearSceneBegunFlag();  // after a device release: no scene is open

}  // namespace DuRud
