// libFuzzer targets over the game's data files: the four list readers
// (fuzz_lists, the first byte picks the reader) and the stage file with its
// entity placement (fuzz_stages). A bad file must end on the STOP screen,
// which the observer turns into an exception here; anything else (a crash,
// a sanitizer report, a hang) is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/list_files.h"
#include "shell/stage_file.h"
#include "shell/stage_placement.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

namespace {

struct stopped {};

void throw_on_stop(const test_event& e) {
    if (e.kind == test_event_stop) throw stopped{};
}

void read_lists(const uint8_t* data, size_t size) {
    if (size == 0) return;
    void (*const readers[])(line_source&) = {read_file_list, read_entity_list, read_play_list,
                                             read_effect_list};
    text_line_source source(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    reset_list_tables();
    readers[data[0] % 4](source);
}

void read_stage(const uint8_t* data, size_t size) {
    text_line_source source(std::string(reinterpret_cast<const char*>(data), size));
    item_points_placed = 0;
    read_stage_file(source);
    place_stage_entities();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test_observer = throw_on_stop;
    try {
#ifdef FUZZ_STAGES
        read_stage(data, size);
#else
        read_lists(data, size);
#endif
    } catch (const stopped&) {
    }
    return 0;
}
