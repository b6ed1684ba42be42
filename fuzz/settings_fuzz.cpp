// libFuzzer target over the settings file reader: any bytes as "setting.qvx"
// in a folder of the target's own. Whatever the file holds, what is read lies
// inside the clamps and ranges the game relies on (finite volumes and scale,
// key codes of the key table, pad buttons of the pad word).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "shell/settings.h"

namespace {

std::string g_folder;
int g_home = -1;  // the folder the fuzzer started in, which its corpus paths are relative to

void Check(bool rule) {
    if (!rule) std::abort();
}

void RemoveFolder() {
    std::remove((g_folder + "/" + settings_file_name).c_str());
    rmdir(g_folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory-backed where the machine has it: one file is written per input. The
    // reader opens it in the working folder, entered only around each read.
    g_folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    g_folder += "/fuzz_settings.XXXXXX";
    Check(mkdtemp(g_folder.data()) != nullptr);
    g_home = open(".", O_RDONLY | O_DIRECTORY);
    Check(g_home >= 0);
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen((g_folder + "/" + settings_file_name).c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(data, 1, size, file) == size);
    Check(std::fclose(file) == 0);
    settings_record r;
    Check(chdir(g_folder.c_str()) == 0);
    read_settings(&r);
    Check(fchdir(g_home) == 0);
    Check(r.full_screen == 0 || r.full_screen == 1);
    Check(std::isfinite(r.bgm_volume) && r.bgm_volume >= 0.0 && r.bgm_volume <= 1.0);
    Check(std::isfinite(r.se_volume) && r.se_volume >= 0.0 && r.se_volume <= 1.0);
    Check(std::isfinite(r.screen_scale) && r.screen_scale >= 0.4 && r.screen_scale <= 4.0);
    Check(r.sampling_mode == 0 || r.sampling_mode == 1);
    for (int k = 0; k < 8; ++k) {
        Check(r.key_codes[k] >= 0 && r.key_codes[k] < 256);
        Check(r.pad_buttons[k] >= 0 && r.pad_buttons[k] < 32);
    }
    return 0;
}
