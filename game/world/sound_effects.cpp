// Sound effects by name: an exact match first, then a name that carries one
// extra leading character.
#include "world/sound_effects.h"

#include <cstring>

#include "DuRud.h"
#include "world/world_globals.h"

namespace {

const sound_entry_record* find_effect(const char* name) {
    for (const sound_entry_record& entry : sound_entry)
        if (std::strcmp(entry.name, name) == 0) return &entry;
    for (const sound_entry_record& entry : sound_entry)
        if (entry.name[0] != '\0' && std::strcmp(entry.name + 1, name) == 0) return &entry;
    return nullptr;
}

}  // namespace

int play_sound_effect(const char* name) {
    // Unused entries have empty names: an empty name is no effect's.
    const sound_entry_record* entry = name && *name ? find_effect(name) : nullptr;
    if (!entry) return -1;
    DuRud::SetSoundVolume(static_cast<int>(se_volume * 255.0), entry->handle);
    DuRud::PlaySoundHandle(entry->handle, 1, 1);
    return 0;
}
