// The shader package: what it holds once unpacked, how a damaged copy or a
// failed allocation leaves nothing behind, and the base shader objects that
// device start-up makes from it (or refuses step by step).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DuRud.h"
#include "core/handle_manager.h"
#include "core/tracked_memory.h"
#include "files/archive.h"
#include "files/archive_format.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/shader_package.h"
#include "graphics/shader_package_data.h"
#include "graphics/shader_package_names.h"
#include "graphics_fixture.h"
#include "lz_encoder.h"
#include "package_kernels.h"
#include "test_knobs.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

// The kernel a blob names in its first comment.
std::string KernelOf(const void* code, uint32_t size) {
    if (size < 12) return {};
    const auto* bytes = static_cast<const char*>(code);
    return std::string(bytes + 8, strnlen(bytes + 8, size - 8));
}

class ShaderPackage : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleaseShaderPackage();
        SetShaderPackageSource(nullptr);
    }
};

TEST_F(ShaderPackage, BaseArchiveHoldsExactlyTheDrawShaders) {
    ASSERT_EQ(1, UnpackShaderPackage());
    EXPECT_EQ(1, UnpackShaderPackage()) << "already unpacked";
    int members = 0;
    ArchiveForEachFile(
        BaseShaderArchive(),
        [](const Archive*, const unsigned char*, void* n) { ++*static_cast<int*>(n); }, &members);
    EXPECT_EQ(69, members);
    for (const std::string& name : BaseShaderFiles()) {
        const void* code = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(0, ShaderArchiveMember(BaseShaderArchive(), name.c_str(), &code, &size)) << name;
        EXPECT_EQ(name, KernelOf(code, size)) << "a stored member names its own kernel";
    }
    for (const std::string& name : FilterShaderFiles()) {
        const void* code = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(0, ShaderArchiveMember(FilterShaderArchive(), name.c_str(), &code, &size))
            << name;
        EXPECT_EQ(name, KernelOf(code, size));
    }
}

TEST_F(ShaderPackage, CodeTablesHoldTheMixesAndOneModelPair) {
    ASSERT_EQ(1, UnpackShaderPackage());
    char name[32];
    for (int i = 0; i < 256; ++i) {
        const void* code = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(0, MixShaderCode(i, &code, &size)) << i;
        std::snprintf(name, sizeof name, "RGBAMix_Table_%03d", i);
        ASSERT_EQ(name, KernelOf(code, size));
    }
    EXPECT_EQ(-1, MixShaderCode(256, nullptr, nullptr));
    // 196,608 + 622,080 = 818,688 sizes, two of them filled.
    const void* code = nullptr;
    uint32_t size = 0;
    int filled = 0;
    for (int i = 0; i < 196608; ++i) filled += ModelVertexShaderCode(i, &code, &size) == 0;
    for (int i = 0; i < 622080; ++i) filled += ModelPixelShaderCode(i, &code, &size) == 0;
    EXPECT_EQ(2, filled);
    EXPECT_EQ(-1, ModelVertexShaderCode(196608, &code, &size));
    EXPECT_EQ(-1, ModelPixelShaderCode(622080, &code, &size));
    ASSERT_EQ(0, ModelVertexShaderCode(0, &code, &size));
    EXPECT_EQ("Model_VS_0", KernelOf(code, size));
    EXPECT_EQ(0xFFFE0200u, *static_cast<const uint32_t*>(code)) << "a vertex shader";
    ASSERT_EQ(0, ModelPixelShaderCode(0, &code, &size));
    EXPECT_EQ("Model_PS_0", KernelOf(code, size));
}

// The unpacked package is its four blobs and little more: no start kept for
// each of the 818,688 model codes (3.2 MB).
TEST_F(ShaderPackage, UnpackedPackageIsItsBlobsAndLittleMore) {
    int64_t unpacked = 0;
    for (int b = 0; b < kShaderPackageBlobCount; ++b)
        unpacked += ArchiveDecompress(kShaderPackage[b].data, kShaderPackage[b].size, nullptr, 0);
    const int before = MemGetTotalSize();
    ASSERT_EQ(1, UnpackShaderPackage());
    EXPECT_LT(MemGetTotalSize() - before, unpacked + 256 * 1024);
}

TEST_F(ShaderPackage, ReleaseFreesEveryBlock) {
    const int before = MemGetCount();
    ASSERT_EQ(1, UnpackShaderPackage());
    EXPECT_LT(before, MemGetCount());
    EXPECT_EQ(1, ReleaseShaderPackage());
    EXPECT_EQ(before, MemGetCount());
    EXPECT_EQ(nullptr, BaseShaderArchive());
    EXPECT_EQ(-1, MixShaderCode(0, nullptr, nullptr));
}

// A code table of `entries` sizes whose last size runs past the code.
std::vector<unsigned char> TableRunningPastItsCode(int entries) {
    std::vector<unsigned char> table(static_cast<size_t>(entries) * 2 + 16, 0);
    table[0] = 16;                 // entry 0: exactly the 16 bytes behind the table
    table[(entries - 1) * 2] = 1;  // the last entry: one byte more than there is
    return zav::LzPack(table.data(), table.size());
}

TEST_F(ShaderPackage, DamagedCopiesFailWithNothingLeft) {
    const std::vector<unsigned char> mixPastEnd = TableRunningPastItsCode(256);
    const std::vector<unsigned char> modelPastEnd = TableRunningPastItsCode(818688);
    struct Row {
        const char* name;
        int blob;
        int flipAt;  // -1: the blob is replaced
        const std::vector<unsigned char>* replacement;
    } rows[] = {
        {"BaseArchiveSizeByte", kBaseArchiveBlob, 0, nullptr},
        {"MixTableSizeByte", kMixCodeBlob, 1, nullptr},
        {"FilterArchiveSizeByte", kFilterArchiveBlob, 0, nullptr},
        {"ModelTableSizeByte", kModelCodeBlob, 2, nullptr},
        {"MixTableEscapeByte", kMixCodeBlob, 8, nullptr},
        {"MixSizesPastTheCode", kMixCodeBlob, -1, &mixPastEnd},
        {"ModelSizesPastTheCode", kModelCodeBlob, -1, &modelPastEnd},
    };
    for (const Row& row : rows) {
        std::vector<unsigned char> copy(
            kShaderPackage[row.blob].data,
            kShaderPackage[row.blob].data + kShaderPackage[row.blob].size);
        if (row.replacement)
            copy = *row.replacement;
        else
            copy[row.flipAt] ^= 0x01;
        ShaderPackageBlob blobs[kShaderPackageBlobCount];
        std::copy(kShaderPackage, kShaderPackage + kShaderPackageBlobCount, blobs);
        blobs[row.blob] = {copy.data(), copy.size()};
        SetShaderPackageSource(blobs);
        const int before = MemGetCount();
        EXPECT_EQ(0, UnpackShaderPackage()) << row.name;
        EXPECT_EQ(before, MemGetCount()) << row.name;
        EXPECT_EQ(0, ShaderPackageUnpacked()) << row.name;
        SetShaderPackageSource(nullptr);
    }
}

TEST_F(ShaderPackage, EachFailedAllocationLeavesNothing) {
    int failures = 0;
    for (int n = 1; n <= 32; ++n) {
        const int before = MemGetCount();
        KnobFailHeapAlloc(n);
        const int unpacked = UnpackShaderPackage();
        KnobFailHeapAlloc(0);
        if (unpacked) {
            ReleaseShaderPackage();
            break;
        }
        ++failures;
        EXPECT_EQ(before, MemGetCount()) << "allocation " << n;
    }
    EXPECT_GE(failures, 4) << "every buffer of the package is one allocation at least";
    EXPECT_LT(failures, 32) << "the unpack succeeds once the failures are past";
}

// --- the shader objects device start-up makes ----------------------------------

class BaseShaders : public ::testing::Test {
  protected:
    void TearDown() override {
        StopDevice();
        SetShaderPackageSource(nullptr);
    }
    static long ShaderObjects() {
        return KnobD3D9LiveCount("PixelShader") + KnobD3D9LiveCount("VertexShader");
    }
};

TEST_F(BaseShaders, OlderShaderModelsUnpackNothing) {
    const struct {
        const char* name;
        DWORD vertex, pixel;
    } rows[] = {{"PixelShader14", 0xFFFE0200, 0xFFFF0104},
                {"VertexShader11", 0xFFFE0101, 0xFFFF0200}};
    for (const auto& row : rows) {
        KnobResetAll();
        KnobD3D9ShaderVersions(row.vertex, row.pixel);
        RegisterPackageKernels();
        ASSERT_EQ(0, StartDevice()) << row.name;
        EXPECT_TRUE(LogHasInOrder({"プログラマブルシェーダーを使用しません\n"})) << row.name;
        EXPECT_EQ(0, ShaderPackageUnpacked()) << row.name;
        EXPECT_EQ(0, ProgrammableShadersInUse()) << row.name;
        EXPECT_EQ(0, ShaderObjects()) << row.name;
        StopDevice();
    }
}

TEST_F(BaseShaders, DefaultCapabilitiesMakeEveryObject) {
    RegisterPackageKernels();
    ASSERT_EQ(0, StartDevice());
    EXPECT_TRUE(LogHasInOrder({"プログラマブルシェーダーを使用します\n"}));
    EXPECT_EQ(1, ProgrammableShadersInUse());
    // The model pair, 4 plain, 64 blend, the mask shader; and the invert
    // filter's shader handle, which the start-up probe made.
    ASSERT_EQ(1, GetHandleTypeRecord(HandleTypeShader)->count);
    EXPECT_EQ(71 + 1, ShaderObjects());
    EXPECT_EQ(56, KnobD3D9LiveCount("VertexDeclaration"));
    EXPECT_EQ(200, QueryShaderVersion());
    IDirect3DDevice9* device = GetDeviceLayer().device;
    ASSERT_NE(nullptr, device);
    D3DDEVICE_CREATION_PARAMETERS creation{};
    ASSERT_EQ(D3D_OK, device->GetCreationParameters(&creation));
    EXPECT_TRUE(creation.BehaviorFlags & D3DCREATE_MIXED_VERTEXPROCESSING);
    float pixel[4] = {}, vertex[4] = {}, world[16] = {};
    ASSERT_EQ(D3D_OK, device->GetPixelShaderConstantF(0, pixel, 1));
    ASSERT_EQ(D3D_OK, device->GetVertexShaderConstantF(0, vertex, 1));
    ASSERT_EQ(D3D_OK, device->GetVertexShaderConstantF(94, world, 4));
    const float wantPixel[4] = {0.0f, 0.5f, 1.0f, 2.0f}, wantVertex[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(wantPixel[i], pixel[i]) << i;
        EXPECT_EQ(wantVertex[i], vertex[i]) << i;
        for (int j = 0; j < 4; ++j) EXPECT_EQ(i == j ? 1.0f : 0.0f, world[i * 4 + j]) << i << j;
    }
    // Distinct objects per table slot, and each one names its own file.
    EXPECT_NE(PlainPixelShader(0), PlainPixelShader(3));
    EXPECT_NE(BlendPixelShader(0, 0, 0, 0), BlendPixelShader(3, 3, 1, 1));
    EXPECT_EQ(nullptr, ModelVertexShader(1)) << "an empty entry makes no object";
    EXPECT_EQ(ModelVertexShader(0), ModelVertexShader(0));
    EXPECT_EQ(71 + 1, ShaderObjects());
    StopDevice();
    EXPECT_EQ(0, KnobD3D9LiveCount(nullptr));
}

TEST_F(BaseShaders, ARefusedObjectTurnsShadersOffAtItsStep) {
    const struct {
        const char* name;
        const char* refused;
        const char* line;
    } rows[] = {
        {"ModelVertex", "Model_VS_0", "頂点シェーダーオブジェクトの作成に失敗しました\n"},
        {"ModelPixel", "Model_PS_0", "ピクセルシェーダーオブジェクトの作成に失敗しました\n"},
        {"Plain", "ps_nonetex_type2.pso", "基本シェーダーオブジェクトの作成に失敗しました\n"},
        {"Blend", "ps_blend3_type1_igcolor0_igtalpha1.pso",
         "基本シェーダーオブジェクトの作成に失敗しました\n"},
        {"Mask", "ps_mask_blend.pso", "マスク処理用シェーダーオブジェクトの作成に失敗しました\n"},
    };
    for (const auto& row : rows) {
        KnobResetAll();  // drops the kernels the row before registered
        KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
        RegisterPackageKernels(row.refused);
        ASSERT_EQ(0, StartDevice()) << row.name;
        EXPECT_TRUE(LogHasInOrder({row.line, "プログラマブルシェーダーを使用しません\n"}))
            << row.name;
        EXPECT_EQ(0, ProgrammableShadersInUse()) << row.name;
        EXPECT_EQ(0, ShaderObjects()) << row.name << ": the objects made before are released";
        EXPECT_EQ(nullptr, PlainPixelShader(0)) << row.name;
        // Drawing goes on without shaders.
        ASSERT_EQ(0, DrawBoxShape(10, 10, 20, 20, MakeColorValue(200, 100, 50), 1)) << row.name;
        EXPECT_EQ(0xC86432u, ScreenPixel(0, 15, 15)) << row.name;
        StopDevice();
        EXPECT_EQ(0, KnobD3D9LiveCount(nullptr)) << row.name;
    }
}

TEST_F(BaseShaders, APackageThatDoesNotUnpackTurnsShadersOff) {
    std::vector<unsigned char> copy(
        kShaderPackage[kFilterArchiveBlob].data,
        kShaderPackage[kFilterArchiveBlob].data + kShaderPackage[kFilterArchiveBlob].size);
    copy[0] ^= 0x01;
    ShaderPackageBlob blobs[kShaderPackageBlobCount];
    std::copy(kShaderPackage, kShaderPackage + kShaderPackageBlobCount, blobs);
    blobs[kFilterArchiveBlob] = {copy.data(), copy.size()};
    SetShaderPackageSource(blobs);
    KnobD3D9ShaderVersions(0xFFFE0200, 0xFFFF0200);
    RegisterPackageKernels();
    ASSERT_EQ(0, StartDevice());
    EXPECT_TRUE(LogHasInOrder({"シェーダーコードを展開するメモリ領域の確保に失敗しました\n",
                               "プログラマブルシェーダーを使用しません\n"}));
    EXPECT_EQ(0, ShaderPackageUnpacked());
    EXPECT_EQ(0, ShaderObjects());
    ASSERT_EQ(0, DrawBoxShape(10, 10, 20, 20, MakeColorValue(20, 40, 60), 1));
    EXPECT_EQ(0x14283Cu, ScreenPixel(0, 15, 15));
}

}  // namespace
