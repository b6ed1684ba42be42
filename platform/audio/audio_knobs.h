// The audio stand-in's side of its test knobs (test_knobs.h): refusals,
// live counts, the capture of mixed output and the last X3DAudio start-up.
#pragma once

#include <atomic>
#include <cstdint>

#include "win_types.h"

namespace platform::audio {

// True when a test asked this step to fail now (counts the refusal down).
// Steps: "XAudio2Create", "XAudio2Initialize", "CreateMasteringVoice",
// "DirectSoundInitialize", "SetCooperativeLevel", "PrimaryBuffer",
// "SetFormat", "CtrlFrequency", "Lock".
bool StepRefused(const char* step);
// True when this secondary buffer or source voice is the one a test asked to fail.
bool CreationRefused();

// Live objects (initialised DirectSound and XAudio2 objects), secondary and
// primary buffers, voices (source and mastering).
std::atomic<int>& LiveObjects();
std::atomic<int>& LiveBuffers();
std::atomic<int>& LiveVoices();

// Hands a rendered pass to the capture when it is on.
void CapturePass(const int16_t* frames, int count);
bool CaptureOn();

void RecordX3DAudioInitialize(UINT mask, FLOAT speed);

}  // namespace platform::audio
