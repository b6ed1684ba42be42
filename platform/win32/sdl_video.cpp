// SDL video for the whole process: started once, by the first window, with
// SDL_InitSubSystem so that sound and pads can add their own subsystems. The
// thread that starts it is the video thread: it creates the windows, pumps
// SDL's events and pushes pictures to the windows.
#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "user_state.h"

namespace platform::user {

namespace {
std::mutex videoMutex;
std::atomic<bool> started{false};
std::atomic<DWORD> videoThread{0};
std::atomic<bool> onXServer{false};

// What a window's mapping brings back from the X server: the expose (taken
// out of SDL's queue) and, when asked for, the keyboard focus (left in it).
struct MapAnswer {
    uint32_t windowId;
    bool exposed;
    bool focused;
};
int TakeMapAnswer(void* userdata, SDL_Event* event) {
    auto* answer = static_cast<MapAnswer*>(userdata);
    if (event->type != SDL_WINDOWEVENT || event->window.windowID != answer->windowId) return 1;
    if (event->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) answer->focused = true;
    if (event->window.event != SDL_WINDOWEVENT_EXPOSED || answer->exposed) return 1;
    answer->exposed = true;
    return 0;
}
}  // namespace

bool EnsureVideo() {
    if (started) return true;
    std::lock_guard<std::mutex> lock(videoMutex);
    if (started) return true;
    // Pictures go to the window surface as they are: without this SDL would
    // probe for an OpenGL renderer on X11 first, which loads a GL driver
    // whose worker threads stay for the rest of the process.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The click that activates a window reaches it, as on Windows (the
    // default answer to WM_MOUSEACTIVATE); SDL would drop it on X11.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return false;
    }
    // SDL's own handlers (installed by whichever subsystem started first)
    // would turn SIGTERM and SIGINT into a quit event no window sees.
    InstallTerminationRequests();
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    SDL_EventState(SDL_DROPBEGIN, SDL_ENABLE);
    SDL_EventState(SDL_DROPCOMPLETE, SDL_ENABLE);
    videoThread = CurrentThreadId();
    const char* driver = SDL_GetCurrentVideoDriver();
    onXServer = driver && std::strcmp(driver, "x11") == 0;
    started = true;
    return true;
}

bool VideoStarted() {
    return started;
}

bool VideoOnXServer() {
    return onXServer;
}

bool OnVideoThread() {
    return started && videoThread == CurrentThreadId();
}

bool AwaitMapping(const Window& window, bool focus) {
    if (!onXServer || !window.sdl) return false;
    // SDL's show returns once the X server has mapped the window; the expose
    // for the new area comes right after, and the focus when it was given.
    // Until the expose, what the window surface shows is lost; a focus event
    // arriving later would undo whatever activation came between.
    if (focus) SDL_SetWindowInputFocus(window.sdl);
    MapAnswer answer{window.sdlId, false, !focus};
    const Uint64 deadline = SDL_GetTicks64() + 500;
    while (!(answer.exposed && answer.focused) && SDL_GetTicks64() < deadline) {
        SDL_PumpEvents();
        SDL_FilterEvents(TakeMapAnswer, &answer);
        if (!(answer.exposed && answer.focused)) SDL_Delay(1);
    }
    return answer.exposed;
}

}  // namespace platform::user
