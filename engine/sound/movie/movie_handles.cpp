// Movie handles (type 6): Ogg Theora files played by the engine's own player,
// frames following the clock or the file's Vorbis track.
#include <cstring>

#include <windows.h>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "files/file_access_table.h"
#include "sound/sound_device.h"
#include "sound/sound_handles.h"
#include "sound/movie/movie_directshow.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/movie_module.h"
#include "sound/movie/theora_player.h"

namespace DuRud {

namespace {

constexpr int kMaxMovies = 100;
constexpr int kStockSize = 10;

int g_initialised = 0;
int32_t g_setting = 0;  // nothing writes it

MovieHandleRecord* Record(Handle handle, int allowPending) {
    if (!g_initialised) return nullptr;
    return reinterpret_cast<MovieHandleRecord*>(
        TypedHandleRecord(handle, HandleTypeMovie, allowPending));
}

int MovieTerminate(HandleHeader* header) {
    auto* m = reinterpret_cast<MovieHandleRecord*>(header);
    if (m->theora) TheoraClose(m->theora);  // the player's thread reads the stream
    if (m->stream) CloseStream(m->stream);
    if (m->soundTrack != -1) DeleteHandle(m->soundTrack);
    m->theora = nullptr;
    m->stream = 0;
    m->soundTrack = -1;
    m->isTheora = 0;
    ReleaseMovieDirectShow(m);  // the graph lets go of the file before it is deleted
    if (m->temporaryFile) DeleteFileA(m->path);
    m->temporaryFile = 0;
    return 0;
}

}  // namespace

int InitMovieModule() {
    if (g_initialised) return -1;
    if (RegisterHandleType(HandleTypeMovie, sizeof(MovieHandleRecord), kMaxMovies, nullptr,
                           MovieTerminate, Cp932Text("ムービー")) != 0)
        return -1;
    g_initialised = 1;
    return 0;
}

int TerminateMovieModule() {
    if (!g_initialised) return -1;
    EndHandleType(HandleTypeMovie);
    g_initialised = 0;
    return 0;
}

int CheckMovieModule() {
    return g_initialised ? 0 : -1;
}

namespace {

// The file's Vorbis track as a stream sound read beside the pictures: only
// the Ogg Vorbis reader, in its variant that skips the other logical streams.
Handle LoadSoundTrack(const char* fileName, int offMainThread) {
    SoundCreateSettings track{};
    GetSoundCreateSettings(&track);
    track.kind = 3;
    track.convertOptions[0] = -5;
    track.convertOptions[2] = 1;
    return LoadSoundFileWithSettings(&track, fileName, 1, -1, 0, offMainThread);
}

}  // namespace

Handle OpenMovieFile(const void* settings, const char* fileName, int* width, int* height, int,
                     int offMainThread) {
    if (!g_initialised || !fileName) return -1;
    const Handle handle = AddHandle(HandleTypeMovie, -1);
    if (handle == -1) return -1;
    MovieHandleRecord* m = Record(handle, 1);
    m->soundTrack = -1;
    if (settings) std::memcpy(&m->frameMode, settings, sizeof(int32_t));
    m->stream = OpenStream(fileName, 0, 1, 0);
    if (m->stream)
        m->theora = TheoraOpen(GetStreamFunctionTable(), m->stream, kStockSize, offMainThread);
    if (!m->theora) {
        if (m->stream) CloseStream(m->stream);
        m->stream = 0;
        m->temporaryFile = 0;
        if (OpenMovieDirectShow(m, fileName, width, height) != 0) {
            LogWrite(Cp932Text("ムービーファイルオープン処理時にエラーが発生しました\n"));
            DeleteHandle(handle);
            return -1;
        }
        m->stopped = 1;
        m->playType = 1;
        m->resume = 0;
        return handle;
    }
    m->soundTrack = LoadSoundTrack(fileName, offMainThread);
    MovieInfo info;
    TheoraGetMovieInfo(m->theora, &info);
    m->frameWidth = info.width;
    m->frameHeight = info.height;
    if (width) *width = info.width;
    if (height) *height = info.height;
    m->isTheora = 1;
    m->frameImage = *TheoraGetFrameImage(m->theora);  // borrowed pixels
    m->stopped = 1;
    m->playType = 1;
    m->resume = 0;
    return handle;
}

MovieHandleRecord* GetMovieRecord(Handle movie) {
    return Record(movie, 0);
}

int SetMovieFrameCallback(Handle movie, MovieFrameCallback callback, void* userData) {
    MovieHandleRecord* m = Record(movie, 0);
    if (!m) return -1;
    m->callback = callback;
    m->userData = userData;
    return 0;
}

int PlayMovieHandle(Handle movie, int playType, int resumeOnly) {
    MovieHandleRecord* m = Record(movie, 0);
    if (!m) return -1;
    if (playType == -1) playType = m->playType;
    if (!m->stopped || (resumeOnly && !m->resume)) return 0;
    if (playType == 0) playType = 1;
    if (m->theora) {
        MovieInfo info;
        TheoraGetMovieInfo(m->theora, &info);
        const int64_t shown = TheoraGetCurrentFrame(m->theora);
        m->theoraStartTime = GetMicrosecondCounter() -
                             static_cast<int64_t>(shown * 1000000.0 / info.framesPerSecond);
        if (m->soundTrack != -1) PlaySoundHandle(m->soundTrack, playType, 0);
    } else {
        RunMovieDirectShow(m);
    }
    m->stopped = 0;
    m->playType = playType;
    m->resume = 1;
    return 0;
}

int PauseMovieHandle(Handle movie, int keepResume) {
    MovieHandleRecord* m = Record(movie, 0);
    if (!m) return -1;
    if (m->stopped) return 0;
    if (m->theora) {
        if (m->soundTrack != -1) StopSoundHandle(m->soundTrack);
        UpdateMovieFrame(movie, 0);
    } else if (PauseMovieDirectShow(m) != 0) {
        return 0;
    }
    m->stopped = 1;
    if (!keepResume) m->resume = 0;
    return 0;
}

int UpdateMovieFrame(Handle movie, int) {
    MovieHandleRecord* m = Record(movie, 0);
    if (!m) return -1;
    if (m->theora && !m->stopped) {
        MovieInfo info;
        TheoraGetMovieInfo(m->theora, &info);
        const int64_t last = info.frameCount - 1;
        const bool loops = (m->playType & 2) != 0;
        // The sound track's position leads when there is one, else the clock.
        const bool track = m->soundTrack != -1;
        const int64_t now = track ? int64_t{GetSoundPlayTimeMs(m->soundTrack)} * 1000
                                  : GetMicrosecondCounter() - m->theoraStartTime;
        int64_t target = static_cast<int64_t>(now * info.framesPerSecond / 1000000.0);
        if (target < 0) target = 0;
        if (target > last) target = loops && !track ? target % info.frameCount : last;
        // A one-shot track that has played out is back at its start (read
        // after the position, so an end in between is seen): the movie stays
        // on its last frame instead of following it there.
        if (track && !loops && HasStreamSoundPlayedOut(m->soundTrack) == 1) target = last;
        const int64_t current = TheoraGetCurrentFrame(m->theora);
        if (target != current) {
            TheoraAdvanceFrames(m->theora, target > current ? target - current
                                                            : info.frameCount - current + target);
            m->lastFrameChange =
                static_cast<int32_t>((track ? now : now + m->theoraStartTime) / 1000);
        } else if (target == last && !loops && !track) {
            m->resume = 0;
            m->stopped = 1;
        }
    }
    if (!m->isTheora) return UpdateMovieDirectShow(m);
    if (m->callback) {
        m->callback(m, m->userData);
        m->frameUpdated = 1;
    }
    return 0;
}

int InvalidateMovieSurface(Handle movie) {
    MovieHandleRecord* m = Record(movie, 0);
    if (!m) return -1;
    if (m->theora) TheoraInvalidateSurface(m->theora);
    return 0;
}

int PauseAllMovies() {
    if (!g_initialised) return -1;
    ForEachHandleRecord(HandleTypeMovie, [](HandleHeader* h) { PauseMovieHandle(h->handle, 1); });
    return 0;
}

int ResumeAllMovies() {
    if (!g_initialised) return -1;
    ForEachHandleRecord(HandleTypeMovie,
                        [](HandleHeader* h) { PlayMovieHandle(h->handle, -1, 1); });
    return 0;
}

int ReadMovieSetting(int32_t* out) {
    if (out) *out = g_setting;
    return 0;
}

}  // namespace DuRud
