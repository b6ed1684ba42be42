// Keyboard codes (the engine's DirectInput numbering) that the world tests
// directly. Some are written in decimal where they are used elsewhere.
#pragma once

inline constexpr int key_code_p = 0x19;  // 25
inline constexpr int key_code_g = 0x22;  // 34
