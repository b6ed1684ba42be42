// Puts every knob of the windows area back to its default.
#include "user_state.h"

namespace platform::user {

void ResetClassKnobs();
void ResetWindowKnobs();
void ResetDisplayKnobs();
void ResetRegistryKnobs();
void ResetCursorState();
void ResetSystemParameters();
void ResetScriptedState();
void ResetScheduledInput();
void ResetTerminationRequests();

void ResetUserKnobs() {
    ResetClassKnobs();
    ResetWindowKnobs();
    ResetDisplayKnobs();
    ResetRegistryKnobs();
    ResetCursorState();
    ResetSystemParameters();
    ResetScriptedState();
    ResetScheduledInput();
    ResetTerminationRequests();
}

}  // namespace platform::user
