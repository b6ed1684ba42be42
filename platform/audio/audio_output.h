// The one SDL output device the mixer plays through. SDL's audio thread is
// no clock participant: its callback only copies rendered passes out of a
// short ring under a plain mutex (silence when empty, the oldest pass
// dropped when full).
#pragma once

#include <cstdint>

namespace platform::audio {

// Passes the output ring holds.
constexpr int kOutputRingPasses = 8;

// Starts SDL audio and opens the device (44,100 Hz 16-bit stereo asked, SDL
// converts). Without a device the passes go nowhere; one line on stderr says so.
void OutputOpen();
// Closes the device and quits SDL's audio subsystem.
void OutputClose();
// Queues one rendered pass (interleaved stereo frames).
void OutputPush(const int16_t* frames, int count);
// Output devices open now (0 or 1).
int OutputOpenCount();

}  // namespace platform::audio
