// WinMain of the entry probe: prints what the process entry handed over and
// returns the code asked for by an "exit=N" argument.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "windows.h"

static void printHex(const char* label, const char* text) {
    std::printf("%s=", label);
    for (const char* p = text; *p; ++p) std::printf("%02X", static_cast<unsigned char>(*p));
    std::printf("\n");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    std::printf("instance=%s\n",
                instance && instance == GetModuleHandleA(nullptr) ? "self" : "bad");
    std::printf("previous=%s\n", previous ? "set" : "null");
    std::printf("show=%d\n", showCommand);
    printHex("line", commandLine);
    printHex("full", GetCommandLineA());
    std::printf("dwmapi=%s\n", LoadLibraryA("dwmapi.dll") ? "loaded" : "absent");
    OutputDebugStringA("\x95\x5C\n");  // reaches stderr only when the environment asks
    const char* exitArg = std::strstr(commandLine, "exit=");
    return exitArg ? std::atoi(exitArg + 5) : 0;
}
