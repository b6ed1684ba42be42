// Placeholder of the movie module (deleted when that module is built).
#include "placeholders/missing_module.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/movie_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "movie";
}  // namespace

int InitTheoraColorTables() {
    return ReportMissingModule(kModule, "InitTheoraColorTables");
}
int InitMovieModule() {
    return ReportMissingModule(kModule, "InitMovieModule");
}
int TerminateMovieModule() {
    return -1;
}  // not started
int PauseAllMovies() {
    return 0;
}
int ResumeAllMovies() {
    return 0;
}
int CheckMovieModule() {
    return -1;
}
int UpdateMovieFrame(int, int) {
    return 0;
}  // no movie plays yet

Handle OpenMovieFile(const void*, const char*, int*, int*, int, int) {
    return ReportMissingModule(kModule, "OpenMovieFile");
}
MovieHandleRecord* GetMovieRecord(Handle) {
    return nullptr;
}
int SetMovieFrameCallback(Handle, MovieFrameCallback, void*) {
    return -1;
}
int InvalidateMovieSurface(Handle) {
    return 0;
}
IDirect3DSurface9* TheoraGetFrameSurface(TheoraState*) {
    return nullptr;
}
int TheoraConvertCurrentFrame(TheoraState*, int, int, int) {
    return 0;
}
int ReadMovieSetting(int32_t* out) {
    if (out) *out = 0;
    return 0;
}

}  // namespace DuRud
