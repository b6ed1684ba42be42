// Camera, projection and the four matrices: setters, the lazily rebuilt
// combined matrices and frustum, screen-to-world conversion, fog and the 3D
// depth-buffer switches, and the small vector helpers.
#include "graphics/camera.h"

#include <cmath>
#include <cstring>

#include "graphics/device_layer.h"
#include "graphics/render_state_cache.h"
#include "graphics/screen_state.h"
#include "graphics/transforms.h"
#include "graphics/vertex_batch.h"

namespace DuRud {
namespace {

constexpr float kDefaultFieldOfView = 1.0471976f;  // 60 degrees
constexpr float kTan30 = 0.5773502588272095f;

Camera3DSettings& Settings() {
    static Camera3DSettings settings;
    return settings;
}

D3DMATRIX AsD3D(const Mat4& m) {
    D3DMATRIX out;
    std::memcpy(&out, &m, sizeof out);
    return out;
}

void DrawStateChanged() {
    GetRenderStateCache().drawStateChanged = 1;
}

// The current draw area, or the whole draw size when none is kept.
void DrawArea(float* left, float* top, float* right, float* bottom) {
    const ScreenState& s = GetScreenState();
    if (s.drawArea[2] > s.drawArea[0] && s.drawArea[3] > s.drawArea[1]) {
        *left = static_cast<float>(s.drawArea[0]);
        *top = static_cast<float>(s.drawArea[1]);
        *right = static_cast<float>(s.drawArea[2]);
        *bottom = static_cast<float>(s.drawArea[3]);
        return;
    }
    int w = 0, h = 0;
    QueryDrawSize(&w, &h);
    *left = *top = 0.0f;
    *right = static_cast<float>(w);
    *bottom = static_cast<float>(h);
}

Vec4 PlaneThrough(const Vec3& a, const Vec3& b, const Vec3& c) {
    Vec3 ab, ac, n;
    SubtractVector(&ab, &b, &a);
    SubtractVector(&ac, &c, &a);
    CrossVector(&n, &ab, &ac);
    NormalizeVector(&n, &n);
    return Vec4{n.x, n.y, n.z, -DotVector(n, a)};
}

void RebuildFrustum(Camera3DSettings& c) {
    Mat4 inverse;
    if (InvertMatrix(&inverse, &c.viewToScreen) != 0) return;
    float l, t, r, b;
    DrawArea(&l, &t, &r, &b);
    const float xs[2] = {l, r}, ys[2] = {t, b};
    Vec3 centre{0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        const Vec3 screen{xs[i & 1], ys[(i >> 1) & 1], static_cast<float>(i >> 2)};
        float w = 1.0f;
        TransformVector4(&c.corners[i], &w, &screen, 1.0f, &inverse);
        if (w != 0.0f) c.corners[i] = ScaleVector(c.corners[i], 1.0f / w);
        centre = Vec3{centre.x + c.corners[i].x / 8, centre.y + c.corners[i].y / 8,
                      centre.z + c.corners[i].z / 8};
    }
    static const int kPlaneCorners[6][3] = {{0, 1, 2}, {4, 5, 6}, {0, 2, 4},
                                            {1, 3, 5}, {0, 1, 4}, {2, 3, 6}};
    for (int p = 0; p < 6; ++p) {
        Vec4& plane = c.frustum[p];
        plane = PlaneThrough(c.corners[kPlaneCorners[p][0]], c.corners[kPlaneCorners[p][1]],
                             c.corners[kPlaneCorners[p][2]]);
        if (plane.a * centre.x + plane.b * centre.y + plane.c * centre.z + plane.d < 0.0f)
            plane = Vec4{-plane.a, -plane.b, -plane.c, -plane.d};
    }
}

void RebuildCombined() {
    Camera3DSettings& c = Settings();
    if (!c.combinedStale) return;
    MultiplyMatrix(&c.viewProjection, &c.view, &c.projection);
    MultiplyMatrix(&c.viewToScreen, &c.viewProjection, &c.viewport);
    MultiplyMatrix(&c.worldToScreen, &c.world, &c.viewToScreen);
    c.inverseValid = 0;
    c.axisX = Vec3{c.view.m[0][0], c.view.m[1][0], c.view.m[2][0]};
    c.axisY = Vec3{c.view.m[0][1], c.view.m[1][1], c.view.m[2][1]};
    c.axisZ = Vec3{c.view.m[0][2], c.view.m[1][2], c.view.m[2][2]};
    c.combinedStale = 0;
    RebuildFrustum(c);
}

void Stale() {
    Settings().combinedStale = 1;
    Settings().inverseValid = 0;
}

// Angles of the view direction: vertical (up positive), horizontal (about
// y, 0 along +z) and the twist of the up vector about the direction.
void UpdateCameraAngles(Camera3DSettings& c) {
    const Vec3 dir{c.view.m[0][2], c.view.m[1][2], c.view.m[2][2]};
    const float flat = std::sqrt(dir.x * dir.x + dir.z * dir.z);
    Vec3 right0{1.0f, 0.0f, 0.0f};
    if (std::fabs(dir.x) < 1e-8f && std::fabs(dir.z) < 1e-8f) {
        c.horizontalAngle = 0.0f;
        c.verticalAngle = dir.y > 0.0f ? 1.5707963f : -1.5707963f;
    } else {
        c.verticalAngle = std::atan2(dir.y, flat);
        c.horizontalAngle = std::atan2(dir.x, dir.z);
        right0 = Vec3{dir.z / flat, 0.0f, -dir.x / flat};
    }
    Vec3 up0;
    CrossVector(&up0, &dir, &right0);
    const Vec3 up{c.view.m[0][1], c.view.m[1][1], c.view.m[2][1]};
    c.twistAngle = std::atan2(DotVector(up, right0), DotVector(up, up0));
}

int RebuildProjection() {
    Camera3DSettings& c = Settings();
    if (c.projectionKind == kProjectionUser) return SetProjectionMatrix(&c.userProjection);
    int w = 0, h = 0;
    QueryDrawSize(&w, &h);
    const float aspect = static_cast<float>(h) / static_cast<float>(w) * c.aspectScale;
    Mat4 m;
    if (MakePerspectiveMatrix(&m, c.fieldOfView, c.zNear, c.zFar, aspect) != 0) return -1;
    return SetProjectionMatrix(&m);
}

int RebuildViewport() {
    Camera3DSettings& c = Settings();
    int w = 0, h = 0;
    QueryDrawSize(&w, &h);
    Mat4 m;
    MakeViewportMatrix(&m, c.screenCenterX, c.screenCenterY, w * c.viewportScale,
                       h * c.viewportScale);
    return SetViewportMatrix(&m);
}

// Draws what is batched, stores the matrix, marks the products stale and
// gives the device its transform (the viewport matrix has none).
int StoreMatrix(Mat4 Camera3DSettings::*field, const Mat4* matrix, int (*send)(const D3DMATRIX*)) {
    if (!matrix) return -1;
    FlushVertexBatch();
    Settings().*field = *matrix;
    Stale();
    if (!send) return 0;
    const D3DMATRIX m = AsD3D(*matrix);
    return send(&m);
}

// Sends a fog value when the device exists; the batch is drawn first.
template <typename Send>
int ApplyFog(Send send) {
    if (!HasDevice()) return 0;
    FlushVertexBatch();
    send();
    return 0;
}

}  // namespace

const Camera3DSettings& GetCamera3DSettings() {
    RebuildCombined();
    return Settings();
}

int ResetCamera3DSettings() {
    Camera3DSettings& c = Settings();
    c = Camera3DSettings{};
    c.projectionKind = kProjectionPerspective;
    c.zNear = 10.0f;
    c.zFar = 10000.0f;
    c.aspectScale = 1.0f;
    c.fieldOfView = kDefaultFieldOfView;
    MakeIdentityMatrix(&c.projection);
    MakeIdentityMatrix(&c.userProjection);
    MakeIdentityMatrix(&c.world);
    MakeIdentityMatrix(&c.view);
    c.viewportScale = 1.0f;
    c.target = Vec3{0.0f, 0.0f, 1.0f};
    c.up = Vec3{0.0f, 1.0f, 0.0f};
    float l, t, r, b;
    DrawArea(&l, &t, &r, &b);
    c.screenCenterX = (l + r) * 0.5f;
    c.screenCenterY = (t + b) * 0.5f;
    c.fogMode = D3DFOG_LINEAR;
    c.fogColor = D3DCOLOR_XRGB(255, 255, 255);
    c.fogStart = 0.0f;
    c.fogEnd = 1500.0f;
    c.material.Diffuse = D3DCOLORVALUE{0.8f, 0.8f, 0.8f, 1.0f};
    c.material.Ambient = D3DCOLORVALUE{0.8f, 0.8f, 0.8f, 0.0f};
    c.material.Power = 20.0f;
    c.zCompare3D = c.zCompare2D = D3DCMP_LESSEQUAL;
    c.useZBuffer2D = c.writeZBuffer2D = 1;  // as the device set-up leaves them
    Stale();
    UpdateCameraAngles(c);
    SetWorldMatrix(&c.world);
    SetViewMatrix(&c.view);
    RebuildViewport();
    return RebuildProjection();
}

int SetCameraForDrawSize(int width, int height) {
    Camera3DSettings& c = Settings();
    const float cx = width * 0.5f, cy = height * 0.5f;
    const float d = static_cast<float>(height / 2) / kTan30;
    c.viewportScale = 1.0f;
    c.screenCenterX = cx;
    c.screenCenterY = cy;
    RebuildViewport();
    SetCameraPositionAndTargetAndUp(cx, cy, -d, cx, cy, -d + 1.0f, 0.0f, 1.0f, 0.0f);
    c.projectionKind = kProjectionPerspective;
    c.fieldOfView = kDefaultFieldOfView;
    c.zNear = d * 0.1f;
    c.zFar = d + 20000.0f;
    return RebuildProjection();
}

int GetCameraViewMatrix(D3DMATRIX* out) {
    *out = AsD3D(Settings().view);
    return 0;
}

int SetCameraPositionAndTargetAndUp(float px, float py, float pz, float tx, float ty, float tz,
                                    float ux, float uy, float uz) {
    const Vec3 position{px, py, pz}, target{tx, ty, tz}, given{ux, uy, uz};
    Vec3 direction, side, up;
    SubtractVector(&direction, &target, &position);
    CrossVector(&side, &direction, &given);
    CrossVector(&up, &side, &direction);
    // A camera on its target, or an up vector along the view, has no frame.
    if (GetVectorLength(direction.x, direction.y, direction.z) == 0.0f ||
        GetVectorLength(up.x, up.y, up.z) == 0.0f)
        return -1;
    Camera3DSettings& c = Settings();
    c.position = position;
    c.target = target;
    NormalizeVector(&c.up, &up);
    Mat4 view;
    MakeLookAtMatrix(&view, &position, &target, &c.up);
    SetViewMatrix(&view);
    UpdateCameraAngles(c);
    return 0;
}

int SetCameraScreenCenter(float x, float y) {
    Settings().screenCenterX = x;
    Settings().screenCenterY = y;
    return RebuildViewport();
}

int SetCameraNearFar(float zNear, float zFar) {
    Settings().zNear = zNear;
    Settings().zFar = zFar;
    return RebuildProjection();
}

int SetCameraPerspective(float fieldOfView) {
    Settings().projectionKind = kProjectionPerspective;
    Settings().fieldOfView = fieldOfView;
    return RebuildProjection();
}

int SetUserProjectionMatrix(const Mat4* matrix) {
    if (!matrix) return -1;
    Settings().projectionKind = kProjectionUser;
    Settings().userProjection = *matrix;
    return RebuildProjection();
}

int SetCameraAspectScale(float scale) {
    Settings().aspectScale = scale;
    return RebuildProjection();
}

int SetWorldMatrix(const Mat4* matrix) {
    return StoreMatrix(&Camera3DSettings::world, matrix, SetWorldTransform);
}

int SetViewMatrix(const Mat4* matrix) {
    return StoreMatrix(&Camera3DSettings::view, matrix, SetViewTransform);
}

int SetProjectionMatrix(const Mat4* matrix) {
    return StoreMatrix(&Camera3DSettings::projection, matrix, SetProjectionTransform);
}

int SetViewportMatrix(const Mat4* matrix) {
    return StoreMatrix(&Camera3DSettings::viewport, matrix, nullptr);
}

int ConvScreenPosToWorldPos(Vec3* out, float x, float y, float z) {
    if (!out) return -1;
    RebuildCombined();
    Camera3DSettings& c = Settings();
    if (!c.inverseValid) {
        if (InvertMatrix(&c.screenToWorld, &c.worldToScreen) != 0) return -1;
        c.inverseValid = 1;
    }
    const Vec3 screen{x, y, z};
    float w = 1.0f;
    Vec3 world;
    TransformVector4(&world, &w, &screen, 1.0f, &c.screenToWorld);
    if (w == 0.0f) return -1;
    *out = ScaleVector(world, 1.0f / w);
    return 0;
}

int SetUseZBuffer3D(int flag) {
    FlushVertexBatch();
    Settings().useZBuffer3D = flag;
    DrawStateChanged();
    return 0;
}

int SetUseZBuffer(int flag) {
    if (!HasDevice()) return -1;
    const DWORD wanted = flag == 1 ? TRUE : FALSE;
    if (GetRenderStateCache().zEnable != wanted) FlushVertexBatch();
    Settings().useZBuffer2D = flag == 1;
    SetDeviceDepthTest(flag == 1);
    DrawStateChanged();
    return 0;
}

int SetFogMode(int mode) {
    Settings().fogMode = mode;
    return ApplyFog([mode] { SetDeviceFogMode(mode); });
}

int SetFogColor(int red, int green, int blue) {
    const D3DCOLOR colour = D3DCOLOR_XRGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    Settings().fogColor = colour;
    return ApplyFog([colour] { SetDeviceFogColour(colour); });
}

int SetFogStartEnd(float start, float end) {
    Settings().fogStart = start;
    Settings().fogEnd = end;
    return ApplyFog([start, end] { SetDeviceFogRange(start, end); });
}

float DotVector(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 DiffVector(Vec3 a, Vec3 b) {
    Vec3 out;
    SubtractVector(&out, &a, &b);
    return out;
}

Vec3 ScaleVector(Vec3 v, float scale) {
    return Vec3{v.x * scale, v.y * scale, v.z * scale};
}

Vec3 TransformVector(Vec3 v, const Mat4* m) {
    Vec3 out;
    TransformPoint(&out, &v, m);
    return out;
}

Vec3 TransformNormal(Vec3 v, const Mat4* m) {
    Vec3 out;
    TransformVector4(&out, nullptr, &v, 0.0f, m);
    return out;
}

}  // namespace DuRud
