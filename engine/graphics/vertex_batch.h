// The vertex batch: vertices queued for one device draw call.
#pragma once

namespace DuRud {

// Draws what the batch holds with one device call and empties it. 0.
int FlushVertexBatch();

}  // namespace DuRud
