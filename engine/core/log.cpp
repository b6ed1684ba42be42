// The log writer. A log mutex serialises the open-write-close sequence and
// the shared mid-line and indent state, so lines from several threads arrive
// whole. Line-end conversion (which may allocate tracked memory) happens
// before the mutex is taken: the memory module logs while holding its own
// lock, so allocating under the log mutex could deadlock two threads.
#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <windows.h>

#include "core/string_helpers.h"
#include "core/system_services.h"
#include "core/tracked_memory.h"

namespace DuRud {
namespace {

constexpr int kPathSize = 256;
constexpr size_t kLocalTextLimit = 255;
constexpr size_t kFormatBufferSize = 1024;

struct LogState {
    std::mutex lock;
    int disabled = 0;
    int noTimeStamp = 0;
    int datedName = 0;
    char folder[kPathSize] = {};
    char path[MAX_PATH] = {};
    int32_t startTime = 0;
    int indent = 0;
    int midLine = 0;
};

LogState& Log() {
    static LogState state;
    return state;
}

// Each line feed becomes CR LF until the first one that already follows a
// CR; from there on the text is copied unchanged. Returns the length.
size_t ConvertLineEnds(const char* text, size_t length, char* out) {
    size_t o = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') {
            if (i > 0 && text[i - 1] == '\r') {
                std::memcpy(out + o, text + i, length - i);
                o += length - i;
                break;
            }
            out[o++] = '\r';
        }
        out[o++] = text[i];
    }
    out[o] = 0;
    return o;
}

void WritePiece(HANDLE file, const char* piece, size_t length) {
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE && length > 0)
        WriteFile(file, piece, static_cast<DWORD>(length), &written, nullptr);
    OutputDebugStringA(piece);
}

// Builds "<folder>[\]<name>" into out; false when it does not fit.
bool BuildPath(const char* folder, const char* name, char* out, size_t outSize) {
    const char* separator = EndsWithBackslash(folder, GetEngineCharSet()) ? "" : "\\";
    const int n = std::snprintf(out, outSize, "%s%s%s", folder, separator, name);
    return n > 0 && static_cast<size_t>(n) < outSize;
}

}  // namespace

int SetLogOutput(int flag) {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    log.disabled = (flag == 0) ? 1 : 0;
    return 0;
}

int SetLogFolder(const char* folder) {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    if (!folder || std::strlen(folder) >= sizeof(log.folder)) return -1;
    std::strcpy(log.folder, folder);
    return 0;
}

const char* GetLogFolder() {
    return Log().folder;
}
const char* GetLogFilePath() {
    return Log().path;
}

int SetLogDatedName(int on) {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    log.datedName = on ? 1 : 0;
    return 0;
}

int LogOpen() {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.disabled) return 0;
    char name[64];
    if (log.datedName) {
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        GetLocalTimeFields(&y, &mo, &d, &h, &mi, &s);
        std::snprintf(name, sizeof(name), "Log%d_%d_%d_%d_%d_%d.txt", y, mo, d, h, mi, s);
    } else {
        std::strcpy(name, "Log.txt");
    }
    log.path[0] = 0;
    if (log.folder[0] == 0) return -1;
    if (!BuildPath(log.folder, name, log.path, sizeof(log.path))) {
        log.path[0] = 0;
        return -1;
    }
    DeleteFileA(log.path);
    HANDLE file = CreateFileA(log.path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    CloseHandle(file);
    return 0;
}

int LogStart() {
    const int result = LogOpen();
    LogState& log = Log();
    const int32_t now = GetMillisecondCounter();
    std::lock_guard<std::mutex> guard(log.lock);
    log.indent = 0;
    log.midLine = 0;
    log.startTime = now;
    return result;
}

int LogWrite(const char* text) {
    if (!text || !WinApisLoaded(WinApiLibraryWinmm)) return -1;
    const size_t length = std::strlen(text);
    if (length == 0) return -1;

    // Convert before taking the log mutex (see the top of this file).
    char local[kLocalTextLimit * 2 + 1];
    char* converted = local;
    char* allocated = nullptr;
    size_t convertedLength = 0;
    if (length > kLocalTextLimit) {
        const size_t need = length * 2 + 1;
        if (need <= 0xFFFFFFFFu)
            allocated = static_cast<char*>(TrackedAlloc(static_cast<uint32_t>(need), nullptr, -1));
        converted = allocated;
    }
    if (converted) {
        convertedLength = ConvertLineEnds(text, length, converted);
    } else {
        // No memory for the conversion: the text goes out as it is.
        converted = const_cast<char*>(text);
        convertedLength = length;
    }

    {
        LogState& log = Log();
        std::lock_guard<std::mutex> guard(log.lock);
        if (!log.disabled && log.folder[0] != 0 && log.path[0] != 0) {
            HANDLE file = CreateFileA(log.path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                SetFilePointer(file, 0, nullptr, FILE_END);
                if (log.midLine == 0) {
                    if (!log.noTimeStamp) {
                        // Both values are 31-bit counter readings: subtract modulo 2^31.
                        const uint32_t elapsed = (static_cast<uint32_t>(GetMillisecondCounter()) -
                                                  static_cast<uint32_t>(log.startTime)) &
                                                 0x7FFFFFFFu;
                        char stamp[16];
                        const int n = std::snprintf(stamp, sizeof(stamp), "%u:", elapsed);
                        WritePiece(file, stamp, static_cast<size_t>(n));
                    }
                    if (log.indent > 0) {
                        std::string tabs(static_cast<size_t>(log.indent), '\t');
                        WritePiece(file, tabs.c_str(), tabs.size());
                    }
                }
                WritePiece(file, converted, convertedLength);
                log.midLine = converted[convertedLength - 1] != '\n' ? 1 : 0;
                CloseHandle(file);
            }
        }
    }
    if (allocated) TrackedFree(allocated);
    return -1;
}

int LogText(const char* text) {
    return LogWrite(text);
}

int LogFormatLine(const char* format, ...) {
    char buffer[kFormatBufferSize];
    va_list args;
    va_start(args, format);
    // Leave room for the line feed and the NUL.
    int n = FormatStringV(buffer, sizeof(buffer) - 1, format, args);
    va_end(args);
    if (n < 0) n = 0;
    // Never end on half a double-byte character.
    if (n > 0 && GetCharKindAt(buffer, n - 1, GetEngineCharSet()) == 1) --n;
    buffer[n] = '\n';
    buffer[n + 1] = 0;
    return LogWrite(buffer);
}

int LogFormatLineWide(const char16_t* format, ...) {
    char16_t wide[kFormatBufferSize];
    va_list args;
    va_start(args, format);
    int n = FormatWideStringV(wide, kFormatBufferSize - 1, format, args);
    va_end(args);
    if (n < 0) n = 0;
    wide[n] = u'\n';
    wide[n + 1] = 0;
    char narrow[kFormatBufferSize * 2 + 1];
    if (ConvertWideToMultiByte(932, wide, narrow, sizeof(narrow)) <= 0) return -1;
    narrow[sizeof(narrow) - 1] = 0;
    return LogWrite(narrow);
}

int LogIndent() {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    log.indent += 1;
    return 0;
}

int LogUnindent() {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.indent > 0) log.indent -= 1;
    return 0;
}

int GetLogIndent() {
    return Log().indent;
}

int ResetLogForTest() {
    LogState& log = Log();
    std::lock_guard<std::mutex> guard(log.lock);
    log.disabled = 0;
    log.datedName = 0;
    log.folder[0] = 0;
    log.path[0] = 0;
    log.startTime = 0;
    log.indent = 0;
    log.midLine = 0;
    return 0;
}

}  // namespace DuRud
