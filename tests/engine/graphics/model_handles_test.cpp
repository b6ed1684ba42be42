// The 3D model module: start-up by renderer, default textures, material
// textures, buffer chains, deletion order and the physics release.
#include <gtest/gtest.h>

#include <vector>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "graphics/model_handles.h"
#include "graphics/shader_package_names.h"
#include "graphics/surface_readback.h"
#include "graphics_fixture.h"
#include "package_kernels.h"
#include "image/image_loading.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

class ModelHandles : public ::testing::Test {
  protected:
    void Start(int software = 0) {
        ScreenSettings s = WithHandles();
        s.softwareForced = software;
        ASSERT_EQ(0, StartDevice(s));
        ASSERT_EQ(0, StartModels());
    }
    void TearDown() override {
        EndModels();
        StopDevice();
    }
};

// An uncompressed 24-bit TGA, top-left origin, of grey levels.
std::vector<uint8_t> GreyTga(int width, int height, const std::vector<int>& levels) {
    std::vector<uint8_t> t(18, 0);
    t[2] = 2, t[12] = width, t[13] = width >> 8, t[14] = height, t[15] = height >> 8, t[16] = 24;
    t[17] = 0x20;
    for (int i = 0; i < width * height; ++i) t.insert(t.end(), 3, uint8_t(levels[i]));
    return t;
}

ModelMesh Mesh(int vertices) {
    ModelMesh m;
    m.texCoordSets = 1;
    m.positions.assign(size_t(vertices) * 3, 0.0f);
    m.indices = {0, 1, 2};
    return m;
}

TEST_F(ModelHandles, SoftwareRendererRegistersNothing) {
    Start(1);
    EXPECT_FALSE(GetHandleTypeRecord(HandleTypeModelBase)->initialised);
    EXPECT_EQ(-1, RestoreModelTextures());
}

TEST_F(ModelHandles, SineTableAndDefaultPictures) {
    Start();
    EXPECT_EQ(1.0f, ModelSineTable()[16384]);
    EXPECT_EQ(-8.742278e-8f, ModelSineTable()[32768]) << "the sine of float pi";
    const struct {
        const char* name;
        int size;
        int x;
        uint32_t argb;
    } rows[] = {{"white", 84, 7, 0xFFFFFFFFu},  // 24-bit pictures carry no alpha
                {"black", 76, 7, 0},
                {"toon, first run", 172, 63, 0},
                {"toon, second", 172, 64, 0x555555u},
                {"toon, third", 172, 191, 0xAAAAAAu},
                {"toon, last", 172, 255, 0xFFFFFFu}};
    for (int i = 0; i < 6; ++i) {
        int size = 0;
        const uint8_t* picture = DefaultModelTexturePicture(i < 2 ? i : 2, &size);
        EXPECT_EQ(rows[i].size, size) << rows[i].name;
        BaseImage image{};
        ASSERT_EQ(0, LoadBaseImage(nullptr, picture, size, 1, &image, 0)) << rows[i].name;
        EXPECT_EQ(rows[i].argb, GetBaseImagePixelArgb(&image, rows[i].x, 7)) << rows[i].name;
        FreeBaseImagePixels(&image);
    }
}

TEST_F(ModelHandles, RestoresKeepFourDefaultGraphics) {
    Start();
    const int before = GetHandleTypeRecord(HandleTypeGraphic)->count;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(0, RestoreModelTextures());
    EXPECT_EQ(before + 4, GetHandleTypeRecord(HandleTypeGraphic)->count);
    BaseImage out{};
    ASSERT_EQ(0, ReadGraphicToBaseImage(DefaultModelTexture(3), &out, nullptr));
    EXPECT_EQ(0xFF646464u, GetBaseImagePixelArgb(&out, 100, 5)) << "grey ramp column 100";
    FreeBaseImagePixels(&out);
    DeleteGraphic(DefaultModelTexture(0));
    EXPECT_EQ(-1, DefaultModelTexture(0)) << "deletion clears the kept handle";
}

TEST_F(ModelHandles, BuildsNormalMapsAndTextureSides) {
    KnobD3D9MaxTextureSize(256);
    Start();
    std::vector<int> heights(16, 0);
    heights[0] = 255;
    const auto tga = GreyTga(4, 4, heights);
    BaseImage color{}, alpha{};
    ASSERT_EQ(
        0, BuildModelTexture(&color, &alpha, tga.data(), int(tga.size()), nullptr, 0, 1, 1.0f, 0));
    const struct {
        int x, y;
        uint32_t argb;
    } rows[] = {{0, 0, 0x00C9C9C9u}, {3, 0, 0x00257FD9u}, {0, 3, 0x007F25D9u}, {2, 2, 0x007F7FFFu}};
    for (const auto& r : rows)
        EXPECT_EQ(r.argb, GetBaseImagePixelArgb(&color, r.x, r.y)) << r.x << "," << r.y;
    FreeBaseImagePixels(&color);
    const auto wide = GreyTga(300, 200, std::vector<int>(300 * 200, 9));
    ASSERT_EQ(0, BuildModelTexture(&color, &alpha, wide.data(), int(wide.size()), nullptr, 0, 0,
                                   1.0f, 1));
    EXPECT_EQ(128, color.width) << "half of the 256 maximum";
    EXPECT_EQ(128, color.height);
    FreeBaseImagePixels(&color);
    EXPECT_EQ(-1,
              BuildModelTexture(&color, &alpha, "no/such/picture.png", 0, nullptr, 0, 0, 1.0f, 0));
    EXPECT_EQ(nullptr, color.pixels);
}

TEST_F(ModelHandles, BufferChainsSplitAtTheVertexLimit) {
    KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
    Start();
    const long live = KnobD3D9LiveCount("VertexBuffer");
    const struct {
        const char* name;
        std::vector<int> meshes;
        int records;
    } rows[] = {{"six of 65,536", {65536, 65536, 65536, 65536, 65536, 65536}, 2},
                {"six of 65,535", {65535, 65535, 65535, 65535, 65535, 65535}, 1}};
    for (const auto& row : rows) {
        std::vector<ModelMesh> meshes;
        for (int v : row.meshes) meshes.push_back(Mesh(v));
        const Handle base = AddModelBaseForTest(std::move(meshes), {});
        ModelBaseData* data = ModelBaseFromHandle(base)->data;
        ASSERT_EQ(0, BuildModelBaseBuffers(data)) << row.name;
        EXPECT_EQ(row.records, data->recordCount) << row.name;
        KnobD3D9FailResourcesAfter(1);
        EXPECT_EQ(-1, BuildModelBaseBuffers(data)) << row.name;
        KnobD3D9FailResourcesAfter(-1);
        EXPECT_EQ(0, data->recordCount) << row.name;
        EXPECT_EQ(live, KnobD3D9LiveCount("VertexBuffer")) << row.name;
        DeleteHandle(base);
    }
}

TEST_F(ModelHandles, EveryKindAndNormalMapGetsAChainWithShadersInUse) {
    const struct {
        const char* name;
        bool kernels;  // shader objects made: programmable shaders in use
        int chains;
    } rows[] = {{"ShadersInUse", true, 6}, {"ShadersRefused", false, 1}};
    for (const auto& row : rows) {
        KnobResetAll();
        KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
        if (row.kernels)
            RegisterPackageKernels();
        else
            KnobD3D9RefuseShaderKernel(DuRud::kModelVertexKernel);
        Start();
        std::vector<ModelMesh> meshes;
        for (int kind = 0; kind < kModelVertexKinds; ++kind)
            for (int map = 0; map < 2; ++map) {
                ModelMesh m = Mesh(3);
                m.vertexKind = kind;
                m.normalMap = map;
                meshes.push_back(m);
            }
        const Handle base = AddModelBaseForTest(std::move(meshes), {});
        ModelBaseData* data = ModelBaseFromHandle(base)->data;
        ASSERT_EQ(0, BuildModelBaseBuffers(data)) << row.name;
        int chains = 0;
        for (int kind = 0; kind < kModelVertexKinds; ++kind)
            for (int map = 0; map < 2; ++map) chains += data->chains[kind][map][1] != nullptr;
        EXPECT_EQ(row.chains, chains) << row.name;
        DeleteHandle(base);
        EndModels();
        StopDevice();
    }
}

TEST_F(ModelHandles, DeletionOrderAndPhysicsRelease) {
    Start();
    const Handle base = AddModelBaseForTest({Mesh(3)}, {});
    const Handle first = AddModelInstanceForTest(base), second = AddModelInstanceForTest(base);
    ASSERT_EQ(0, BuildTestPhysicsWorld(first, 3, 2));
    EXPECT_EQ(-1, BuildTestPhysicsWorld(second, 2, 2)) << "more joints than neighbours";
    EXPECT_EQ(2, AddModelBaseReference(base));
    DeleteHandle(base);
    ASSERT_NE(nullptr, ModelBaseFromHandle(base)) << "a second reference keeps it";
    DeleteHandle(first);
    ModelBaseData* data = ModelBaseFromHandle(base)->data;
    EXPECT_EQ(1, data->instanceCount);
    EXPECT_EQ(ModelInstanceFromHandle(second), data->firstInstance);
    EXPECT_EQ(data->firstInstance, data->lastInstance);
    EXPECT_EQ(0, EndModels());
    EXPECT_FALSE(GetHandleTypeRecord(HandleTypeModel)->initialised);
}

}  // namespace
