// Shared state of the user stand-in: the window table, window classes and the
// per-thread message queues. One process-wide mutex guards windows and
// classes; each queue has its own. Lock order: the window table first, then a
// queue; no lock is held while a window procedure runs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win_types.h"
#include "win_user.h"

struct SDL_Window;

namespace platform::user {

// Largest client width or height: larger requests are cut to it (Windows too
// limits window sizes), so a hostile size cannot ask for a huge picture.
constexpr int kMaxClientSize = 8192;

struct MessageQueue;

struct WindowClass {
    std::string name;  // as registered
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int windowCount = 0;
};

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    uint64_t due = 0;
    TIMERPROC proc = nullptr;
};

// A message sent from another thread, waiting for the owner to run it.
struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<MessageQueue> sender;  // woken when done
};

struct MessageQueue {
    DWORD threadId = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    bool alive = true;
    DWORD lastMessageTime = 0;
    // Ctrl keys (bit 0 left, bit 1 right) down as of the key messages taken
    // from this queue: TranslateMessage judges a key by the state it was
    // pressed in, not by the keyboard's state when the message is read.
    uint8_t controlKeys = 0;
    uint64_t changes =
        0;  // counts posts, sends, invalidations: a waiter sleeps only when unchanged
};

struct Window {
    HWND handle = nullptr;
    DWORD threadId = 0;
    std::shared_ptr<MessageQueue> queue;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    std::string title;  // code page 932
    DWORD style = 0;
    DWORD exStyle = 0;
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    RECT client{};  // client area in screen coordinates
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool shownOnce = false;
    bool destroying = false;
    bool gone = false;        // set under the queue's mutex once sends can no longer reach it
    bool fullscreen = false;  // shown full-screen on the desktop, picture scaled
    bool hasInvalid = false;
    bool erase = false;
    RECT invalid{};  // client coordinates
    bool acceptFiles = false;
    // The client picture (X8R8G8B8), what the window shows.
    std::vector<uint32_t> picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
    uint64_t presents = 0;
    bool pictureDirty = false;
    // Set after a whole-picture write on the video thread that went only to
    // SDL's window surface: `picture` is stale and the words live at
    // `surfacePixels` (rows `surfacePitch` bytes apart) until
    // MaterialisePicture copies them back. Only the video thread sets it, and
    // it asks SDL for the window surface (which may free the old one) only
    // after materialising or while overwriting the whole picture, all under
    // the window table's lock, so other threads may read the words there.
    bool pictureInSurface = false;
    const uint8_t* surfacePixels = nullptr;
    int surfacePitch = 0;
    uint64_t registrySerial = 0;  // entry of the machine-wide window registry
};

struct UserGlobals {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<Window>> windows;
    std::map<std::string, std::shared_ptr<WindowClass>> classes;  // key: lower-case name
    uintptr_t nextSerial = 1;
    HWND active = nullptr;  // active (and foreground) window of this process
    HWND focus = nullptr;
    bool appActive = false;  // WM_ACTIVATEAPP state last sent
    std::map<DWORD, std::weak_ptr<MessageQueue>> queues;
};

UserGlobals& Globals();

// The calling thread's id (the same value GetWindowThreadProcessId reports).
DWORD CurrentThreadId();

// The calling thread's queue, made on first use.
std::shared_ptr<MessageQueue> CurrentQueue();

// The queue of a thread, or null when the thread has none.
std::shared_ptr<MessageQueue> QueueOfThread(DWORD threadId);

// The live window behind a handle, or null with ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> GetWindow(HWND handle);

// Every live window of the process (a snapshot).
std::vector<std::shared_ptr<Window>> AllWindows();

// Lower-case copy for class-name matching (ASCII letters only).
std::string LowerName(const char* name);

// Posts into a queue and wakes it; false when the queue is full or gone.
bool PostToQueue(const std::shared_ptr<MessageQueue>& queue, const MSG& msg);

// Puts a message at the head of the calling thread's queue (TranslateMessage).
void PostToFront(const MSG& msg);

// Calls the window procedure directly (on the owner thread).
LRESULT CallProcedure(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam,
                      LPARAM lParam);

// --- clock seam: the one platform clock, in milliseconds --------------------------
uint64_t NowMs();
// Waits (queue mutex held) until the queue changes from `changesSeen` or gets a
// sent message, or until deadlineMs (UINT64_MAX: none), or for at most a few
// milliseconds when the thread must poll SDL. Runs on the layer's clock.
void WaitOnQueue(std::unique_lock<std::mutex>& lock, MessageQueue& queue, uint64_t deadlineMs,
                 bool pollSdl, uint64_t changesSeen);

// --- SDL video -------------------------------------------------------------------------
// Starts SDL video and events once per process; false (with the reason logged to
// stderr) when SDL cannot start. Records the video thread.
bool EnsureVideo();
bool OnVideoThread();
bool VideoStarted();
// Whether SDL video runs on an X server (the x11 driver).
bool VideoOnXServer();
// On an X server, gives a window just shown the keyboard focus when asked
// and waits (briefly) for the server's answers: the expose of the mapping,
// taken from SDL's queue, and the focus. False when no expose came (or no X).
bool AwaitMapping(const Window& window, bool focus);
// Turns pending SDL events into messages; only on the video thread.
void PumpSdlEvents();
// Pushes a changed picture to the SDL window; only on the video thread.
void FlushPicture(const std::shared_ptr<Window>& window);

// Maps a position in the SDL window to client pixels (differs only for a
// full-screen window whose picture is scaled onto the desktop).
POINT SdlToClient(const Window& window, int x, int y);
// Records where the cursor is (screen coordinates, after clipping) and returns
// the clipped position.
POINT TrackCursor(POINT screen);
// Files dropped onto a window: the posted WM_DROPFILES handle (null when empty).
HDROP MakeDrop(const std::vector<std::string>& utf8Paths, POINT clientPoint);

// --- typed text --------------------------------------------------------------------
// Posts committed text (UTF-8) to the window as WM_CHAR code page 932 bytes.
void PostTypedText(const std::shared_ptr<Window>& window, const char* utf8);
// Starts SDL's text input while a window has the keyboard, stops it otherwise.
void FollowTextInputFocus(bool focused);

// --- activation (sent messages) ----------------------------------------------------
void ActivateWindow(const std::shared_ptr<Window>& window, bool minimizedFlag);
void DeactivateWindow(const std::shared_ptr<Window>& window, bool minimizedFlag);

// --- show state: the messages Windows sends when the state changes -----------------
void SetMinimized(const std::shared_ptr<Window>& window);
void SetMaximized(const std::shared_ptr<Window>& window);
void SetRestored(const std::shared_ptr<Window>& window);
// Wakes the owner queue of a window (an invalidation or a timer changed).
void WakeQueue(const std::shared_ptr<MessageQueue>& queue);

// --- geometry ----------------------------------------------------------------------------
RECT WindowRectOf(const Window& window);
void SetClientGeometry(const std::shared_ptr<Window>& window, int x, int y, int width, int height,
                       bool sendMessages);
void ResizePicture(Window& window, int width, int height);

// Brings a picture that lives in SDL's window surface back into `picture`;
// nothing when it is already there. The window table's lock is held.
void MaterialisePicture(Window& window);

// --- timers and painting (called by message retrieval with no lock held) ------------
bool TakeTimerMessage(MessageQueue& queue, HWND filter, UINT min, UINT max, bool remove, MSG* out);
uint64_t NextTimerDue(MessageQueue& queue);
void KillWindowTimers(HWND window);
// Whether the calling thread has a timer (window, id) with this procedure.
bool IsLiveTimerProc(HWND window, UINT_PTR id, TIMERPROC proc);
bool TakePaintMessage(DWORD threadId, HWND filter, UINT min, UINT max, MSG* out);
bool MessageInFilter(UINT message, UINT min, UINT max);
bool WindowInFilter(HWND messageWindow, HWND filter);

// --- key table -------------------------------------------------------------------------
struct KeyInfo {
    BYTE virtualKey;  // what key messages carry (VK_SHIFT, not VK_LSHIFT)
    BYTE sideKey;     // the left/right key of modifiers, else 0
    BYTE scanCode;    // Windows scan code (set 1)
    bool extended;
};
// The virtual key, Windows scan code and extended flag of an SDL scancode (vk 0: none).
KeyInfo KeyFromScancode(int sdlScancode);
// The SDL scancode of a key position (scan code, | 0x80 when extended: the
// DirectInput key code), or -1.
int ScancodeFromPosition(int position);
// Runs the scripted input whose virtual time has come (called by the pumps).
void DeliverScheduledInput();
// The calling thread's first live window that SDL shows, or null.
HWND PumpingWindow();
// SIGTERM, SIGINT and SIGHUP become a close request for the main window
// (installed when video starts); the video thread's pump delivers it once.
void InstallTerminationRequests();
void DeliverTerminationRequest();
// Records a key going down or up in the key state table; returns whether it was down.
bool RecordKey(const KeyInfo& key, bool down);
bool IsKeyDown(BYTE virtualKey);
void ResetKeyState();

// --- raw input: what DirectInput devices read ----------------------------------------------
// Key state by key position: index = scan code, | 0x80 for extended keys; bit 7 down.
void CopyKeyPositions(BYTE out[256]);
// Mouse motion (pixels) and wheel (WHEEL_DELTA units) summed since the program started;
// readers keep the totals of their last read and take the difference.
struct MouseTotals {
    int64_t x = 0;
    int64_t y = 0;
    int64_t wheel = 0;
};
void AddMouseMotion(int dx, int dy);
void AddMouseWheel(int delta);
MouseTotals GetMouseTotals();
// Told, with no lock of this layer held, whenever a key or the mouse changed.
enum class RawInputKind { Keyboard, Mouse };
using RawInputListener = void (*)(RawInputKind kind);
void SetRawInputListener(RawInputListener listener);
void NotifyRawInput(RawInputKind kind);

// --- machine-wide window registry (FindWindowA across processes) ------------------------
uint64_t RegistryAdd(const std::string& className, const std::string& title);
void RegistryUpdateTitle(uint64_t serial, const std::string& className, const std::string& title);
void RegistryRemove(uint64_t serial);

// --- display ------------------------------------------------------------------------------
// Width, height and bits of the recorded display mode (the desktop until changed).
void CurrentDisplayMode(int* width, int* height, int* bits, int* frequency);
// Shows pop-up windows that cover the recorded (non-desktop) mode full-screen,
// and others as windows again.
void RefreshFullscreenWindows();

// --- text edges ----------------------------------------------------------------------------
std::string Cp932ToUtf8(const std::string& text);
std::string Utf8ToCp932(const std::string& text);

// --- resets for tests ------------------------------------------------------------------------
void ResetUserKnobs();

}  // namespace platform::user
