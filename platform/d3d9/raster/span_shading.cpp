// The span functions and the choice among them, made once per draw. The
// specialised list covers the states the engine's draw-state apply produces
// for single-texture sprites and untextured shapes; everything else takes
// the generic path.
#include "span_shading.h"

#include <atomic>

namespace platform::raster {

namespace {

std::atomic<bool> g_forceGeneric{false};

constexpr int kTex = D3DTA_TEXTURE, kDif = D3DTA_DIFFUSE;
constexpr int kTexC = D3DTA_TEXTURE | D3DTA_COMPLEMENT;
constexpr int kClamp = D3DTADDRESS_CLAMP;

// Stage combinations: colour op and args, alpha op and args.
struct Combo {
    int colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
};

constexpr Combo kCombos[] = {
    {D3DTOP_SELECTARG1, kTex, kDif, D3DTOP_SELECTARG2, kTex,
     kDif},  // 0: opaque, alpha from diffuse
    {D3DTOP_SELECTARG1, kTex, kDif, D3DTOP_SELECTARG1, kTex, kDif},  // 1: alpha from texture
    {D3DTOP_SELECTARG1, kTex, kDif, D3DTOP_MODULATE, kTex, kDif},    // 2: texture alpha x diffuse
    {D3DTOP_MODULATE, kTex, kDif, D3DTOP_SELECTARG2, kTex, kDif},    // 3: brightness
    {D3DTOP_MODULATE, kTex, kDif, D3DTOP_MODULATE, kTex, kDif},      // 4: brightness and alpha
    {D3DTOP_SELECTARG1, kTexC, kDif, D3DTOP_MODULATE, kTex, kDif},   // 5: inverted colour
    {D3DTOP_MODULATE4X, kTex, kDif, D3DTOP_MODULATE, kTex, kDif},    // 6: colour times four
    {D3DTOP_MODULATE, kTex, kDif, D3DTOP_SELECTARG1, kTex, kDif},    // 7: brightness, texture alpha
};

struct Blend3 {
    int on, src, dst;
};

constexpr Blend3 kBlends[] = {
    {0, D3DBLEND_ONE, D3DBLEND_ZERO},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {1, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
};

template <int TexFormat, int Filter, int ComboIndex, int BlendIndex, int Target>
using TexturedSpan = SpanState<1, TexFormat, Filter, kClamp, kCombos[ComboIndex].colorOp,
                               kCombos[ComboIndex].colorArg1, kCombos[ComboIndex].colorArg2,
                               kCombos[ComboIndex].alphaOp, kCombos[ComboIndex].alphaArg1,
                               kCombos[ComboIndex].alphaArg2, kBlends[BlendIndex].on,
                               kBlends[BlendIndex].src, kBlends[BlendIndex].dst, Target>;

template <int BlendIndex, int Target>
using ShapeSpan = SpanState<1, -1, kFilterPoint, kClamp, D3DTOP_SELECTARG2, kDif, kDif,
                            D3DTOP_SELECTARG2, kDif, kDif, kBlends[BlendIndex].on,
                            kBlends[BlendIndex].src, kBlends[BlendIndex].dst, Target>;

struct Entry {
    int texFormat;  // -1: no texture read
    int filter;
    int combo;  // index into kCombos, or -1 for the shape stage
    int blend;
    int target;
    SpanFunction fn;
};

constexpr int kFormats[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};
constexpr int kTargets[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};

template <int F, int Fi, int C, int B, int T>
constexpr Entry MakeTextured() {
    return Entry{kFormats[F], Fi,
                 C,           B,
                 kTargets[T], &ShadeSpan<TexturedSpan<kFormats[F], Fi, C, B, kTargets[T]>>};
}

template <int F, int Fi, int C, int B, size_t... T>
constexpr void AddTargets(Entry* out, size_t& n, std::index_sequence<T...>) {
    ((out[n++] = MakeTextured<F, Fi, C, B, int(T)>()), ...);
}

template <int F, int Fi, int C, size_t... B>
constexpr void AddBlends(Entry* out, size_t& n, std::index_sequence<B...>) {
    (AddTargets<F, Fi, C, int(B)>(out, n, std::make_index_sequence<2>{}), ...);
}

template <int F, int Fi, size_t... C>
constexpr void AddCombos(Entry* out, size_t& n, std::index_sequence<C...>) {
    (AddBlends<F, Fi, int(C)>(out, n, std::make_index_sequence<3>{}), ...);
}

template <size_t... B>
constexpr void AddShapes(Entry* out, size_t& n, std::index_sequence<B...>) {
    ((out[n++] = Entry{-1, 0, -1, int(B), kFormatA8R8G8B8,
                       &ShadeSpan<ShapeSpan<int(B), kFormatA8R8G8B8>>}),
     ...);
    ((out[n++] = Entry{-1, 0, -1, int(B), kFormatX8R8G8B8,
                       &ShadeSpan<ShapeSpan<int(B), kFormatX8R8G8B8>>}),
     ...);
}

constexpr size_t kComboCount = sizeof(kCombos) / sizeof(kCombos[0]);
constexpr size_t kEntryCount = 2 * 2 * kComboCount * 3 * 2 + 3 * 2;

struct Table {
    Entry entries[kEntryCount];
    size_t count = 0;
};

constexpr Table BuildTable() {
    Table t{};
    size_t n = 0;
    AddCombos<0, kFilterPoint>(t.entries, n, std::make_index_sequence<kComboCount>{});
    AddCombos<0, kFilterLinear>(t.entries, n, std::make_index_sequence<kComboCount>{});
    AddCombos<1, kFilterPoint>(t.entries, n, std::make_index_sequence<kComboCount>{});
    AddCombos<1, kFilterLinear>(t.entries, n, std::make_index_sequence<kComboCount>{});
    AddShapes(t.entries, n, std::make_index_sequence<3>{});
    t.count = n;
    return t;
}

constexpr Table kTable = BuildTable();
static_assert(kTable.count == kEntryCount);

bool StageMatches(const StageSetup& st, const Combo& c) {
    // Arguments an op does not read need not match.
    bool colorArgs = (st.colorOp == D3DTOP_SELECTARG2 || int(st.colorArg1) == c.colorArg1) &&
                     (st.colorOp == D3DTOP_SELECTARG1 || int(st.colorArg2) == c.colorArg2);
    bool alphaArgs = (st.alphaOp == D3DTOP_SELECTARG2 || int(st.alphaArg1) == c.alphaArg1) &&
                     (st.alphaOp == D3DTOP_SELECTARG1 || int(st.alphaArg2) == c.alphaArg2);
    return st.colorOp == c.colorOp && st.alphaOp == c.alphaOp && colorArgs && alphaArgs;
}

bool BlendMatches(const DrawSetup& ds, const Blend3& b) {
    if (!b.on) return !ds.blend;
    return ds.blend && ds.blendOp == D3DBLENDOP_ADD && ds.srcBlend == b.src &&
           ds.destBlend == b.dst;
}

}  // namespace

void RasterForceGenericSpans(bool force) {
    g_forceGeneric = force;
}

bool RasterGenericSpansForced() {
    return g_forceGeneric;
}

namespace {

// The specialised span for a flat draw whose one stage is `st`, or null.
SpanFunction FindSpecial(const DrawSetup& ds, const StageSetup& st) {
    if (st.resultTemp) return nullptr;
    bool textured = st.usesTexture;
    int texFormat = -1, filter = kFilterPoint;
    if (textured) {
        const RasterTexture* tex = st.texture;
        if (!tex) return nullptr;
        const SamplerSetup& sm = st.sampler;
        if (sm.addressU != kClamp || sm.addressV != kClamp) return nullptr;
        if (sm.minFilter != sm.magFilter) return nullptr;
        if (sm.mipFilter != kMipNone && tex->levelCount > 1) return nullptr;
        texFormat = int(tex->levels[0].format);
        filter = sm.minFilter;
    }
    for (size_t i = 0; i < kTable.count; ++i) {
        const Entry& e = kTable.entries[i];
        if (e.target != int(ds.target.format) || !BlendMatches(ds, kBlends[e.blend])) continue;
        if (textured) {
            if (e.texFormat != texFormat || e.filter != filter || e.combo < 0 ||
                !StageMatches(st, kCombos[e.combo]))
                continue;
        } else {
            if (e.texFormat >= 0 || st.colorOp != D3DTOP_SELECTARG2 ||
                (st.colorArg2 & ~0u) != DWORD(kDif) ||
                (st.alphaOp != D3DTOP_SELECTARG2 || st.alphaArg2 != DWORD(kDif)))
                continue;
        }
        return e.fn;
    }
    return nullptr;
}

// A kernel equal to one stage draws through that stage's specialised span:
// stage 0 then holds sampler 0 (a kernel reading no sampler has no stage).
SpanFunction KernelSpecial(const DrawSetup& ds) {
    const d3d9::StageOperations& ops = ds.kernel->equalStage;
    if (ops.colorOp == 0) return nullptr;
    const bool textured = (ops.colorArg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    if (ds.stageCount != (textured ? 1 : 0)) return nullptr;
    StageSetup st = textured ? ds.stages[0] : StageSetup{};
    st.colorOp = int(ops.colorOp);
    st.colorArg1 = ops.colorArg1, st.colorArg2 = ops.colorArg2;
    st.alphaOp = int(ops.alphaOp);
    st.alphaArg1 = ops.alphaArg1, st.alphaArg2 = ops.alphaArg2;
    return FindSpecial(ds, st);
}

}  // namespace

SpanChoice ChooseSpans(const DrawSetup& ds) {
    SpanChoice choice;
    choice.generic = ds.kernel ? &ShadeKernelSpan : &ShadeSpan<GenericSpanState>;
    if (g_forceGeneric) return choice;
    if (!ds.flat || ds.specularAdd || ds.writeMask != 0xF) return choice;
    if (ds.kernel)
        choice.special = KernelSpecial(ds);
    else if (ds.stageCount == 1)
        choice.special = FindSpecial(ds, ds.stages[0]);
    choice.depthGated = choice.special && ds.depthTest;
    return choice;
}

}  // namespace platform::raster
