// The process entry: reads the knobs' environment, then calls WinMain the way
// Windows does (the program's instance, no previous instance, the arguments
// after the program name as one code page 932 line, SW_SHOWDEFAULT) and ends
// with its result.
#include <string>

#include "test_knobs.h"
#include "win32/process_services.h"
#include "windows.h"

namespace {
constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT
}

int main(int argc, char** argv) {
    KnobApplyEnvironment();
    platform::SetProcessCommandLine(platform::JoinCommandLine(argc, argv));
    std::string arguments =
        argc > 1 ? platform::JoinCommandLine(argc - 1, argv + 1) : std::string();
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, arguments.data(), kShowDefault);
    // Like the Windows runtime: static destructors run, then the process ends.
    return result;
}
