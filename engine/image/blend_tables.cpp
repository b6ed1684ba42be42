// The software renderer's lookup tables, built once at graphics start-up.
#include "image/memimg.h"

namespace DuRud {

int32_t MemImgMulTable[256][256];
int32_t MemImgTermMulTable[256][256];
int32_t MemImgSignedMulTable[256][512];
uint8_t MemImgBlend6Table[64][64][64];

int BuildMemImgBlendTables() {
    // C++ division truncates toward zero, which the signed rows need.
    for (int a = 0; a < 256; ++a) {
        for (int k = -255; k <= 255; ++k) MemImgSignedMulTable[a][k + 255] = k * a / 255;
        MemImgSignedMulTable[a][511] = 0;
    }
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            MemImgMulTable[a][b] = a * b / 255;
            MemImgTermMulTable[a][b] = (a * b + 127) / 255;
        }
    }
    for (int w = 0; w < 64; ++w) {
        for (int s = 0; s < 64; ++s) {
            for (int d = 0; d < 64; ++d) {
                MemImgBlend6Table[w][s][d] = uint8_t((s * w + d * (63 - w)) / 63);
            }
        }
    }
    return 0;
}

}  // namespace DuRud
