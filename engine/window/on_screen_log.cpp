// The on-screen log: printf-style text kept in 80 lines and drawn over the
// picture with a font of its own. Main thread only.
#include "window/on_screen_log.h"

#include <cstdarg>
#include <cstring>

#include "DuRud.h"
#include "core/module_calls.h"
#include "window/main_window.h"
#include "window/window_calls.h"

namespace DuRud {
namespace {

constexpr int kLines = 80;
constexpr int kLineBytes = 255;
constexpr int kDefaultSize = 16;

struct OnScreenLog {
    int started = 0;
    Handle font = -1;
    int32_t fontMissing = 1;
    int fontSize = kDefaultSize;
    int shown = 0;
    int tabWidth = 4;
    int currentLine = 0;
    int column = 0;
    int lineWidth = 0;
    char text[kLines][kLineBytes] = {};
};

OnScreenLog g_log;

void CreateLogFont() {
    const WindowModuleCalls& calls = WindowCalls();
    FontCacheSettings settings{};
    calls.GetFontCacheSettings(&settings);
    g_log.font = calls.CreateFontHandle(&settings, nullptr, g_log.fontSize, 4, 1, -1, -1, 0, -1, 0);
    if (g_log.font == -1) return;  // tried again on the next use
    g_log.fontMissing = 0;
    calls.SetFontDeletedFlag(g_log.font, &g_log.fontMissing);
}

int DrawWidth() {
    int width = 640, height = 480;
    Calls().QueryDrawSize(&width, &height);
    return width;
}

int VisibleLines() {
    int width = 640, height = 480;
    Calls().QueryDrawSize(&width, &height);
    const int lines = height / g_log.fontSize;
    return lines < kLines ? (lines > 0 ? lines : 1) : kLines;
}

// Started, with a font: false when the log cannot run.
bool Ready() {
    if (!g_log.started && StartOnScreenLog() != 0) return false;
    if (g_log.fontMissing) CreateLogFont();
    return true;
}

void NewLine() {
    if (VisibleLines() <= g_log.currentLine + 1) {
        for (int i = 1; i <= g_log.currentLine; ++i) {
            std::memcpy(g_log.text[i - 1], g_log.text[i], kLineBytes);
        }
    } else {
        ++g_log.currentLine;
    }
    std::memset(g_log.text[g_log.currentLine], 0, kLineBytes);
    g_log.column = 0;
    g_log.lineWidth = 0;
}

void AddCharacter(const char* bytes, int count) {
    int width = WindowCalls().GetTextWidthWithFont(bytes, count, g_log.font, 0);
    if (width < 0) width = 0;
    if (!(g_log.column + count < kLineBytes && g_log.lineWidth + width < DrawWidth())) {
        NewLine();
    }
    char* line = g_log.text[g_log.currentLine];
    std::memcpy(line + g_log.column, bytes, count);
    g_log.column += count;
    line[g_log.column] = 0;
    g_log.lineWidth += width;
}

void AddText(const char* text) {
    const int charSet = GetEngineCharSet() != 0 ? GetEngineCharSet() : 1;
    for (int i = 0; text[i];) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == 7 || byte == 8 || byte == 11 || byte == 12 || byte == 13 || byte == '?') {
            ++i;
        } else if (byte == '\t') {
            for (int k = 0; k < g_log.tabWidth; ++k) AddCharacter(" ", 1);
            ++i;
        } else if (byte == '\n') {
            NewLine();
            ++i;
        } else if (IsLeadByte(byte, charSet) && text[i + 1]) {
            AddCharacter(text + i, 2);
            i += 2;
        } else {
            // A lead byte right before the end is one byte on its own.
            AddCharacter(text + i, 1);
            ++i;
        }
    }
}

}  // namespace

int StartOnScreenLog() {
    if (!WindowCalls().HasDirectDrawWindow() || !GetMainWindowHandle()) return -1;
    if (g_log.started) return 0;
    g_log.started = 1;
    g_log.fontSize = kDefaultSize;
    g_log.font = -1;
    g_log.fontMissing = 1;
    CreateLogFont();
    g_log.shown = 0;
    g_log.tabWidth = 4;
    g_log.currentLine = 0;
    g_log.column = 0;
    g_log.lineWidth = 0;
    std::memset(g_log.text, 0, sizeof(g_log.text));
    return 0;
}

int EndOnScreenLog() {
    if (!g_log.started) return 0;
    if (!g_log.fontMissing && g_log.font != -1) {
        WindowCalls().DeleteHandle(g_log.font);
    }
    g_log.fontMissing = 1;
    g_log.font = -1;
    g_log.started = 0;
    return 0;
}

int SetOnScreenLogFontSize(int size) {
    if (!Ready()) return 0;
    // A size below 1 would divide by zero in the line count.
    g_log.fontSize = size < 1 ? kDefaultSize : size;
    if (!g_log.fontMissing && g_log.font != -1) {
        WindowCalls().DeleteHandle(g_log.font);
    }
    g_log.font = -1;
    g_log.fontMissing = 1;
    CreateLogFont();
    return 0;
}

int PrintOnScreenLog(const char* format, ...) {
    if (!format || !Ready()) return 0;
    char text[1024];
    va_list args;
    va_start(args, format);
    FormatStringV(text, sizeof(text), format, args);
    va_end(args);
    g_log.shown = 1;
    AddText(text);
    return 0;
}

int ClearOnScreenLog() {
    if (!Ready()) return 0;
    std::memset(g_log.text, 0, sizeof(g_log.text));
    g_log.currentLine = 0;
    g_log.column = 0;
    g_log.lineWidth = 0;
    g_log.shown = 0;
    return 0;
}

int GetOnScreenLogFlag() {
    if (!Ready()) return 0;
    return g_log.shown;
}

int DrawOnScreenLog() {
    if (!Ready()) return 0;
    const WindowModuleCalls& calls = WindowCalls();
    const uint32_t white = calls.MakeColorValue(255, 255, 255);
    const uint32_t black = calls.MakeColorValue(0, 0, 0);
    const int lines = VisibleLines();
    for (int i = 0; i < lines; ++i) {
        calls.DrawTextWithFont(0, g_log.fontSize * i, g_log.text[i], white, g_log.font, black, 0);
    }
    return 0;
}

}  // namespace DuRud
