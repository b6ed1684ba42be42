// Shader handles made from blobs in the device's format, buffer handles'
// checked writes, both rebuilt after a device loss, and the register ranges.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "DuRud.h"
#include "core/async_loading.h"
#include "core/handle_manager.h"
#include "graphics/buffer_handles.h"
#include "graphics/device_setup.h"
#include "graphics/graphic_handles.h"
#include "graphics/range_set.h"
#include "graphics/shader_handles.h"
#include "graphics_fixture.h"
#include "graphics/shader_package_names.h"
#include "test_knobs.h"
#include "support/serve_until.h"

using namespace DuRud;
using namespace graphicstest;

namespace {

constexpr DWORD kVs2 = 0xFFFE0200, kPs2 = 0xFFFF0200;

// Version, one comment naming the kernel (zero-padded words), end.
std::vector<DWORD> Blob(DWORD version, const char* kernel) {
    const size_t words = std::strlen(kernel) / 4 + 1;
    std::vector<DWORD> tokens{version, 0xFFFEu | DWORD(words << 16)};
    tokens.resize(2 + words, 0);
    std::memcpy(&tokens[2], kernel, std::strlen(kernel));
    tokens.push_back(0x0000FFFFu);
    return tokens;
}

Handle FromBlob(const std::vector<DWORD>& blob, int size = -1) {
    return CreateShaderFromMemory(blob.data(), size < 0 ? int(blob.size() * 4) : size);
}

class ShaderHandles : public ::testing::Test {
  protected:
    void Start(DWORD vertex, DWORD pixel) {
        KnobD3D9ShaderVersions(vertex, pixel);
        KnobD3D9RegisterTestKernel("user_vs", true);
        // The package's objects stay unmade (shaders off): these tests count
        // only the shaders and buffers they make themselves.
        KnobD3D9RefuseShaderKernel(DuRud::kModelVertexKernel);
        ASSERT_EQ(0, StartDevice(WithHandles()));
        RegisterShaderHandleType();
        RegisterBufferHandleTypes();
    }
    void TearDown() override {
        EndHandleType(HandleTypeShader);
        EndHandleType(HandleTypeVertexBuffer);
        EndHandleType(HandleTypeIndexBuffer);
        StopDevice();
    }
};

TEST_F(ShaderHandles, VersionFollowsTheDevice) {
    const struct {
        const char* name;
        DWORD vertex, pixel;
        int version;
    } rows[] = {{"none", 0, 0, 0},
                {"1.1", 0xFFFE0101, 0xFFFF0104, 0},
                {"2.0", kVs2, kPs2, 200},
                {"3.0 and 2.0", 0xFFFE0300, kPs2, 200},
                {"3.0", 0xFFFE0300, 0xFFFF0300, 300}};
    for (const auto& r : rows) {
        Start(r.vertex, r.pixel);
        EXPECT_EQ(r.version, QueryShaderVersion()) << r.name;
        TearDown();
    }
    Start(0, 0);
    EXPECT_EQ(-1, FromBlob(Blob(kVs2, "user_vs"))) << "no shader support";
    EXPECT_EQ(0, GetHandleTypeRecord(HandleTypeShader)->count);
}

TEST_F(ShaderHandles, BlobsBecomeShadersWithTheirCommentAsTable) {
    Start(kVs2, kPs2);
    const auto blob = Blob(kVs2, "user_vs");
    const Handle vs = FromBlob(blob);
    ASSERT_GE(vs, 0);
    const ShaderRecord* s = ShaderFromHandle(vs, 0);
    EXPECT_EQ(1, s->isVertex);
    EXPECT_EQ(8, s->constantTableSize) << "\"user_vs\" and its NUL: two words";
    EXPECT_EQ(0, std::memcmp(s->constantTable, "user_vs", 8));
    auto tooLong = blob;
    tooLong[1] = 0xFFFEu | (9u << 16);
    const struct {
        const char* name;
        std::vector<DWORD> code;
        int size;
    } bad[] = {{"unregistered kernel", Blob(kVs2, "nobody"), -1},
               {"pixel kind for a vertex kernel", Blob(kPs2, "user_vs"), -1},
               {"size below two tokens", blob, 6},
               {"part of a token", blob, 18},
               {"comment past the end", tooLong, 20}};
    for (const auto& b : bad) EXPECT_EQ(-1, FromBlob(b.code, b.size)) << b.name;
    EXPECT_EQ(1, GetHandleTypeRecord(HandleTypeShader)->count) << "failures leave no handle";
    ASSERT_EQ(0, SetUserVertexShader(vs));
    EXPECT_EQ(-1, SetUserPixelShader(vs)) << "wrong kind";
    EXPECT_EQ(0, SetVertexShaderNow(vs));
    DeleteHandle(vs);
    EXPECT_EQ(0, GetUserShaderSelection().vertexShader);
    EXPECT_EQ(0, KnobD3D9LiveCount("VertexShader"));
}

TEST_F(ShaderHandles, BuffersRefuseBadRangesAndSurviveALoss) {
    Start(kVs2, kPs2);
    const Handle vb = AddHandle(HandleTypeVertexBuffer, -1);
    const Handle ib = AddHandle(HandleTypeIndexBuffer, -1);
    ASSERT_EQ(0, SetUpBufferHandle(vb, 8, 4));
    ASSERT_EQ(0, SetUpBufferHandle(ib, 4, 6));
    EXPECT_EQ(2, BufferFromHandle(ib, 0)->elementSize) << "16-bit indices";
    const uint32_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const struct {
        const char* name;
        int start, count, result;
    } rows[] = {{"whole", 0, 4, 0},
                {"last", 3, 1, 0},
                {"negative start", -1, 1, -1},
                {"negative count", 0, -1, -1},
                {"overrun", 2, 3, -1},
                {"sum past 2^31", INT_MAX, 2, -1}};
    for (const auto& r : rows)
        EXPECT_EQ(r.result, SetVertexBufferData(r.start, data, r.count, vb)) << r.name;
    EXPECT_EQ(-1, SetVertexBufferData(0, data, 1, ib)) << "an index buffer";
    EXPECT_EQ(-1, SetIndexBufferData(0, nullptr, 1, ib));
    const BufferRecord* v = BufferFromHandle(vb, 0);
    ASSERT_NE(nullptr, v->buffer);
    const uint32_t* words = reinterpret_cast<const uint32_t*>(v->elements);
    EXPECT_EQ(5u, words[4]) << "element 2 from the whole write";
    EXPECT_EQ(1u, words[6]) << "element 3 from the last write";

    const Handle vs = FromBlob(Blob(kVs2, "user_vs"));
    ReleaseAllGraphicTextures();
    EXPECT_EQ(0, KnobD3D9LiveCount("VertexBuffer") + KnobD3D9LiveCount("VertexShader"));
    RecreateDeviceResources();
    ASSERT_NE(nullptr, v->buffer);
    void* bytes = nullptr;
    ASSERT_EQ(D3D_OK, static_cast<IDirect3DVertexBuffer9*>(v->buffer)->Lock(0, 32, &bytes, 0));
    EXPECT_EQ(0, std::memcmp(bytes, v->elements, 32)) << "refilled from the kept copy";
    static_cast<IDirect3DVertexBuffer9*>(v->buffer)->Unlock();
    EXPECT_NE(nullptr, ShaderFromHandle(vs, 0)->vertexShader);
}

TEST(ShaderHandleThreads, QueuedCreationCompletesOnTheMainThread) {
    KnobD3D9ShaderVersions(kVs2, kPs2);
    KnobD3D9RegisterTestKernel("user_vs", true);
    ASSERT_EQ(0, StartDevice(WithHandles()));
    RegisterShaderHandleType();
    SetUseAsyncLoad(1);
    std::vector<DWORD> blob = Blob(kVs2, "user_vs");
    const Handle vs = FromBlob(blob);
    std::fill(blob.begin(), blob.end(), 0);  // the request holds its own copy
    ASSERT_GE(vs, 0);
    ASSERT_TRUE(testsupport::ServeUntil([vs] { return IsHandleAsyncPending(vs) != 1; },
                                        "the queued shader's load"));
    ASSERT_NE(nullptr, ShaderFromHandle(vs, 0));
    EXPECT_NE(nullptr, ShaderFromHandle(vs, 0)->vertexShader);
    SetUseAsyncLoad(0);
    EndHandleType(HandleTypeShader);
    StopDevice();
}

TEST(RegisterRanges, AddAndRemoveKeepRangesSortedAndMerged) {
    RangeSet set{};
    const struct {
        const char* name;
        int add, start, count;
        std::vector<std::pair<int, int>> after;
    } steps[] = {
        {"first", 1, 10, 5, {{10, 15}}},
        {"before", 1, 0, 2, {{0, 2}, {10, 15}}},
        {"extends at its end", 1, 15, 3, {{0, 2}, {10, 18}}},
        {"merges two", 1, 1, 10, {{0, 18}}},
        {"splits", 0, 4, 2, {{0, 4}, {6, 18}}},
        {"cuts the tail", 0, 16, 10, {{0, 4}, {6, 16}}},
        {"removes whole", 0, 0, 4, {{6, 16}}},
    };
    for (const auto& s : steps) {
        ASSERT_EQ(0, RangeSetAddRemove(&set, s.add, s.start, s.count)) << s.name;
        ASSERT_EQ(int(s.after.size()), set.count) << s.name;
        for (size_t i = 0; i < s.after.size(); ++i) {
            EXPECT_EQ(s.after[i].first, set.ranges[i].start) << s.name;
            EXPECT_EQ(s.after[i].second, set.ranges[i].end) << s.name;
        }
    }
    uint8_t table[20] = {};
    RangeSetFill(&set, table, 9);
    EXPECT_EQ((std::vector<int>{0, 9, 9, 0}),
              (std::vector<int>{table[5], table[6], table[15], table[16]}));
    RangeSet full{};
    for (int i = 0; i < kMaxRanges; ++i) ASSERT_EQ(0, RangeSetAddRemove(&full, 1, i * 2, 1));
    EXPECT_EQ(-1, RangeSetAddRemove(&full, 1, 1000, 1)) << "a 257th range";
    EXPECT_EQ(-1, RangeSetAddRemove(&full, 0, 100, 0 - 1));
    EXPECT_EQ(-1, RangeSetAddRemove(&full, 1, 65530, 10)) << "past 16 bits";
    EXPECT_EQ(0, RangeSetAddRemove(&full, 1, 1, 1)) << "merging needs no room";
    EXPECT_EQ(kMaxRanges - 1, full.count);
}

}  // namespace
