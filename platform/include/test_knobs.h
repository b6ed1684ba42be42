// Knobs and hooks for tests: every switch the tests use to steer the platform
// layer (hidden modules, the virtual clock, captured output, ...). Each knob
// also has an environment variable for whole-program runs (see README).
#pragma once

#include <cstddef>
#include <string>

#include "win_types.h"

// Restores every knob to its default. The test support calls it around every test.
void KnobResetAll();

// Reads the VESSAMIRE_* environment variables into the knobs. The process
// entry calls it once before WinMain.
void KnobApplyEnvironment();

// --- modules: run-time loaded stand-in libraries ---------------------------
// Makes a module absent: LoadLibraryA / GetModuleHandleA fail with
// ERROR_MOD_NOT_FOUND. Env VESSAMIRE_HIDE=d3d9.dll,dsound.dll
void KnobHideModule(const char* name, bool hidden);
// Makes one export absent: GetProcAddress gives null with ERROR_PROC_NOT_FOUND.
void KnobHideExport(const char* module, const char* name, bool hidden);
// Outstanding LoadLibraryA loads of a module; -1 for an unknown name.
int KnobModuleLoadCount(const char* name);

// --- sound: the compression manager ---------------------------------------
// PCM bytes every compression manager stream has produced since the process started.
long KnobAcmConvertedBytes();

// --- process: debugger output, desktop composition, common controls --------
// Collects OutputDebugStringA text (code page 932 bytes); switching clears it.
void KnobCaptureDebugOutput(bool on);
std::string KnobDebugOutput();
// Copies debugger output to stderr as UTF-8. Env VESSAMIRE_DEBUG_OUTPUT=1
void KnobDebugOutputToStderr(bool on);
// The last DwmEnableComposition action, -1 when never called.
int KnobDesktopComposition();
// How often InitCommonControls(Ex) succeeded.
int KnobCommonControlsInitialised();

// --- clock (kernel) -----------------------------------------------------------
// Switches the layer's one clock between real time and the virtual clock,
// which moves only when the program sleeps or waits (see platform/win32/clock.h).
// Env: VESSAMIRE_VIRTUAL_CLOCK=1. Reset: real time.
void KnobSetVirtualClock(bool on);
bool KnobVirtualClock();
// The strict virtual clock: switches the virtual clock on, and a participant
// busy outside the layer then holds it back for as long as it stays busy (no
// real-time slice); false leaves strict mode. Env VESSAMIRE_VIRTUAL_CLOCK=strict.
// Reset: off.
void KnobVirtualClockStrict(bool on);
// The virtual clock's reading, set at its start (VESSAMIRE_VIRTUAL_CLOCK_START,
// ms; without it the clock starts at the machine's uptime), and moved forward
// to a later reading (false when it already stands past it).
void KnobVirtualClockStart(int64_t ms);
bool KnobVirtualClockMoveTo(int64_t ms);

// --- files (kernel): ReadFile gate and counter ----------------------------------
// While held, every ReadFile call waits (before touching the file) until the
// hold is released. No environment variable: only tests hold reads.
// Reset: released, count 0.
void KnobHoldReadFile(bool hold);
// ReadFile calls waiting at the hold now.
int KnobReadFileWaiting();
// Waits until at least `count` ReadFile calls wait at the hold; false when the
// hold was released first.
bool KnobWaitForHeldReadFile(int count);
// ReadFile calls made since the last reset (any handle, any thread).
long KnobReadFileCallCount();
void KnobResetReadFileCallCount();

// --- windows ------------------------------------------------------------------
// Windows, messages and display (user/GDI/shell). Scripted input is pushed as
// SDL events, so it takes the same path as real input on the next pump.
#include <cstdint>
#include <vector>

// RegisterClassA / CreateWindowExA fail (ERROR_NOT_ENOUGH_MEMORY).
// VESSAMIRE_REFUSE_REGISTER_CLASS=1, VESSAMIRE_REFUSE_CREATE_WINDOW=1
void KnobRefuseRegisterClass(bool refuse);
void KnobRefuseCreateWindow(bool refuse);

// The display modes EnumDisplaySettingsA lists, as "640x480x16@60,800x600x32"
// (rate optional, 60 Hz); null restores the default list. False for bad text.
// VESSAMIRE_DISPLAY_MODES
bool KnobDisplayModes(const char* modes);

// Colour depth of the desktop mode (0: 32 bits). VESSAMIRE_DESKTOP_BITS=24
void KnobDesktopBits(int bits);

// Namespace of the machine-wide window registry that FindWindowA searches in
// other processes. VESSAMIRE_WINDOW_NAMESPACE (default "default"); the reset
// gives each test process a namespace of its own.
void KnobWindowNamespace(const char* name);

// The client area as it was last shown, X8R8G8B8 (top byte 0), rows top first.
bool KnobCaptureWindow(HWND window, std::vector<uint32_t>* pixels, int* width, int* height);
// Number of pictures shown in the window so far.
uint64_t KnobWindowPresentCount(HWND window);

// Window events as the desktop would send them.
enum class KnobWindowEventKind {
    FocusGained,
    FocusLost,
    Minimise,
    Restore,
    Maximise,
    Close,
    Expose,
    Move,
    Resize
};
bool KnobWindowEvent(HWND window, KnobWindowEventKind kind, int data1 = 0, int data2 = 0);
// A key by SDL scancode (SDL_SCANCODE_*), typed text (UTF-8), the mouse (client
// coordinates; buttons SDL_BUTTON_*), the wheel (notches) and dropped files.
bool KnobWindowKey(HWND window, int sdlScancode, bool down, bool repeat = false);
// A key by its DirectInput code (DIK_*: the scan code, 0x80 for extended
// keys); false for a code no key has.
bool KnobWindowKeyCode(HWND window, int directInputCode, bool down);
// A window event or a key held back until the clock reads atMs, then given to
// the pumping thread's window by its first PeekMessage or GetMessage at or
// after that time (VESSAMIRE_CLOSE_AT_MS schedules a close).
void KnobScheduleWindowEvent(int64_t atMs, KnobWindowEventKind kind);
bool KnobScheduleKeyCode(int64_t atMs, int directInputCode, bool down);
bool KnobWindowText(HWND window, const char* utf8);
bool KnobWindowMouseMove(HWND window, int x, int y);
bool KnobWindowMouseButton(HWND window, int sdlButton, bool down, int x, int y, int clicks = 1);
bool KnobWindowWheel(HWND window, int x, int y);
bool KnobWindowDrop(HWND window, const char* const* utf8Paths, int count);

// --- d3d9: the software Direct3D 9 device -------------------------------------
#include <string>
#include <vector>

struct IDirect3DSurface9;

// Call trace: each line "Method(key arguments) -> 0xRESULT"; leak lists and
// refused unsupported methods appear here too. Take empties it.
void KnobD3D9Trace(bool on);
std::vector<std::string> KnobD3D9TakeTrace();
// Live objects of a kind ("Texture", "Surface", "Device", ...; null = all).
long KnobD3D9LiveCount(const char* kind);
// Device calls made from a thread other than the device's creator.
long KnobD3D9ForeignThreadCalls();
// Reported and enforced capabilities.
void KnobD3D9ShaderVersions(DWORD vertex, DWORD pixel);  // e.g. 0xFFFE0200, 0xFFFF0200
void KnobD3D9MaxTextureSize(DWORD size);
void KnobD3D9TextureCaps(bool pow2, bool squareOnly, bool nonPow2Conditional);
void KnobD3D9BlendOp(bool on);
void KnobD3D9TssArgTemp(bool on);
// Refuses a format for any use (usage 0) or for uses with any of the bits.
void KnobD3D9RefuseFormat(DWORD format, DWORD usage);
// Admits (or refuses again, the default) lockable default-pool off-screen plain
// surfaces of a YUV FourCC: YV12 (Y rows, then V and U rows at half the pitch),
// YUY2 or UYVY; StretchRect converts them into 32-bit colour.
void KnobD3D9AdmitYuvSurfaces(DWORD fourcc, bool admitted);
void KnobD3D9DesktopFormat(DWORD format);  // X8R8G8B8 (22) or R5G6B5 (23)
// CreateDevice / CreateDeviceEx fail the next n times, or always for a size.
void KnobD3D9FailCreateDevice(int times);
void KnobD3D9FailCreateDeviceEx(int times);
void KnobD3D9FailCreateDeviceForSize(UINT width, UINT height);
// Resource creations after the next n fail with D3DERR_OUTOFVIDEOMEMORY (-1: never).
void KnobD3D9FailResourcesAfter(int count);
// Extra bytes at the end of every surface row.
void KnobD3D9PitchPadding(UINT bytes);
// Every device becomes lost; after regain it waits for Reset.
void KnobD3D9LoseDevices();
void KnobD3D9RegainDevices();
void KnobD3D9RefreshRate(UINT hz);
// Presents made so far (the picture itself: KnobCaptureWindow).
long KnobD3D9PresentCount();
// Registers a shader kernel under the name: a blob whose first comment names
// it (zero-padded) is accepted by CreateVertexShader / CreatePixelShader of
// that kind. It runs nothing: draws with it are refused. Reset: every such
// name unregistered.
void KnobD3D9RegisterTestKernel(const char* name, bool vertex);
// Creating a vertex or pixel shader whose blob names this kernel fails with
// D3DERR_OUTOFVIDEOMEMORY (names add up; reset: none refused).
void KnobD3D9RefuseShaderKernel(const char* name);
// Reads one pixel of any surface (lockable or not) as A8R8G8B8.
bool KnobD3D9ReadPixel(IDirect3DSurface9* surface, UINT x, UINT y, DWORD* argb);

// --- memory (kernel) ----------------------------------------------------------
// Makes the n-th HeapAlloc from now (1 = the next one) fail with
// ERROR_NOT_ENOUGH_MEMORY; later calls succeed again. 0 turns it off.
// Env VESSAMIRE_FAIL_HEAP_ALLOC=n. Reset: off.
void KnobFailHeapAlloc(int n);
// Blocks now live in the process heap (HeapAlloc minus HeapFree).
size_t KnobHeapBlockCount();
// Large blocks (2 MB and more, of the process heap and of the Direct3D
// device's surfaces) are mapped at huge-page boundaries and advised for
// transparent huge pages where the system offers them; off, every block comes
// from the C heap. Env VESSAMIRE_LARGE_BLOCKS=heap turns it off. Reset: on.
void KnobLargeBlocksOff(bool off);
// True when the system offers transparent huge pages (the knob aside).
bool KnobLargeBlocksAvailable();
// Bytes mapped in live large blocks (not part of the C heap's own figures).
size_t KnobLargeBlockBytes();

// --- input: pads ----------------------------------------------------------------
// Pads are SDL virtual joysticks, so the stand-ins read them through SDL's own
// joystick code. No environment variable: only tests attach pads.
// Reset: every attached pad detached.
// Attaches a plain joystick (not a game controller); its SDL device index, or
// -1 when SDL refuses. The rumble it is sent is kept for KnobPadLastRumble.
// `rumble` false: a pad without motors (rumble requests fail).
int KnobPadAttach(int axes, int buttons, int hats, bool rumble = true);
// Attaches a game controller with a rumble: axes and buttons are numbered as
// SDL's controller axes and buttons (A = button 0, left trigger = axis 4,
// triggers start released). Its SDL device index, or -1.
int KnobPadAttachController();
// Detaches the pad KnobPadAttach returned (later pads move down one index).
bool KnobPadDetach(int pad);
// Axis -32768..32767, button 0/1, hat SDL_HAT_* of an attached pad; false for
// a pad or control that does not exist.
bool KnobPadAxis(int pad, int axis, int value);
bool KnobPadButton(int pad, int button, bool down);
bool KnobPadHat(int pad, int hat, int value);
// The last rumble speeds the pad was sent; false when none was sent.
bool KnobPadLastRumble(int pad, int* low, int* high);

// --- input: DirectInput 8 ---------------------------------------------------------
// CoCreateInstance of CLSID_DirectInput8 gives REGDB_E_CLASSNOTREG, as on a
// system without it. Env VESSAMIRE_DINPUT_REFUSE=class. Reset: offered.
void KnobDirectInputRefuseClass(bool refuse);
// One DirectInput method fails with DIERR_GENERIC: "Initialize", "CreateDevice",
// "EnumDevices", "SetDataFormat", "SetCooperativeLevel", "SetProperty",
// "SetEventNotification", "Acquire", "Unacquire", "GetDeviceState",
// "GetDeviceInfo", "Poll", "CreateEffect", "SetParameters", "Start", "Stop";
// for devices of one class (DI8DEVCLASS_POINTER 2, KEYBOARD 3, GAMECTRL 4; 0 any)
// the next `times` calls (-1: every call). False for an unknown method or class.
// Env VESSAMIRE_DINPUT_REFUSE=Acquire:3,CreateDevice (comma list, also "class").
// Reset: nothing refused.
bool KnobDirectInputRefuse(const char* method, int deviceClass, int times = -1);

// --- system: the Windows version ----------------------------------------------------
// The version GetVersionExA reports; false for a major version outside 4..10.
// Env VESSAMIRE_WINDOWS_VERSION=5.1.2600 (Windows XP). Reset: 6.1.7601 (Windows 7 SP1).
bool KnobWindowsVersion(DWORD major, DWORD minor, DWORD build);

// --- ime: the scripted input method ("Imm32.dll") -------------------------------
// The IME composes nothing by itself; these knobs play the user. Each step
// sends the window the WM_IME_* messages Windows sends for it, in Windows'
// order, and gives false (sending nothing) for a window that does not exist,
// bad text (UTF-8 that code page 932 cannot hold), or when the IME is closed
// or switched off through WINNLSEnableIME. No environment variable: only tests
// type through the IME. Reset: enabled, closed, nothing composed, no lists.
#include <string>
#include <vector>

// Opens or closes the IME as the user's toggle key does (WM_IME_NOTIFY
// IMN_SETOPENSTATUS; closing drops a composition).
bool KnobImeOpen(HWND window, bool open);
// Shows a composition: WM_IME_STARTCOMPOSITION when none was running, then
// WM_IME_COMPOSITION with GCS_COMPSTR, GCS_COMPATTR, GCS_COMPCLAUSE,
// GCS_CURSORPOS and GCS_DELTASTART. The cursor and the clause starts (ending
// with the length; empty: one clause) count characters; one attribute
// (ATTR_*) per character, empty: all ATTR_INPUT.
bool KnobImeCompose(HWND window, const char* utf8, int cursorChars,
                    const std::vector<int>& clauseChars = {},
                    const std::vector<BYTE>& attributes = {});
// Commits text: WM_IME_COMPOSITION with GCS_RESULTSTR and GCS_RESULTCLAUSE,
// then WM_IME_ENDCOMPOSITION (preceded by WM_IME_STARTCOMPOSITION when no
// composition was running).
bool KnobImeCommit(HWND window, const char* utf8);
// Drops the composition (WM_IME_COMPOSITION with no parts, WM_IME_ENDCOMPOSITION).
bool KnobImeCancel(HWND window);
// Shows the candidate list (IMN_OPENCANDIDATE the first time, then
// IMN_CHANGECANDIDATE; lParam 1 for list 0) with the selected entry.
bool KnobImeCandidates(HWND window, const std::vector<std::string>& utf8, int selection);
// Closes it (IMN_CLOSECANDIDATE); false when none is shown.
bool KnobImeCloseCandidates(HWND window);
// Candidate-list reads fail while the size query still answers.
void KnobImeFailCandidateRead(bool fail);
// The calls programs made that change the IME, oldest first, one line each:
// "ImmNotifyIME(action, index, value)", "ImmSetOpenStatus(0|1)",
// "ImmSetCompositionStringA(index, UTF-8 text)". Taking empties the list.
std::vector<std::string> KnobImeTakeCalls();

// --- dshow: the DirectShow stand-in ("quartz.dll") ------------------------------------
#include <string>
#include <vector>

// Keeps a stand-in filter out of Connect, Render and RenderFile: "MP3 Decoder",
// "Video Splitter", "Audio Renderer". Env VESSAMIRE_DSHOW_HIDE=MP3 Decoder,...
void KnobDshowHideFilter(const char* name, bool hidden);
// The named stand-in filter ("File Source", "MP3 Decoder", "Video Splitter")
// aborts its stream with EC_ERRORABORT after delivering n samples (-1: off).
// Env VESSAMIRE_DSHOW_ABORT=MP3 Decoder:3
void KnobDshowAbortAfter(const char* name, int samples);
// Lines "Connect filter.pin -> filter.pin -> 0x...", "filter Run -> 0x...".
// Switching clears them. Env VESSAMIRE_DSHOW_TRACE=1 writes them to stderr.
void KnobDshowTrace(bool on);
std::vector<std::string> KnobDshowTakeTrace();
// Samples rendered by the renderer of this graph name (UTF-8) since the reset,
// and a wait for a count on the layer's clock (false on time-out).
long KnobDshowRenderedSamples(const char* renderer);
bool KnobDshowWaitRenderedSamples(const char* renderer, long count, DWORD timeoutMs);
// Live DirectShow objects (filters, pins, allocators, the graph, its clock).
long KnobDshowLiveObjects();

// --- gdi: fonts ("gdi32.dll") ------------------------------------------------------
// No environment variables: only tests steer fonts. Reset: no added files, no
// refusals, counters 0 (the live count stays what it is).
#include <string>

// Adds a font file (UTF-8 path) as an application font: CreateFontA and
// EnumFontFamiliesExA find its faces until the reset. False when FreeType
// cannot open it.
bool KnobFontAddFile(const char* utf8Path);
// CreateFontA / CreateFontIndirectA return NULL (ERROR_NOT_ENOUGH_MEMORY) for
// the next `times` calls asking for the face (code page 932, any case; null:
// any face).
void KnobFontRefuseCreate(const char* face, int times);
// GetGlyphOutlineA gives GDI_ERROR for one character code.
void KnobFontRefuseGlyph(UINT code, bool refuse);
struct KnobFontCounters {
    long creates = 0;           // CreateFontA / CreateFontIndirectA calls
    long glyphBitmaps = 0;      // GetGlyphOutlineA calls given a buffer
    long glyphSizeQueries = 0;  // GetGlyphOutlineA calls without one, and GGO_METRICS
    long liveFonts = 0;         // HFONTs alive now (the stock font not counted)
};
KnobFontCounters KnobFontCounts();
// What an HFONT realised as; false for a handle that is not a font.
struct KnobFontInfo {
    std::string file;  // the real path
    int index = 0;
    int ppem = 0;
    bool emboldened = false;
    bool oblique = false;
    BYTE charset = 0;
};
bool KnobFontInformation(HFONT font, KnobFontInfo* info);

// --- audio: DirectSound, XAudio2 and the mixer -------------------------------------
// The mixed output (44,100 Hz, 16-bit stereo) as it leaves the mixer, one
// pass of 441 frames at a time. No environment variable: only tests read it.
// Reset: capture off and empty.
#include <cstdint>
#include <vector>

struct KnobAudioCounts {
    int objects;  // initialised DirectSound and XAudio2 objects
    int buffers;  // DirectSound buffers, primary ones included
    int voices;   // XAudio2 source and mastering voices
    int outputs;  // output devices open
};

// Starts collecting passes (empties what was collected), stops, reads
// (interleaved left, right) and empties.
void KnobAudioCaptureStart();
void KnobAudioCaptureStop();
std::vector<int16_t> KnobAudioCaptured();
void KnobAudioCaptureClear();
// Waits until the mixer has rendered the passes due by now and `passes` more
// (10 ms each). The waiter sets no deadline of its own, so the virtual clock
// moves pass by pass however slowly a loaded machine runs the mixer (a sleep
// lets the clock pass a mixer that is held up longer than the clock's
// real-time slice). False (at once) when no mixer runs.
bool KnobAudioWaitPasses(int passes);

// One start-up step fails, the next `times` calls (-1: every call): "XAudio2Create",
// "XAudio2Initialize" (2.7), "CreateMasteringVoice" (E_FAIL); "DirectSoundInitialize"
// (DSERR_NODRIVER); "SetCooperativeLevel", "PrimaryBuffer", "SetFormat" (DSERR_GENERIC);
// "CtrlFrequency": buffers asking DSBCAPS_CTRLFREQUENCY (DSERR_CONTROLUNAVAIL);
// "Lock" (DSERR_BUFFERLOST). False for an unknown step.
// Env VESSAMIRE_AUDIO_REFUSE=XAudio2Create,CtrlFrequency (comma list). Reset: none.
bool KnobAudioRefuse(const char* step, int times = -1);
// The n-th secondary buffer or source voice made from now (1 = the next)
// fails with E_OUTOFMEMORY; 0 turns it off. Env VESSAMIRE_AUDIO_FAIL_BUFFER=n.
void KnobAudioFailBuffer(int n);

// Makes a COM class absent: CoCreateInstance gives REGDB_E_CLASSNOTREG.
// Env VESSAMIRE_HIDE_CLASS=47d4d946-62e8-11cf-93bc-444553540000 (comma list).
// Reset: every class offered.
void KnobHideComClass(const GUID& clsid, bool hidden);

// The arguments of the last successful X3DAudioInitialize; false when none.
bool KnobAudioLastX3DAudioInitialize(UINT* mask, FLOAT* speedOfSound);

// Objects alive now.
KnobAudioCounts KnobAudioLive();
