// Placeholder of the movie module (deleted when that module is built).
#include "placeholders/missing_module.h"
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

}  // namespace DuRud
