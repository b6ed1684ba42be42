// DuRud: the engine's public functions, constants and handle types.
// This is all the game may call. Functions are C-style: integers and handles
// in; 0 on success, -1 on failure, or a handle (-1 for none) out.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// The process entry calls the game's WinMain with these (opaque here).
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef char* LPSTR;

namespace DuRud {

// An engine handle: bits 26-30 the handle type, bits 16-25 a check number,
// bits 0-15 the slot index; bit 31 clear. -1 means no handle or failure.
typedef int32_t Handle;

constexpr Handle kInvalidHandle = -1;
constexpr int kResultOk = 0;
constexpr int kResultError = -1;

// Handle types.
enum HandleType : int {
    HandleTypeGraphic = 1,
    HandleTypeSoftImage = 2,
    HandleTypeSound = 3,
    HandleTypeSoftSound = 4,
    HandleTypeMusic = 5,
    HandleTypeMovie = 6,
    HandleTypeMask = 7,
    HandleTypeFont = 8,
    HandleTypeKeyInput = 9,
    HandleTypeNetwork = 10,
    HandleTypeLight = 11,
    HandleTypeShader = 12,
    HandleTypeModelBase = 13,
    HandleTypeModel = 14,
    HandleTypeVertexBuffer = 15,
    HandleTypeIndexBuffer = 16,
    HandleTypeFile = 17,
};

// --- Tracked memory: every engine allocation, with guard copies and a leak dump
// A block records the tail of the source path and the line (-1: none).
void* TrackedAlloc(uint32_t size, const char* file, int line);   // null when memory runs out
void* TrackedCalloc(uint32_t size, const char* file, int line);  // user bytes zeroed
void* TrackedRealloc(void* block, uint32_t size, const char* file, int line);  // null block: alloc
void TrackedFree(void* block);                                                 // null is ignored
int MemDumpAll();  // logs every live block and the totals

// --- Log: "Log.txt", one open-append-close per write, "<ms>:" and TABs per line
int LogWrite(const char* text);  // returns -1 always, so failure paths can return it
int LogText(const char* text);   // the same as LogWrite
int LogFormatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogIndent();
int LogUnindent();           // not below 0
int SetLogOutput(int flag);  // 0 turns the log file off (set before start-up)

// --- Clocks and local time
int32_t GetMillisecondCounter();  // 31-bit milliseconds; -1 without the timer service
int64_t GetMicrosecondCounter(int reserved = 0);  // microseconds; -1 without a clock
int GetLocalTimeFields(int* year, int* month, int* day, int* hour, int* minute, int* second);

// --- Strings: engine 8-bit strings (code page 932 by default)
int GetEngineCharSet();   // 1 Shift-JIS, 2 Korean, 3 Traditional Chinese, 4 Simplified Chinese
int GetEngineCodePage();  // 932, 936, 949, 950 or 0
int IsLeadByte(unsigned char byte, int charSet);  // 1 when the byte starts a double-byte character
char* FindChar(const char* s, int byte);          // outside double-byte characters; null if none
int UpperCaseString(char* s);                     // a-z in place, double-byte characters skipped
int CopyString(char* dst, const char* src);
int CopyStringN(char* dst, const char* src, int n);  // at most n bytes, always a NUL (n + 1 room)
int AppendString(char* dst, const char* src);
int AppendWideString(char16_t* dst, const char16_t* src);
char* FindString(const char* haystack, const char* needle);  // null for an empty haystack
int StringLength(const char* s);
int CompareStrings(const char* a, const char* b);          // 0 equal, else 1
int CompareStringsN(const char* a, const char* b, int n);  // 0 when the first n bytes match
// printf-style into dst of dstSize bytes, truncated and always terminated;
// the characters written, -1 on a bad argument.
int FormatStringV(char* dst, size_t dstSize, const char* format, va_list args);
int FormatString(char* dst, size_t dstSize, const char* format, ...)
    __attribute__((format(printf, 3, 4)));           // returns 0
char* IntToString(int value, char* dst, int radix);  // radix 2-36; "" for another radix
// The code page 932 form of a UTF-8 string literal, converted once and kept
// for the life of the process (the same pointer for the same text);
// characters the code page lacks become '?'.
const char* Cp932Text(const char* utf8Literal);

// --- Memory: byte fill, compare, copy
int FillBytes(void* dst, int value, size_t size);
int FillDwords(void* dst, uint32_t value, size_t count);
int CompareBytes(const void* a, const void* b, size_t size);  // 0 equal, else 1
int CopyBytes(void* dst, const void* src, size_t size);       // forward copy
int MoveBytes(void* dst, const void* src, size_t size);       // overlap-safe

// --- Numbers
void ComputeSinCos(float angle, float* sinOut, float* cosOut);
float ComputePowF(float x, float y);
float ComputeExpF(float x);
float ComputeAcosF(float x);
float ComputeAtan2F(float y, float x);
double ComputeLog10(double x);
float ComputeSqrtF(float x);
int AbsInt(int value);  // INT_MIN stays INT_MIN
float AbsFloat(float value);
int TruncFloatToInt(float value);    // toward zero; NaN and out of range: 0x80000000
int TruncDoubleToInt(double value);  // toward zero; NaN and out of range: 0x80000000
int TruncVec4ToInt4(const float in[4], int out[4]);
int TruncVec4dToInt4(const double in[4], int out[4]);
int MultiplyU64To128(uint64_t a, uint64_t b, uint64_t out[2]);  // out[0] low word
int DivideU128ByU64(const uint64_t dividend[2], uint64_t divisor, uint64_t* quotient);  // /0: 0, -1

// --- Files: plain files or archive members through one file-access table
// Non-zero reads files out of archives where one covers the path (set before
// start-up); 0 reads plain files only. 0.
int SetUseArchive(int flag);
// The key string archives are opened with: its first 12 characters (null:
// none). Set before start-up. 0.
int SetArchiveKey(const char* keyString);
// The full path of `path` against base (null: the current directory) into
// out, which has room for 260 bytes. 0, or -1 with out "" when the result
// would be longer than 259 bytes or a name longer than 255.
int MakeFullPath(const char* path, char* out, const char* base);
// Opens a file for line reading (asynchronous read flag: 0). Queued on the
// asynchronous loader while SetUseAsyncLoad is on. The handle, 0 when the
// file cannot be opened, -1 when no handle can be made. Close it with
// DeleteTypedHandle.
Handle OpenFileHandle(const char* path, int asyncRead);
// One line of at most size - 1 bytes, NUL-terminated, without its CR LF; only
// CR LF ends a line, double-byte characters are never split or taken for a
// line end; a longer line continues with the next call. Its length, or -1 at
// the end of the file or for a bad handle.
int ReadFileHandleLine(char* buffer, int size, Handle handle);

// --- Vector and matrix math: row vectors (p x M), row-major, left-handed
struct Vec3 {
    float x, y, z;
};
struct Vec4 {  // a plane: a x + b y + c z + d = 0
    float a, b, c, d;
};
struct Mat4 {
    float m[4][4];  // m[row][column]; the translation is row 3
};
struct IntRect {  // right and bottom exclusive
    int32_t left, top, right, bottom;
};
int SetMathScreenSize(int width, int height);  // the projections' default aspect
int MakeIdentityMatrix(Mat4* out);
int MultiplyMatrix(Mat4* out, const Mat4* a, const Mat4* b);  // out may be a or b; null: nothing
int TransposeMatrix(Mat4* out, const Mat4* in);
int InvertMatrix(Mat4* out, const Mat4* in);  // -1, out untouched, when |det| < 1e-7
// A negative aspect takes height / width of the screen size (0.75 without one).
int MakePerspectiveMatrix(Mat4* out, float fov, float zNear, float zFar, float aspect);
int MakeOrthoMatrix(Mat4* out, float height, float zNear, float zFar, float aspect);
int MakeViewportMatrix(Mat4* out, float x, float y, float width, float height);
int MakeLookAtMatrix(Mat4* out, const Vec3* eye, const Vec3* target, const Vec3* up);
int MakePlaneFromPoint(Vec4* out, const Vec3* point, const Vec3* normal);
int NormalizeVector(Vec3* out, const Vec3* in);
Vec3* NormalizeXYZ(Vec3* out, float x, float y, float z);
float GetVectorLength(float x, float y, float z);  // 0 below a squared length of 1e-7
int SubtractVector(Vec3* out, const Vec3* a, const Vec3* b);
int CrossVector(Vec3* out, const Vec3* a, const Vec3* b);
int TransformPoint(Vec3* out, const Vec3* in, const Mat4* m);
int TransformVector4(Vec3* out, float* outW, const Vec3* in, float inW, const Mat4* m);
int ClipRect(IntRect* rect, const IntRect* bounds);  // clips in place

// --- Random numbers: MT19937 (unseeded: seed 4357)
int SeedRandom(uint32_t seed);
uint32_t NextRandom();
int GetRandomInt(int max);  // 0..max; for 0x7FFFFFFF a value from -2^31 to 0

// --- Engine life cycle: call on the main thread, in this order
int InitializeEngineLocked();    // 0, or -1 (the program then ends); 0 at once when started
int PumpWindowMessagesLocked();  // 0 while running, -1 once the program must end
int ShutdownEngineLocked();      // 0; nothing when not started
[[noreturn]] void FatalExit(const char* text);  // logs the text, ends the engine, exit code -1
[[noreturn]] void FatalExitFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ClearEndRequestFlag();
int SetEndRequestFlag();
int GetEndRequestFlag();
int SetUseAsyncLoad(int flag);  // non-zero: later loads queue on the asynchronous loader
int GetUseAsyncLoad();          // 1 when on, else 0

// --- Window, message pump and waits (main thread)
// TRUE window, FALSE full screen; chosen before start-up, or switched while
// running. 0, or -1 when the display offers no such mode.
int ChangeWindowMode(int windowed);
int SetMainWindowText(const char* text);  // the caption, also on a live window; 0
int SetMouseCursorVisible(int flag);      // 0 hides, 1 shows; 0
int GetWindowActiveFlag();                // 1 while the window is active
int PumpWindowMessages();                 // 0 while running, -1 once the program must end
// While the window is inactive or minimised (and not set to run in the
// background): pumps until it is active again. 0, or -1 when the program must end.
int WaitWhileInactive();
int WaitMilliseconds(uint32_t milliseconds);  // pumps while more than 4 ms remain; 0
// Waits until every key, pad and mouse button is up, then until one is down,
// pumping; the input bits, 0 when the program must end.
int WaitForAnyInput();

// --- On-screen log: text drawn over the picture with a font of its own
int PrintOnScreenLog(const char* format, ...) __attribute__((format(printf, 1, 2)));  // 0
int ClearOnScreenLog();                // empties the text; 0
int SetOnScreenLogFontSize(int size);  // below 1: 16; 0

// --- Handles: typed, checked handles over per-type record tables
// Every handle record starts with this header; the owner's fields follow it.
struct HandleListNode {
    int32_t value;  // the handle; -1 in a sentinel
    void* data;     // the record; null in a sentinel
    HandleListNode* prev;
    HandleListNode* next;
};
struct HandleHeader {
    int32_t checkNumber;        // 0-1022, the handle's bits 16-25
    int32_t handle;             // the record's own handle value
    int32_t recordSize;         // bytes of the record, this header included
    int32_t* deletedFlag;       // set to -1 by DeleteHandle; null when none
    int32_t asyncPendingCount;  // loads queued or running for the handle
    int32_t ownerWord;          // the owning module's; the manager leaves it alone
    int32_t asyncRequestId;     // queue slot of the pending load request
    HandleListNode node;        // links the record into its type's list
};
typedef void (*HandleInitCallback)(HandleHeader* record);
typedef int (*HandleDeleteCallback)(HandleHeader* record);  // 1 vetoes the deletion
typedef int (*HandleKeepFilter)(HandleHeader* record);      // non-zero keeps the record

constexpr int kHandleTypeCount = 32;
constexpr uint32_t kHandleTypeMask = 0x7C000000u;
constexpr uint32_t kHandleCheckMask = 0x03FF0000u;
constexpr uint32_t kHandleIndexMask = 0x0000FFFFu;

// Types are 0-31; any other type gives -1. The record size must hold a
// HandleHeader; the maximum count is 1 to 65536.
int RegisterHandleType(int type, int recordSize, int maximumCount, HandleInitCallback init,
                       HandleDeleteCallback release, const char* typeName);
int EndHandleType(int type);                // deletes every handle, then unregisters the type
Handle AddHandle(int type, Handle wanted);  // wanted: -1, or a handle issued earlier for the type
int DeleteHandle(Handle handle);            // waits for a running load; 0 also when vetoed
int DeleteTypedHandle(Handle handle);       // the same: a handle of any type
int DeleteAllHandles(int type, HandleKeepFilter keep);  // keep null: all
int ResizeHandleRecord(Handle handle, int recordSize);  // may move the record
HandleHeader* GetHandleRecord(Handle handle);           // null for an invalid handle
int IsHandleAsyncPending(Handle handle);                // 1 loading, 0 loaded, -1 invalid handle
int BeginHandleAsyncLoad(Handle handle, int requestId);
int EndHandleAsyncLoad(Handle handle);
int SetHandleDeletedFlagPointer(Handle handle, int32_t* flag);
int InitHandleList(HandleListNode* head, HandleListNode* tail);
int AddHandleListNode(HandleListNode* head, HandleListNode* node, int32_t value, void* data);
int RemoveHandleListNode(HandleListNode* node);

// --- Graphics: pictures and off-screens as graphic handles (type 1)
struct BaseImage;
Handle LoadGraphic(const char* fileName, int flag = 0);  // -1 when it cannot be read
// count pieces of width x height, across by down from the top left, into handles[].
int LoadDividedGraphic(const char* fileName, int count, int across, int down, int width, int height,
                       Handle* handles, int flag = 0);
Handle CreateDrawableGraphic(int width, int height, int withAlpha);  // a draw target
Handle NewGraphicFromBaseImage(const BaseImage* image, const BaseImage* alphaImage, int flag = 0);
int SetTransparentColor(int red, int green, int blue);  // the key of later loads
int SetTransparentColorToAlpha(int flag);               // later loads turn the key into alpha
int DeleteGraphic(Handle handle);

// --- Network: framed TCP over WinSock, message-driven. Not started in this
// system: processing and the end do nothing, the socket routines return -1.
int NetworkLogError(const char* format, ...) __attribute__((format(printf, 1, 2)));  // -1
int ProcessNetworkMessages(int deleteClosed);                                        // 0
int EndNetwork();                                                                    // 0
int AcceptNetWork();            // the new handle, or -1
int RecvSocket(Handle handle);  // 0 / -1
int SendSocket(Handle handle);  // 0 / -1

// --- input: keyboard (DirectInput key codes 0-255), mouse, joypads -----------
// Pad numbers are 1-based; bit 0x1000 ORs in the keyboard map's keys. Pad bits:
// 1 down, 2 left, 4 right, 8 up, button k at bit k + 4.
int CheckKeyDown(int keyCode);               // 1 down, else 0
int GetAllKeyStates(unsigned char* buffer);  // 256 bytes of 0 or 1; 0
int GetMouseButtons();                       // 1 left, 2 right, 4 middle
int CheckAnyInput(int kinds);                // 1 keys, 2 pads, 4 mouse
int GetJoypadCount();
int GetJoypadInputState(int pad);
int StartJoypadVibration(int pad, int power, int time);  // power 0-1000 or -1; time ms or -1
int StopJoypadVibration(int pad);

// --- graphics: draw target, draw settings, boxes and the screen flip
// Later drawing goes to a draw-target graphic, -2 (the back buffer) or -4 (the
// front screen, repainted every 32 ms); -1 for a bad target.
int SelectDrawTarget(int target);
// Slot 0 is the draw target; slots 1 up bind draw-target graphics for shader
// drawing (-1 where the device has one render target).
int SetRenderTargetSlot(int slot, Handle graphic);
// Copies x1, y1 (inclusive) to x2, y2 (exclusive) of a target (a draw-target
// graphic, or the screen) into the graphic at (destX, destY). 0 or -1.
int CaptureScreenToGraphic(Handle source, int x1, int y1, int x2, int y2, int destX, int destY,
                           Handle graphic);
// The same from the current draw target into a graphic of exactly that size.
int CopyScreenRectToGraphic(int x1, int y1, int x2, int y2, Handle graphic, int unused);
// Run after the device was made again (a lost device); null: every graphic
// is reloaded from its file, memory image or kept image.
typedef int (*GraphicsRestoreCallback)();
int SetRestoreCallback(GraphicsRestoreCallback callback);
int SetBlendMode(int mode, int parameter);              // parameter clamped to 0..255
int SetBrightness(int red, int green, int blue);        // each clamped to 0..255; 255s are neutral
uint32_t MakeColorValue(int red, int green, int blue);  // in the current screen format
// A box from (x1, y1) to (x2, y2) in a colour value, filled or outlined.
int DrawBoxShape(int x1, int y1, int x2, int y2, uint32_t color, int filled);
int FlipScreen();  // flushes the drawing and presents the back buffer; -1 once the end is requested
// Blend modes 0..16, alpha-test compare -1 or 1..8, blend types 0..2 and
// sampling modes 0..2: anything else is refused with -1.
int SetDrawAlphaTest(int compareMode, int reference);  // reference clamped to 0..255
int SetBrightnessColor(uint32_t rgb);                  // 0x00RRGGBB
// Graphic -1 clears; type 0 cross-fade (first), 1 wipe (threshold, range), 2 alpha mask.
int SetBlendSourceGraphic(Handle graphic, int blendType, int parameter1, int parameter2);
int SetDrawClip(int x1, int y1, int x2, int y2);  // swapped, then clamped to the target
int SetDepthBufferGraphic(Handle graphic);        // -2: the screen's depth buffer
int SetBackgroundColor(int red, int green, int blue);
int SetWaitVSync(int flag);
int SetHardwareRenderingWanted(int flag);  // before start-up only; -1 once the engine runs
int SplitColorValue(uint32_t color, int* red, int* green, int* blue);
int QueryGraphicSize(Handle graphic, int* width, int* height);  // -2 to -5: the screen
int QueryGraphicTextureSize(Handle graphic, int* width, int* height);
int QueryScreenState(int* width, int* height, int* colorBits);
int IsFullScreen();
int IsSoftwareRenderer();
int QuerySamplingMode();
int QueryWaitVSync();
int QueryDrawTarget();

// --- graphics: drawing whole graphics, parts and rotations (the world's sprites and panels)
// trans turns transparency on; turn mirrors left-right. 0, or -1 for a bad handle.
int SetSamplingMode(int mode);                              // 0 nearest, 1 bilinear for later draws
int DrawGraphicAt(int x, int y, Handle handle, int trans);  // top-left at (x, y)
int DrawGraphicAtF(float x, float y, Handle handle, int trans);  // top-left at a float position
// Centred on (x, y), scaled, rotated by angle radians.
int DrawGraphicRotated(int x, int y, double scale, double angle, Handle handle, int trans,
                       int turn);
// The width x height piece from (srcX, srcY) with its top-left at (x, y); -1 below 1 pixel.
int DrawGraphicPart(int x, int y, int srcX, int srcY, int width, int height, Handle handle,
                    int trans, int turn);

// --- graphics: screen mode and the stretched draw (the game shell)
// The screen (window client or display mode) size, colour bits and refresh
// rate; set before start-up. 0, or -1 for a mode the display lacks.
int SetScreenMode(int width, int height, int colorBits, int refreshRate);
// The whole graphic with its top-left on (x1, y1) and its bottom-right on
// (x2, y2); x1 > x2 or y1 > y2 mirrors it. 0, or -1 for a bad handle.
int DrawGraphicStretched(int x1, int y1, int x2, int y2, Handle handle, int trans);

// --- graphics: 3D camera, matrices, fog and lights (handle type 11)
// The camera looks from the position at the target; up need not be square to
// the view. -1 (nothing changed) when position = target or up lies along it.
int SetCameraPositionAndTargetAndUp(float px, float py, float pz, float tx, float ty, float tz,
                                    float ux, float uy, float uz);
int SetCameraScreenCenter(float x, float y);  // where the view's axis meets the screen
int SetCameraNearFar(float zNear, float zFar);
int SetCameraPerspective(float fieldOfView);      // radians; perspective projection
int SetCameraAspectScale(float scale);            // times draw height / draw width
int SetUserProjectionMatrix(const Mat4* matrix);  // the caller's projection from now on
int SetWorldMatrix(const Mat4* matrix);
int SetViewMatrix(const Mat4* matrix);
int SetProjectionMatrix(const Mat4* matrix);
int SetViewportMatrix(const Mat4* matrix);
// The world position of a screen position (z 0 near, 1 far); -1 when the
// matrices cannot be inverted.
int ConvScreenPosToWorldPos(Vec3* out, float x, float y, float z);
int SetUseZBuffer3D(int flag);  // 3D draws test and write the depth buffer
int SetUseZBuffer(int flag);    // 1: device depth test on; -1 without a device
int SetFogMode(int mode);       // Direct3D fog mode (3 linear)
int SetFogColor(int red, int green, int blue);
int SetFogStartEnd(float start, float end);
int SetUseLighting(int flag);  // 0 sends no light; the lights are kept
// A directional light along (x, y, z); -1 for a zero direction or when 4096
// lights exist.
Handle CreateDirectionalLight(float x, float y, float z);
int DeleteLight(Handle light);  // -1 for a bad handle
int DeleteAllLights();          // every light but the default one
int ApplyLights();              // hands the enabled lights to the device's light slots
float DotVector(Vec3 a, Vec3 b);
Vec3 DiffVector(Vec3 a, Vec3 b);  // a - b
Vec3 ScaleVector(Vec3 v, float scale);
Vec3 TransformVector(Vec3 v, const Mat4* m);  // with the translation
Vec3 TransformNormal(Vec3 v, const Mat4* m);  // without it

// --- graphics: shaders (type 12), vertex and index buffers (types 15, 16)
int QueryShaderVersion();  // 0 (no shaders), 200 or 300
// A shader from compiled code (its version token tells vertex from pixel);
// queued while SetUseAsyncLoad is on. -1 without shader support.
Handle CreateShaderFromMemory(const void* code, int size);
int SetUserVertexShader(Handle shader);  // 0 or below clears; -1 for a bad handle
int SetUserPixelShader(Handle shader);
int SetUserShaderTexture(int slot, Handle graphic);  // slot 0..15; graphic -1 clears
// count elements from data into the buffer at start; -1 for a bad handle or
// a range outside the buffer.
int SetVertexBufferData(int start, const void* data, int count, Handle buffer);
int SetIndexBufferData(int start, const uint16_t* data, int count, Handle buffer);

// --- fonts: the default font and formatted string drawing (the game's text calls)
int SetDefaultFontSize(int size);            // -1: 16; 0
int SetDefaultFontThickness(int thickness);  // -1: 6; 0
// Formats (printf-style, at most 2047 bytes) and draws the text in the
// default font at (x, y) in a colour value. 0 or -1.
int DrawFormattedText(int x, int y, uint32_t color, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// --- sound handles (handle type 3): loading and playback
// Loads a sound file into a handle with bufferCount buffers (up to that many
// overlapping plays); shareHandle -1: no shared stream buffer. The handle, or -1.
Handle LoadSoundFromFile(const char* fileName, int bufferCount, Handle shareHandle);
// Play types: 0 waits for the end, 1 returns at once, 3 loops. 0 or -1.
int PlaySoundHandle(Handle handle, int playType, int fromTop);
int StopSoundHandle(Handle handle);                        // 0 or -1
int IsSoundPlaying(Handle handle);                         // 1 playing, 0 stopped, -1 bad handle
int SetSoundVolume(int volume, Handle handle);             // 0-255; 0 or -1
int SetSoundFrequency(int frequency, Handle handle);       // Hz, -1: the data's own rate; 0 or -1
int SetSoundPositionSamples(int position, Handle handle);  // 0 or -1
int GetSoundPositionSamples(Handle handle);                // the play position in samples, or -1
int SetSoundLoopPoint(int position, Handle handle);        // samples, -1 clears; 0 or -1
int SetSoundVolumeHundredthDb(int volume, Handle handle);  // 0-10000 (10000 full); 0 or -1
int GetSoundVolumeHundredthDb(Handle handle);              // 0-10000, or -1
int SetSoundPan(int pan, Handle handle);                   // -10000 left to 10000 right; 0 or -1
int GetSoundPan(Handle handle);
int GetSoundFrequency(Handle handle);                    // Hz (the data's own when none was set)
int SetSoundPositionBytes(int position, Handle handle);  // 0 or -1
int GetSoundPositionBytes(Handle handle);                // -1 for a bad handle
int GetSoundPlayTimeMs(Handle handle);
int GetSoundTotalSamples(Handle handle);
int GetSoundTotalTimeMs(Handle handle);

// --- character input: typed code page 932 bytes and key-input strings (handle type 9)
int InitCharBuffer();
int GetCharCode(unsigned char* out, int consume);  // bytes of the next character: 0, 1 or 2
int CountChars(const char* text, int byteCount);
int ProcessKeyInput();              // 0, -1 when the active key input is invalid
int DeleteKeyInput(Handle handle);  // 0, -1 for an invalid handle
int DeleteAllKeyInputs();
int ResetCursorBlink();

}  // namespace DuRud
