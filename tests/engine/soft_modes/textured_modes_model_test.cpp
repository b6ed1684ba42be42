// Every loop of the textured blend modes 1-4, 10 and 11 (six source kinds,
// every blend image, brightness and transparent combination, through the
// quad and the rotated blit) against the per-pixel model, at the parameters
// where the rules change: 0, 1, 127, 128, 254 and 255.
#include <tuple>

#include "../soft_shapes/shape_model_check.h"

using namespace shapetest;

namespace {

class TexturedModesModel : public ShapeTest,
                           public testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(TexturedModesModel, EveryLoopMatchesTheModel) {
    const auto [mode, p] = GetParam();
    CheckEveryLoop(uint32_t(1000 * mode + p), mode, p);
}

INSTANTIATE_TEST_SUITE_P(ModesAndParameters, TexturedModesModel,
                         testing::Combine(testing::Values(1, 2, 3, 4, 10, 11),
                                          testing::Values(0, 1, 127, 128, 254, 255)),
                         [](const auto& info) {
                             return "Mode" + std::to_string(std::get<0>(info.param)) + "P" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
