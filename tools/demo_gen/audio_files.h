// Writers of the demo sounds: WAVE (16-bit, 8-bit, float) and Ogg Vorbis.
#pragma once

#include <cstdint>
#include <vector>

namespace demo {

// Samples are floats in -1..1, interleaved when stereo.
std::vector<unsigned char> wave_pcm16(const std::vector<float>& samples, int channels, int rate);
std::vector<unsigned char> wave_pcm8(const std::vector<float>& samples, int channels, int rate);
std::vector<unsigned char> wave_float(const std::vector<float>& samples, int channels, int rate);
// Ogg Vorbis at the given quality (-0.1 .. 1) with a fixed stream serial.
std::vector<unsigned char> ogg_vorbis(const std::vector<float>& samples, int channels, int rate,
                                      float quality, int serial);
// The same, its level set so that the decoded stream peaks at `peak`: Vorbis
// coding rings on sharp edges and would otherwise overshoot the source.
std::vector<unsigned char> ogg_vorbis_peaking(const std::vector<float>& samples, int channels,
                                              int rate, float quality, int serial, float peak);

}  // namespace demo
