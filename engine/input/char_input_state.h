// The character-input module's one record, shared by its files: the ring
// (char_input.cpp), the IME bookkeeping (ime_messages.cpp) and the key-input
// strings (key_input.cpp). Main thread only.
#pragma once

#include <cstdint>

#include "DuRud.h"
#include "input/char_input.h"
#include "input/key_input.h"

namespace DuRud {

constexpr int kCompositionBytes = 1024;
constexpr int kClauseEntries = 1024;
constexpr int kAttributeBytes = 1024;

struct CharInputState {
    unsigned char ring[kCharRingSlots];
    int readIndex;
    int writeIndex;
    int composing;
    int compositionCursor;  // in characters
    char composition[kCompositionBytes + 1];
    char savedComposition[kCompositionBytes + 1];
    void* candidateList;  // CANDIDATELIST copy, tracked
    int candidateSize;
    int imeUse;  // kept across InitCharBuffer
    int imeInUse;
    int imeEnabled;  // kept: the last value handed to WINNLSEnableIME
    int imeOpen;
    int compositionLimitSwitch;
    int compositionLimit;
    int imeResetStep;
    uint32_t clauses[kClauseEntries];
    int clauseCount;
    unsigned char attributes[kAttributeBytes];
    int attributeCount;
    int imeMessageSeen;
    uint32_t blinkTime;
    uint32_t blinkPeriod;
    int cursorVisible;
    int inOpenStatusStep;  // the open-status step pumps messages: no re-entry
    Handle activeKeyInput;
    KeyInputRecord keyInputs[kKeyInputRecords];
    char* sharedText;  // the module's shared text block (nothing allocates it here)
};

CharInputState& CharInput();

// 1 when the byte opens a double-byte character of the engine's character
// set; the control codes never do.
int IsCharLeadByte(unsigned char byte);
// Free slots of the ring.
int CharRingFree();

}  // namespace DuRud
