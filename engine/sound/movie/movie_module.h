// Movies: start and end of the movie module and its pause and resume on
// deactivation.
#pragma once

#include "DuRud.h"

namespace DuRud {

int InitTheoraColorTables();  // the decoder's colour-conversion tables, built once
int InitMovieModule();        // registers the movie handle type once
int TerminateMovieModule();   // 0, or -1 when not started
int PauseAllMovies();
int ResumeAllMovies();
int CheckMovieModule();  // 0 when started, else -1

// playType -1 keeps the stored one; resumeOnly plays only a movie paused with its resume kept.
int PlayMovieHandle(Handle movie, int playType, int resumeOnly);
int PauseMovieHandle(Handle movie, int keepResume);
// Brings the current frame up to date and runs the frame callback.
int UpdateMovieFrame(Handle movie, int unused);

}  // namespace DuRud
