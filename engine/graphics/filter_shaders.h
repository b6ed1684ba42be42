// The filters' pixel shaders: which one a pass runs (a file of the filter
// archive or a precompiled mix of the code table), its cached handle, and the
// constants it receives from register 0.
#pragma once

#include <cstdint>

#include "DuRud.h"

namespace DuRud {

struct FilterRequest;

// The shader of one pass.
struct FilterShaderChoice {
    const char* file;  // a member of the filter archive, or null for a mix
    int32_t mixIndex;  // 0..255 with file null
    int32_t slot;      // the handle cache slot
    int32_t swapped;   // source and blend trade places for this pass
};

// The choice for a kind, its decoded parameters and the pass; -1 for a
// kind or parameter no shader serves (brightness-clip comparisons other than
// 2 and 5).
int ChooseFilterShader(int twoSource, int kind, const int* params, int pass,
                       FilterShaderChoice* out);
// The cached shader handle of the choice, made on first use; -1 with the
// failure logged.
Handle FilterShaderHandle(const FilterShaderChoice& choice);
// A pixel-shader handle made from a file of the filter archive; -1.
Handle CreateFilterShader(const char* file);

// The pass's constants from register 0 (float4 each); the count, at most
// kMaxFilterConstants.
constexpr int kMaxFilterConstants = 72;
int FilterShaderConstants(const FilterRequest& request, const int* params, int pass,
                          float out[][4]);

}  // namespace DuRud
