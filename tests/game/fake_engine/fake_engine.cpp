// The recording fake of the engine. Every definition is qualified with the
// namespace, so a signature that drifts from DuRud.h fails to build.
#include "fake_engine.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <algorithm>
#include <string_view>

#include "DuRud.h"

namespace fake_engine {
namespace {

struct scripted {
    std::string function;
    std::vector<int> results;
    std::size_t next = 0;
};

struct fake_state {
    bool started = false;  // false until the first reset: the calls before main
    bool quiet = false;
    std::vector<call> startup;
    std::vector<call> recorded;
    std::vector<scripted> scripts;
    unsigned char keys[256] = {};
    int key_down_from[256] = {};  // 0: as keys says
    int key_reads = 0;
    int pad_count = 0;
    int pad_words[16] = {};
    std::size_t startup_draws = 0;
    struct file {
        std::string path, text;
        std::size_t position = 0;
        int handle = 0;  // while open
    };
    std::vector<file> files;
    int next_file_handle = 0x00100000;
    struct handle_states {
        int handle;
        std::vector<int> states;
        std::size_t next = 0;
    };
    std::vector<handle_states> handle_scripts;
    struct graphic_size {
        int handle, width, height;
    };
    std::vector<graphic_size> sizes;
    int next_graphic = first_loaded_graphic;
};
constinit fake_state state;

// Non-zero answers to the seeding draws made before main, spanning the
// engine's range of -2^31..0.
constexpr int startup_draw_results[4] = {-1, -305419896, -2147483647 - 1, -7};

std::string join() {
    return {};
}
template <class T>
std::string text_of(const T& value) {
    return std::to_string(value);
}
std::string text_of(const char* text) {
    return text ? text : "(null)";
}
template <class First, class... Rest>
std::string join(const First& first, const Rest&... rest) {
    std::string s = text_of(first);
    if constexpr (sizeof...(rest) > 0) s += ", " + join(rest...);
    return s;
}

template <class... Args>
void record(const char* name, const Args&... args) {
    if (state.quiet) return;
    (state.started ? state.recorded : state.startup).push_back({name, join(args...)});
}

// The next scripted result of a function, or its "nothing happened" value.
int result_of(const char* function, int nothing) {
    for (scripted& s : state.scripts) {
        if (s.function == function && s.next < s.results.size()) return s.results[s.next++];
    }
    return nothing;
}

}  // namespace

const std::vector<call>& calls() {
    return state.recorded;
}
const std::vector<call>& startup_calls() {
    return state.startup;
}

std::vector<std::string> trace() {
    std::vector<std::string> out;
    for (const call& c : state.recorded) out.push_back(c.name + "(" + c.args + ")");
    return out;
}

void reset() {
    std::vector<call> startup = std::move(state.startup);
    state = fake_state{};
    state.startup = std::move(startup);
    state.started = true;
}

void script(const char* function, std::vector<int> results) {
    state.scripts.push_back({function, std::move(results), 0});
}

void set_recording(bool on) {
    state.quiet = !on;
}

void set_key_state(int key, unsigned char value) {
    if (key >= 0 && key < 256) state.keys[key] = value;
}
void set_key_down_from_call(int key, int n) {
    if (key >= 0 && key < 256) state.key_down_from[key] = n;
}
void set_pad_count(int count) {
    state.pad_count = count;
}
void set_pad_state(int pad, int word) {
    if (pad >= 1 && pad <= 16) state.pad_words[pad - 1] = word;
}

void set_file(const std::string& path, std::string text) {
    state.files.push_back({path, std::move(text)});
}
void script_handle_state(int handle, std::initializer_list<int> states) {
    state.handle_scripts.push_back({handle, states});
}
void set_graphic_size(int handle, int width, int height) {
    state.sizes.push_back({handle, width, height});
}

}  // namespace fake_engine

using fake_engine::record;
using fake_engine::result_of;
using fake_engine::state;

int DuRud::GetRandomInt(int max) {
    record("GetRandomInt", max);
    if (!state.started) {
        return fake_engine::startup_draw_results[state.startup_draws++ % 4];
    }
    return result_of("GetRandomInt", 0);
}

int DuRud::GetAllKeyStates(unsigned char* buffer) {
    record("GetAllKeyStates");
    ++state.key_reads;
    if (buffer) {
        std::memcpy(buffer, state.keys, sizeof(state.keys));
        for (int k = 0; k < 256; ++k) {
            if (state.key_down_from[k] > 0) buffer[k] = state.key_reads >= state.key_down_from[k];
        }
    }
    return result_of("GetAllKeyStates", 0);
}

int DuRud::GetJoypadCount() {
    record("GetJoypadCount");
    return result_of("GetJoypadCount", state.pad_count);
}

int DuRud::GetJoypadInputState(int pad) {
    record("GetJoypadInputState", pad);
    const int word = pad >= 1 && pad <= 16 ? state.pad_words[pad - 1] : 0;
    return result_of("GetJoypadInputState", word);
}

int DuRud::CheckKeyDown(int keyCode) {
    record("CheckKeyDown", keyCode);
    const int down = keyCode >= 0 && keyCode < 256 && state.keys[keyCode] == 1 ? 1 : 0;
    return result_of("CheckKeyDown", down);
}

int DuRud::WaitForAnyInput() {
    record("WaitForAnyInput");
    return result_of("WaitForAnyInput", 0);
}

// Drawing: nothing is drawn, so unscripted calls report failure.
int DuRud::SelectDrawTarget(int target) {
    record("SelectDrawTarget", target);
    return result_of("SelectDrawTarget", -1);
}

int DuRud::SetBlendMode(int mode, int parameter) {
    record("SetBlendMode", mode, parameter);
    return result_of("SetBlendMode", -1);
}

int DuRud::SetBrightness(int red, int green, int blue) {
    record("SetBrightness", red, green, blue);
    return result_of("SetBrightness", -1);
}

// The 32-bit screen's colour value, so recorded colours read as 0xFFRRGGBB.
uint32_t DuRud::MakeColorValue(int red, int green, int blue) {
    record("MakeColorValue", red, green, blue);
    return 0xFF000000u | (static_cast<uint32_t>(red & 0xFF) << 16) |
           (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(blue & 0xFF);
}

int DuRud::DrawBoxShape(int x1, int y1, int x2, int y2, uint32_t color, int filled) {
    record("DrawBoxShape", x1, y1, x2, y2, color, filled);
    return result_of("DrawBoxShape", -1);
}

int DuRud::FlipScreen() {
    record("FlipScreen");
    return result_of("FlipScreen", -1);
}

// Drawing graphics: recorded, nothing drawn.
int DuRud::SetSamplingMode(int mode) {
    record("SetSamplingMode", mode);
    return result_of("SetSamplingMode", -1);
}

int DuRud::DrawGraphicAt(int x, int y, Handle handle, int trans) {
    record("DrawGraphicAt", x, y, handle, trans);
    return result_of("DrawGraphicAt", -1);
}

int DuRud::DrawGraphicAtF(float x, float y, Handle handle, int trans) {
    record("DrawGraphicAtF", x, y, handle, trans);
    return result_of("DrawGraphicAtF", -1);
}

int DuRud::DrawGraphicRotated(int x, int y, double scale, double angle, Handle handle, int trans,
                              int turn) {
    record("DrawGraphicRotated", x, y, scale, angle, handle, trans, turn);
    return result_of("DrawGraphicRotated", -1);
}

int DuRud::DrawGraphicPart(int x, int y, int srcX, int srcY, int width, int height, Handle handle,
                           int trans, int turn) {
    record("DrawGraphicPart", x, y, srcX, srcY, width, height, handle, trans, turn);
    return result_of("DrawGraphicPart", -1);
}

int DuRud::PumpWindowMessagesLocked() {
    record("PumpWindowMessagesLocked");
    return result_of("PumpWindowMessagesLocked", 0);
}

int DuRud::WaitMilliseconds(uint32_t milliseconds) {
    record("WaitMilliseconds", milliseconds);
    return result_of("WaitMilliseconds", 0);
}

// Says so on standard error as well, so a death test can see that the
// engine was ended before the process went.
int DuRud::ShutdownEngineLocked() {
    record("ShutdownEngineLocked");
    std::fputs("fake engine: ShutdownEngineLocked\n", stderr);
    return result_of("ShutdownEngineLocked", 0);
}

// Fonts: the settings are recorded; the formatted text is recorded in place
// of the format and its arguments.
int DuRud::SetDefaultFontSize(int size) {
    record("SetDefaultFontSize", size);
    return result_of("SetDefaultFontSize", 0);
}

int DuRud::SetDefaultFontThickness(int thickness) {
    record("SetDefaultFontThickness", thickness);
    return result_of("SetDefaultFontThickness", 0);
}

int DuRud::DrawFormattedText(int x, int y, uint32_t color, const char* format, ...) {
    char text[2048] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    record("DrawFormattedText", x, y, color, text);
    return result_of("DrawFormattedText", -1);
}

int DuRud::PrintOnScreenLog(const char* format, ...) {
    char text[2048] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    record("PrintOnScreenLog", text);
    return result_of("PrintOnScreenLog", 0);
}

int DuRud::ClearOnScreenLog() {
    record("ClearOnScreenLog");
    return result_of("ClearOnScreenLog", 0);
}

// Sound: nothing is loaded or played, so unscripted calls fail, nothing
// plays and the position stays at the start.
DuRud::Handle DuRud::LoadSoundFromFile(const char* fileName, int bufferCount, Handle shareHandle) {
    record("LoadSoundFromFile", fileName, bufferCount, shareHandle);
    return result_of("LoadSoundFromFile", -1);
}

int DuRud::PlaySoundHandle(Handle handle, int playType, int fromTop) {
    record("PlaySoundHandle", handle, playType, fromTop);
    return result_of("PlaySoundHandle", -1);
}

int DuRud::StopSoundHandle(Handle handle) {
    record("StopSoundHandle", handle);
    return result_of("StopSoundHandle", -1);
}

int DuRud::IsSoundPlaying(Handle handle) {
    record("IsSoundPlaying", handle);
    return result_of("IsSoundPlaying", 0);
}

int DuRud::SetSoundVolume(int volume, Handle handle) {
    record("SetSoundVolume", volume, handle);
    return result_of("SetSoundVolume", -1);
}

int DuRud::SetSoundFrequency(int frequency, Handle handle) {
    record("SetSoundFrequency", frequency, handle);
    return result_of("SetSoundFrequency", -1);
}

int DuRud::SetSoundPositionSamples(int position, Handle handle) {
    record("SetSoundPositionSamples", position, handle);
    return result_of("SetSoundPositionSamples", -1);
}

int DuRud::GetSoundPositionSamples(Handle handle) {
    record("GetSoundPositionSamples", handle);
    return result_of("GetSoundPositionSamples", 0);
}

int DuRud::SetSoundLoopPoint(int position, Handle handle) {
    record("SetSoundLoopPoint", position, handle);
    return result_of("SetSoundLoopPoint", -1);
}

// Start-up and shutdown settings of the shell: recorded; the engine starts
// (0) unless scripted, and the off-screen is graphic handle 0x04010000.
int DuRud::SetBackgroundColor(int red, int green, int blue) {
    record("SetBackgroundColor", red, green, blue);
    return result_of("SetBackgroundColor", 0);
}

int DuRud::ChangeWindowMode(int windowed) {
    record("ChangeWindowMode", windowed);
    return result_of("ChangeWindowMode", 0);
}

int DuRud::SetMainWindowText(const char* text) {
    record("SetMainWindowText", text);
    return result_of("SetMainWindowText", 0);
}

int DuRud::SetMouseCursorVisible(int flag) {
    record("SetMouseCursorVisible", flag);
    return result_of("SetMouseCursorVisible", 0);
}

int DuRud::SetScreenMode(int width, int height, int colorBits, int refreshRate) {
    record("SetScreenMode", width, height, colorBits, refreshRate);
    return result_of("SetScreenMode", 0);
}

int DuRud::SetLogOutput(int flag) {
    record("SetLogOutput", flag);
    return result_of("SetLogOutput", 0);
}

int DuRud::InitializeEngineLocked() {
    record("InitializeEngineLocked");
    return result_of("InitializeEngineLocked", 0);
}

int DuRud::SetOnScreenLogFontSize(int size) {
    record("SetOnScreenLogFontSize", size);
    return result_of("SetOnScreenLogFontSize", 0);
}

int DuRud::SetUseArchive(int flag) {
    record("SetUseArchive", flag);
    return result_of("SetUseArchive", 0);
}

int DuRud::SetArchiveKey(const char* keyString) {
    record("SetArchiveKey", keyString);
    return result_of("SetArchiveKey", 0);
}

DuRud::Handle DuRud::CreateDrawableGraphic(int width, int height, int withAlpha) {
    record("CreateDrawableGraphic", width, height, withAlpha);
    return result_of("CreateDrawableGraphic", 0x04010000);
}

int DuRud::DrawGraphicStretched(int x1, int y1, int x2, int y2, Handle handle, int trans) {
    record("DrawGraphicStretched", x1, y1, x2, y2, handle, trans);
    return result_of("DrawGraphicStretched", -1);
}

// The millisecond clock stands at 0 unless scripted.
int32_t DuRud::GetMillisecondCounter() {
    record("GetMillisecondCounter");
    return result_of("GetMillisecondCounter", 0);
}

// Ends the process as the engine does (exit code -1), saying so on standard
// error for death tests.
void DuRud::FatalExitFormat(const char* format, ...) {
    char text[2048] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    record("FatalExitFormat", text);
    std::fprintf(stderr, "fake engine: FatalExit: %s\n", text);
    std::exit(-1);
}

// Files: the texts given by set_file, read line by line.
DuRud::Handle DuRud::OpenFileHandle(const char* path, int asyncRead) {
    record("OpenFileHandle", path, asyncRead);
    for (auto& f : state.files) {
        if (path && f.path == path) {
            f.position = 0;
            f.handle = state.next_file_handle++;
            return f.handle;
        }
    }
    return 0;
}

int DuRud::ReadFileHandleLine(char* buffer, int size, Handle handle) {
    for (auto& f : state.files) {
        if (f.handle != handle || handle == 0) continue;
        if (f.position >= f.text.size() || size < 2) return -1;
        const std::string_view rest(f.text.data() + f.position, f.text.size() - f.position);
        std::size_t end = rest.find("\r\n");
        std::size_t skip = 2;
        if (end == std::string_view::npos || end > static_cast<std::size_t>(size - 1)) {
            end = std::min(rest.size(), static_cast<std::size_t>(size - 1));
            skip = 0;
        }
        std::memcpy(buffer, rest.data(), end);
        buffer[end] = '\0';
        f.position += end + skip;
        return static_cast<int>(end);
    }
    return -1;
}

int DuRud::DeleteTypedHandle(Handle handle) {
    record("DeleteTypedHandle", handle);
    for (auto& f : state.files)
        if (f.handle == handle) f.handle = 0;
    return 0;
}

// Graphic loads hand out fresh handles; each is loaded unless scripted.
DuRud::Handle DuRud::LoadGraphic(const char* fileName, int flag) {
    record("LoadGraphic", fileName, flag);
    return result_of("LoadGraphic", state.next_graphic++);
}

int DuRud::LoadDividedGraphic(const char* fileName, int count, int across, int down, int width,
                              int height, Handle* handles, int flag) {
    record("LoadDividedGraphic", fileName, count, across, down, width, height, flag);
    for (int i = 0; i < count; ++i) handles[i] = state.next_graphic++;
    return result_of("LoadDividedGraphic", 0);
}

int DuRud::IsHandleAsyncPending(Handle handle) {
    for (auto& h : state.handle_scripts) {
        if (h.handle != handle || h.states.empty()) continue;
        const int answer = h.states[h.next];
        if (h.next + 1 < h.states.size()) ++h.next;
        return answer;
    }
    return handle > 0 ? 0 : -1;
}

int DuRud::QueryGraphicSize(Handle graphic, int* width, int* height) {
    for (const auto& s : state.sizes) {
        if (s.handle == graphic) {
            *width = s.width;
            *height = s.height;
            return 0;
        }
    }
    return -1;
}

int DuRud::SetTransparentColor(int red, int green, int blue) {
    record("SetTransparentColor", red, green, blue);
    return 0;
}

int DuRud::SetTransparentColorToAlpha(int flag) {
    record("SetTransparentColorToAlpha", flag);
    return 0;
}

int DuRud::SetUseAsyncLoad(int flag) {
    record("SetUseAsyncLoad", flag);
    return 0;
}

int DuRud::StartJoypadVibration(int pad, int power, int time) {
    record("StartJoypadVibration", pad, power, time);
    return result_of("StartJoypadVibration", -1);
}
