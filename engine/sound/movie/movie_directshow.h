// Movies that are not Ogg Theora: a filter graph rendering the file into the
// movie renderer filter, and the frame update and clean-up of such movies.
#pragma once

#include "sound/movie/movie_frames.h"

namespace DuRud {

// 0, or -1 with its message logged and nothing left behind but a temporary
// file's path for the handle's deletion.
int OpenMovieDirectShow(MovieHandleRecord* movie, const char* fileName, int* width, int* height);
int UpdateMovieDirectShow(MovieHandleRecord* movie);
int RunMovieDirectShow(MovieHandleRecord* movie);
int PauseMovieDirectShow(MovieHandleRecord* movie);  // 0, or 1 when there is no graph
int ReleaseMovieDirectShow(MovieHandleRecord* movie);

}  // namespace DuRud
