#include <gtest/gtest.h>

#include "graphics_fixture.h"

#include "DuRud.h"
#include "core/engine_lifecycle.h"
#include "font/font_handles.h"
#include "core/log.h"
#include "core/text_literals.h"
#include "graphics/base_shaders.h"
#include "graphics/device_layer.h"
#include "graphics/device_setup.h"
#include "graphics/graphics_startup.h"
#include "graphics/draw_settings.h"
#include "graphics/draw_state_apply.h"
#include "graphics/render_state_cache.h"
#include "image/pixel_conversion.h"
#include "graphics/scene_bracket.h"
#include "graphics/software_draw.h"
#include "graphics/vertex_batch.h"
#include "graphics/graphic_handles.h"
#include "graphics/work_textures.h"
#include "image/image_record.h"
#include "image/memimg.h"
#include "image/pixel_conversion.h"
#include "graphics/screen_state.h"
#include "support/test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"

using namespace DuRud;

namespace graphicstest {

int StartEngine(const ScreenSettings& settings) {
    // The engine's start-up measures the processor's speed over 100 ms and
    // the refresh period over a dozen vertical blanks, and its end wakes and
    // waits for every loader thread in turn: on the virtual clock none of it
    // waits in real time, and the refresh period measured is exact. The
    // isolation listener puts the real clock back after the test.
    KnobSetVirtualClock(true);
    ScreenState& s = GetScreenState();
    s.emulate320x240 = settings.emulate320x240;
    StoreScreenSize(settings.width, settings.height);
    s.colorBits = settings.colorBits;
    s.softwareForced = settings.softwareForced;
    SetEngineSkipFlags(0, 1, 1, 1);
    ChangeWindowMode(settings.windowed ? TRUE : FALSE);
    SetLogFolder("");  // the log goes to this test's own folder
    return InitializeEngineLocked();
}

bool g_graphicHandles = false;

int StartDevice(const ScreenSettings& settings) {
    if (StartEngine(settings) != 0) return -100;
    g_graphicHandles = settings.graphicHandles;
    if (g_graphicHandles) InitializeBaseImage();
    const int result = StartGraphics();
    // Graphics suites count graphics and textures: the default font's cache
    // graphic is none of theirs (the font suite starts the fonts again).
    TerminateFonts();
    ClearWorkTextureCache();  // the work texture its first fill took
    return result;
}

void StopDevice() {
    EndGraphics();
    if (g_graphicHandles) {
        TerminateBaseImage();
        g_graphicHandles = false;
    }
    ShutdownEngineLocked();
}

ScreenSettings WithHandles() {
    ScreenSettings s;
    s.graphicHandles = true;
    return s;
}

ScreenSettings FullScreenWithHandles() {
    ScreenSettings s = WithHandles();
    s.windowed = false;
    s.width = 640;
    s.height = 480;
    return s;
}

uint32_t ShownPixel(int handle, int x, int y) {
    GraphicRecord* g = GraphicFromHandle(handle, 0);
    if (!g || !g->image) return 0;
    if (g->image->request.software) {
        const uint8_t* row = g->view.pixels + y * g->view.body->pitch;
        return reinterpret_cast<const uint32_t*>(row)[x] | 0xFF000000u;
    }
    for (int i = 0; i < g->pieceCount; ++i) {
        const TileDrawPiece& p = g->pieces[i];
        if (x < p.x || y < p.y || x >= p.x + p.width || y >= p.y + p.height) continue;
        IDirect3DSurface9* surface = nullptr;
        if (!p.tile->texture || FAILED(p.tile->texture->GetSurfaceLevel(0, &surface))) return 0;
        DWORD argb = 0;
        KnobD3D9ReadPixel(surface, p.srcX + x - p.x, p.srcY + y - p.y, &argb);
        surface->Release();
        return argb;
    }
    return 0;
}

namespace {

int GraphicOf(bool alpha, int width, int height, uint32_t (*pixel)(int x, int y)) {
    BaseImage image{};
    if ((alpha ? CreateA8R8G8B8BaseImage : CreateX8R8G8B8BaseImage)(width, height, &image) != 0)
        return -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = pixel(x, y);
            SetBaseImagePixel(&image, x, y, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF,
                              alpha ? c >> 24 : 255);
        }
    const Handle g = NewGraphicFromBaseImage(&image, nullptr);
    FreeBaseImagePixels(&image);
    return g;
}

}  // namespace

int GraphicOfPixels(int width, int height, uint32_t (*pixel)(int x, int y)) {
    return GraphicOf(false, width, height, pixel);
}

int GraphicOfArgb(int width, int height, uint32_t (*pixel)(int x, int y)) {
    return GraphicOf(true, width, height, pixel);
}

int StartOnPath(int shaders, const ScreenSettings& settings) {
    KnobD3D9ShaderVersions(shaders ? 0xFFFE0200 : 0, shaders ? 0xFFFF0200 : 0);
    const int result = StartDevice(settings);
    if (result == 0 && !settings.softwareForced && ProgrammableShadersInUse() != shaders) {
        StopDevice();
        return -101;
    }
    return result;
}

std::string CurrentPixelKernel() {
    IDirect3DPixelShader9* shader = nullptr;
    IDirect3DDevice9* device = GetDeviceLayer().device;
    if (!device || FAILED(device->GetPixelShader(&shader)) || !shader) return {};
    UINT size = 0;
    shader->GetFunction(nullptr, &size);
    std::vector<char> code(size);
    shader->GetFunction(code.data(), &size);
    shader->Release();
    // The version token, then the first comment's token, then its text.
    return size > 8 ? std::string(code.data() + 8) : std::string();
}

std::vector<uint32_t> TargetPixels(int target, int width, int height) {
    FlushVertexBatch();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(target == -2 ? BackBufferPixel(x, y) & 0xFFFFFF
                                          : ShownPixel(target, x, y));
    return pixels;
}

HWND MainWindow() {
    return static_cast<HWND>(GetMainWindowHandle());
}

std::string Log() {
    return testsupport::ReadFile("Log.txt");
}

::testing::AssertionResult LogHasInOrder(std::initializer_list<const char*> utf8Lines) {
    const std::string log = Log();
    size_t at = 0;
    for (const char* line : utf8Lines) {
        // Log lines end in CR LF.
        std::string text = Cp932Text(line);
        for (size_t n = text.find('\n'); n != std::string::npos; n = text.find('\n', n + 2))
            text.replace(n, 1, "\r\n");
        const size_t found = log.find(text, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "missing or out of order: " << line
                                                 << (getenv("GFX_DUMP_LOG") ? log : std::string());
        at = found + 1;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> TraceOf(const std::vector<std::string>& trace, const char* method) {
    std::vector<std::string> out;
    const std::string prefix = std::string(method) + "(";
    for (const std::string& line : trace)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

}  // namespace graphicstest

namespace graphicstest {

Handle SolidGraphic(int width, int height, uint32_t argb, uint32_t rightArgb) {
    BaseImage image{};
    if (CreateA8R8G8B8BaseImage(width, height, &image) != 0) return -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = x < width / 2 ? argb : rightArgb;
            SetBaseImagePixel(&image, x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
        }
    const Handle g = NewGraphicFromBaseImage(&image, nullptr);
    FreeBaseImagePixels(&image);
    return g;
}

// Two triangles per piece, the colour in every vertex, positions on pixel
// edges (minus half a pixel), as the draw workers write them.
void DrawAsWorker(Handle graphic, int x, int y, uint32_t flags, Handle blend) {
    const GraphicRecord* g = GraphicFromHandle(graphic, 0);
    ASSERT_NE(nullptr, g);
    const TileDrawPiece& p = g->pieces[0];
    IDirect3DBaseTexture9* texture = p.tile->texture;
    EnsureSceneBegun();
    if (blend >= 0) {
        const TileDrawPiece& b = GraphicFromHandle(blend, 0)->pieces[0];
        SetPendingBlendTexture(b.tile->texture, b.tile->textureWidth, b.tile->textureHeight);
        const DrawSettings& d = GetDrawSettings();
        SetPendingBlendGraphic(d.blendType, d.blendParameter1, d.blendParameter2);
    }
    if (NeedsPrepareGraphicDraw(texture, flags) || blend >= 0) PrepareGraphicDraw(texture, flags);
    // Both layouts start x, y, z, rhw, diffuse; the blend graphic's set comes
    // first in the two-texture one and is taken from the positions.
    const bool two = GetVertexBatch().kind == 2;
    const float bw = two ? GraphicFromHandle(blend, 0)->pieces[0].tile->textureWidth : 1.0f;
    const float bh = two ? GraphicFromHandle(blend, 0)->pieces[0].tile->textureHeight : 1.0f;
    auto* v = static_cast<uint8_t*>(ReserveVertices(6));
    const int order[6] = {0, 1, 2, 1, 3, 2};
    for (int i = 0; i < 6; ++i, v += two ? sizeof(Vertex2DTex2) : sizeof(Vertex2DTex)) {
        const auto& c = p.corners[order[i]];
        auto* head = reinterpret_cast<Vertex2D*>(v);
        head->x = x + c.x - 0.5f;
        head->y = y + c.y - 0.5f;
        head->diffuse = DrawDiffuseColor();
        float* uv = reinterpret_cast<float*>(v + (two ? 24 : 20));
        const float coords[4] = {c.x / bw, c.y / bh, c.u, c.v};
        for (int k = two ? 0 : 2; k < 4; ++k) *uv++ = coords[k];
    }
    AppendVertices(6);
}

uint32_t BackBufferPixel(int x, int y) {
    FlushVertexBatch();
    DWORD argb = 0;
    KnobD3D9ReadPixel(GetDeviceResources().backBuffer, x, y, &argb);
    return argb;
}

uint32_t ScreenPixel(int software, int x, int y) {
    if (!software) return BackBufferPixel(x, y) & 0xFFFFFF;
    const MEMIMG* screen = SoftwarePrimary();
    return reinterpret_cast<const uint32_t*>(screen->pixels + y * screen->body->pitch)[x] &
           0xFFFFFF;
}

}  // namespace graphicstest
