// What graphics need of movies: the movie record's frame fields, the
// frame callback that shows each new frame in a graphic, and the decoder's
// frame surface and conversion.
#pragma once

#include <cstdint>

#include <d3d9.h>

#include "DuRud.h"
#include "image/image_record.h"

struct IGraphBuilder;
struct IMediaControl;
struct IMediaSeeking;
struct IBasicAudio;

namespace DuRud {

struct TheoraState;
class MovieRendererFilter;

struct MovieHandleRecord {
    HandleHeader header;
    int32_t isTheora;
    TheoraState* theora;
    BaseImage frameImage;  // the current frame
    int32_t frameWidth, frameHeight;
    int32_t alphaInFrame;       // the frames carry alpha in their own pixel format
    int32_t alphaBesideColour;  // colour in the left half, alpha in the right half
    int32_t frameMode;          // the caller's setting word; 2: the software path always converts
    int32_t playType;           // 1 once, 3 loops (bit value 2)
    int64_t theoraStartTime;    // microsecond-clock value of frame 0
    intptr_t stream;            // the file the player reads
    Handle soundTrack;          // the file's Vorbis track, -1 when none
    int32_t lastFrameChange;    // milliseconds
    int32_t resume;             // 1 while the movie should be playing
    int32_t stopped;            // 1 while paused, stopped or not started
    int32_t frameUpdated;
    void (*callback)(MovieHandleRecord* movie, void* userData);
    void* userData;
    // Movies played through a filter graph.
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaSeeking* seeking;
    IBasicAudio* audio;
    MovieRendererFilter* renderer;  // owned by the graph
    int64_t duration;               // 100 ns units
    int64_t stopPosition;
    int32_t temporaryFile;  // path names a copy to delete with the movie
    char path[260];
};

typedef void (*MovieFrameCallback)(MovieHandleRecord* movie, void* userData);

// A new movie handle with its frame size; negative on failure.
Handle OpenMovieFile(const void* settings, const char* fileName, int* width, int* height,
                     int option, int setting);
MovieHandleRecord* GetMovieRecord(Handle movie);  // null: bad or loading handle
int SetMovieFrameCallback(Handle movie, MovieFrameCallback callback, void* userData);
int InvalidateMovieSurface(Handle movie);
IDirect3DSurface9* TheoraGetFrameSurface(TheoraState* state);  // null: none
// Non-zero on success.
int TheoraConvertCurrentFrame(TheoraState* state, int makeRgb, int useSurface, int asynchronous);
int ReadMovieSetting(int32_t* out);

}  // namespace DuRud
