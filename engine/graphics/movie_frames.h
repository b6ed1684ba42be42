// Movie frames in graphics: a graphic that shows a movie, and the frame
// callback that copies each new frame into it.
#pragma once

#include "DuRud.h"
#include "graphics/graphic_create_params.h"
#include "sound/movie/movie_frames.h"

namespace DuRud {

// Opens the movie and gives the graphic a shared image of its frame size
// (half the width when alpha rides beside the colour). 0 or -1.
int CreateGraphicFromMovie(const GraphicCreateParams& params, Handle graphic, const char* fileName,
                           int option, int setting, int fromWorker);
// Copies the movie's current frame into the graphic. 0.
int MovieFrameToTexture(MovieHandleRecord* movie, Handle graphic);

}  // namespace DuRud
