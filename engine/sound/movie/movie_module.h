// Movies: start and end of the movie module and its pause and resume on
// deactivation.
#pragma once

namespace DuRud {

int InitTheoraColorTables();  // the decoder's colour-conversion tables, built once
int InitMovieModule();        // registers the movie handle type once
int TerminateMovieModule();   // 0, or -1 when not started
int PauseAllMovies();
int ResumeAllMovies();
int CheckMovieModule();  // 0 when started, else -1
// Brings the frame a graphic shows up to date before it is drawn.
int UpdateMovieFrame(int movie, int flag);

}  // namespace DuRud
