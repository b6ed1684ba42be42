// Placeholder of MP3 conversion through the conversion graph (deleted when
// that module is built): the last reader reports it is missing and fails.
#include "placeholders/missing_module.h"
#include "sound/sound_convert.h"

namespace DuRud {

int DecodeMp3ToPcm(SoundConvertState*) {
    return ReportMissingModule("MP3 conversion graph", "DecodeMp3ToPcm");
}

}  // namespace DuRud
