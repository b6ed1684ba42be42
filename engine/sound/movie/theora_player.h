// The Theora movie player: reads an Ogg Theora stream through the engine's
// stream functions, indexes its frames at open and decodes ahead into a
// small stock of frames on its own thread; the main thread moves the current
// frame and converts it into an X8R8G8B8 image.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "files/file_access_table.h"
#include "image/image_record.h"

namespace DuRud {

struct TheoraState;

struct MovieInfo {
    double framesPerSecond;
    int64_t frameCount;
    int32_t width, height;  // the coded picture size (multiples of 16)
};

// Null: not an Ogg file (no log line), no Theora stream, nothing to show, or a failure.
TheoraState* TheoraOpen(const StreamFunctionTable* functions, StreamHandle stream, int stockSize,
                        int offMainThread);
int TheoraClose(TheoraState* state);
int TheoraSeekFrame(TheoraState* state, int64_t frame);      // clamped to the movie
int TheoraAdvanceFrames(TheoraState* state, int64_t count);  // wraps at the frame count
BaseImage* TheoraGetFrameImage(TheoraState* state);
int TheoraInvalidateSurface(TheoraState* state);
int TheoraGetMovieInfo(TheoraState* state, MovieInfo* info);
int64_t TheoraGetCurrentFrame(TheoraState* state);
// Frames whose packet is a key frame (1) or not (0), in order; for tests.
int TheoraKeyFrameCount(TheoraState* state);

}  // namespace DuRud
