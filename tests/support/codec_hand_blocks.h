// Microsoft ADPCM blocks and G.711 codes whose samples were worked by hand
// from the codecs' rules, for the compression manager's and the engine's tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "media_fixtures.h"

namespace mediafixtures {

inline std::string Samples(std::initializer_list<int16_t> values) {
    return Bytes(std::vector<int16_t>(values));
}

// Mono, pair 0 (256, 0), delta 16, first sample 100, second 50; codes 1 2 -1 -8.
// Out: 50 100, then 100+16=116 (delta 230*16/256=14 floors to 16), 116+32=148,
// 148-16=132, 132-128=4.
inline const std::string kMsMonoBlock("\x00\x10\x00\x64\x00\x32\x00\x12\xF8", 9);
inline const std::string kMsMonoPcm = Samples({50, 100, 116, 148, 132, 4});
// Stereo: left pair 1 (512, -256), delta 20, samples 1000 then 900; right pair
// 5 (460, -208), delta 100, samples -200 then -300; codes L7 R-7 L4 R0.
// L: (512000-230400)/256=1100, +140=1240 (delta 614*20/256=47);
//    (634880-256000)/256=1480, +188=1668.
// R: (-92000+62400)/256=-115.6 rounds down to -116, -700=-816 (delta 614*100/256=239);
//    (-375360+41600)/256=-1303.75 rounds down to -1304, +0.
inline const std::string kMsStereoBlock(
    "\x01\x05\x14\x00\x64\x00\xE8\x03\x38\xFF\x84\x03\xD4\xFE\x79\x40", 16);
inline const std::string kMsStereoPcm = Samples({900, -300, 1000, -200, 1240, -816, 1668, -1304});
// Mono with the file's own pairs {(0, 0), (128, 128)}: pair 1, delta 16,
// samples 200 then 100; codes 7 0 0 0. (300*128)/256=150, +112=262 (delta 38);
// (462*128)/256=231; (493*128)/256=246.5 rounds down to 246; (477*128)/256=238.
inline const std::string kMsOwnPairsBlock("\x01\x10\x00\xC8\x00\x64\x00\x70\x00", 9);
inline const std::string kMsOwnPairsPcm = Samples({100, 200, 262, 231, 246, 238});
inline const std::vector<std::pair<int16_t, int16_t>> kMsOwnPairs = {{0, 0}, {128, 128}};

inline std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// From the published expansion table: A-law codes with their even bits
// inverted, mu-law codes with every bit inverted.
inline const std::string kALawCodes("\xD5\x55\xD4\xC5\x00\xAA\x2A\x80", 8);
inline const std::string kALawPcm = Samples({8, -8, 24, 264, -5504, 32256, -32256, 5504});
inline const std::string kMuLawCodes("\xFF\x7F\xFE\xEF\x00\x80\x7E\xF0", 8);
inline const std::string kMuLawPcm = Samples({0, 0, 8, 132, -32124, 32124, -8, 120});

}  // namespace mediafixtures
