// Placeholder of sound handles (deleted when that module is built): no sound
// can be loaded, so every handle is bad and nothing plays.
#include "DuRud.h"
#include "placeholders/missing_module.h"

namespace DuRud {
namespace {
constexpr const char* kModule = "sound handle";
}

Handle LoadSoundFromFile(const char*, int, Handle) {
    return ReportMissingModule(kModule, "LoadSoundFromFile");
}
int PlaySoundHandle(Handle, int, int) {
    return ReportMissingModule(kModule, "PlaySoundHandle");
}
int StopSoundHandle(Handle) {
    return ReportMissingModule(kModule, "StopSoundHandle");
}
int IsSoundPlaying(Handle) {
    return ReportMissingModule(kModule, "IsSoundPlaying");
}
int SetSoundVolume(int, Handle) {
    return ReportMissingModule(kModule, "SetSoundVolume");
}
int SetSoundFrequency(int, Handle) {
    return ReportMissingModule(kModule, "SetSoundFrequency");
}
int SetSoundPositionSamples(int, Handle) {
    return ReportMissingModule(kModule, "SetSoundPositionSamples");
}
int GetSoundPositionSamples(Handle) {
    return ReportMissingModule(kModule, "GetSoundPositionSamples");
}
int SetSoundLoopPoint(int, Handle) {
    return ReportMissingModule(kModule, "SetSoundLoopPoint");
}

}  // namespace DuRud
