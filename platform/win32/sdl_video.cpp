// SDL video for the whole process: started once, by the first window, with
// SDL_InitSubSystem so that sound and pads can add their own subsystems. The
// thread that starts it is the video thread: it creates the windows, pumps
// SDL's events and pushes pictures to the windows.
#include <SDL.h>

#include <atomic>
#include <cstdio>

#include "user_state.h"

namespace platform::user {

namespace {
std::mutex videoMutex;
std::atomic<bool> started{false};
std::atomic<DWORD> videoThread{0};
}  // namespace

bool EnsureVideo() {
    if (started) return true;
    std::lock_guard<std::mutex> lock(videoMutex);
    if (started) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return false;
    }
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    SDL_EventState(SDL_DROPBEGIN, SDL_ENABLE);
    SDL_EventState(SDL_DROPCOMPLETE, SDL_ENABLE);
    videoThread = CurrentThreadId();
    started = true;
    return true;
}

bool VideoStarted() {
    return started;
}

bool OnVideoThread() {
    return started && videoThread == CurrentThreadId();
}

}  // namespace platform::user
