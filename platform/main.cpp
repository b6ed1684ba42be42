// The process entry: calls WinMain.
#include "windows.h"
#include "test_knobs.h"

int main(int argc, char** argv) {
    KnobApplyEnvironment();
    return WinMain(nullptr, nullptr, const_cast<char*>(""), 10);
}
