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
    SpanFunction depthWriting = nullptr;  // see TriangleSetup::depthWriting
};

// The depth-writing twin of a span state's span, where it has one.
template <class K>
constexpr SpanFunction DepthWritingSpan() {
    if constexpr (TestedRowFits<K>())
        return &ShadeTestedSpanWritingDepth<K>;
    else
        return nullptr;
}

constexpr int kFormats[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};
constexpr int kTargets[] = {kFormatA8R8G8B8, kFormatX8R8G8B8};
constexpr int kFilters[] = {kFilterPoint, kFilterLinear};
constexpr int kComboCount = int(sizeof(kCombos) / sizeof(kCombos[0]));
constexpr int kBlendCount = int(sizeof(kBlends) / sizeof(kBlends[0]));
constexpr int kTargetCount = int(sizeof(kTargets) / sizeof(kTargets[0]));
constexpr int kTexturedCount = 2 * 2 * kComboCount * kBlendCount * kTargetCount;
constexpr int kShapeCount = kBlendCount * kTargetCount;
// 16-bit textures (the font caches' A1R5G5B5) only point-sampled and
// unblended: the alpha-tested rows glyphs are drawn with.
constexpr int kSixteenBitCount = kComboCount * kTargetCount;
constexpr int kEntryCount = kTexturedCount + kShapeCount + kSixteenBitCount;

// Where each entry sits, so that a draw's state finds its span by index
// (worked out from the few fields that select it) instead of a scan.
constexpr int TexturedSlot(int format, int filter, int combo, int blend, int target) {
    return (((format * 2 + filter) * kComboCount + combo) * kBlendCount + blend) * kTargetCount +
           target;
}
constexpr int ShapeSlot(int blend, int target) {
    return kTexturedCount + blend * kTargetCount + target;
}
constexpr int SixteenBitSlot(int combo, int target) {
    return kTexturedCount + kShapeCount + combo * kTargetCount + target;
}

template <int F, int Fi, int C, int B, int T>
constexpr Entry MakeTextured() {
    using K = TexturedSpan<kFormats[F], kFilters[Fi], C, B, kTargets[T]>;
    return Entry{kFormats[F],   kFilters[Fi],         C, B, kTargets[T],
                 &ShadeSpan<K>, DepthWritingSpan<K>()};
}

template <int F, int Fi, int C, int B, size_t... T>
constexpr void AddTargets(Entry* out, std::index_sequence<T...>) {
    ((out[TexturedSlot(F, Fi, C, B, int(T))] = MakeTextured<F, Fi, C, B, int(T)>()), ...);
}

template <int F, int Fi, int C, size_t... B>
constexpr void AddBlends(Entry* out, std::index_sequence<B...>) {
    (AddTargets<F, Fi, C, int(B)>(out, std::make_index_sequence<kTargetCount>{}), ...);
}

template <int F, int Fi, size_t... C>
constexpr void AddCombos(Entry* out, std::index_sequence<C...>) {
    (AddBlends<F, Fi, int(C)>(out, std::make_index_sequence<kBlendCount>{}), ...);
}

template <int T, size_t... B>
constexpr void AddShapes(Entry* out, std::index_sequence<B...>) {
    ((out[ShapeSlot(int(B), T)] = Entry{-1, kFilterPoint, -1, int(B), kTargets[T],
                                        &ShadeSpan<ShapeSpan<int(B), kTargets[T]>>}),
     ...);
}

template <int C, size_t... T>
constexpr void AddSixteenBitTargets(Entry* out, std::index_sequence<T...>) {
    ((out[SixteenBitSlot(C, int(T))] =
          Entry{
              kFormatA1R5G5B5, kFilterPoint, C, 0, kTargets[T],
              &ShadeSpan<TexturedSpan<kFormatA1R5G5B5, kFilterPoint, C, 0, kTargets[T]>>,
              DepthWritingSpan<TexturedSpan<kFormatA1R5G5B5, kFilterPoint, C, 0, kTargets[T]>>()}),
     ...);
}

template <size_t... C>
constexpr void AddSixteenBit(Entry* out, std::index_sequence<C...>) {
    (AddSixteenBitTargets<int(C)>(out, std::make_index_sequence<kTargetCount>{}), ...);
}

struct Table {
    Entry entries[kEntryCount];
};

constexpr Table BuildTable() {
    Table t{};
    AddCombos<0, 0>(t.entries, std::make_index_sequence<kComboCount>{});
    AddCombos<0, 1>(t.entries, std::make_index_sequence<kComboCount>{});
    AddCombos<1, 0>(t.entries, std::make_index_sequence<kComboCount>{});
    AddCombos<1, 1>(t.entries, std::make_index_sequence<kComboCount>{});
    AddShapes<0>(t.entries, std::make_index_sequence<kBlendCount>{});
    AddShapes<1>(t.entries, std::make_index_sequence<kBlendCount>{});
    AddSixteenBit(t.entries, std::make_index_sequence<kComboCount>{});
    return t;
}

constexpr Table kTable = BuildTable();

// Every slot filled once: each entry sits where its own fields say.
constexpr bool EverySlotFilled() {
    for (int i = 0; i < kEntryCount; ++i) {
        const Entry& e = kTable.entries[i];
        if (e.target == 0) return false;  // never filled
        int target = 0, format = 0, filter = 0;
        while (kTargets[target] != e.target) ++target;
        if (e.combo < 0) {
            if (ShapeSlot(e.blend, target) != i) return false;
            continue;
        }
        if (e.texFormat == kFormatA1R5G5B5) {
            if (SixteenBitSlot(e.combo, target) != i || e.blend != 0) return false;
            continue;
        }
        while (kFormats[format] != e.texFormat) ++format;
        while (kFilters[filter] != e.filter) ++filter;
        if (TexturedSlot(format, filter, e.combo, e.blend, target) != i) return false;
    }
    return true;
}
static_assert(EverySlotFilled());

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

// The index of `value` in `list`, or -1.
template <size_t N>
int IndexOf(const int (&list)[N], int value) {
    for (size_t i = 0; i < N; ++i)
        if (list[i] == value) return int(i);
    return -1;
}

// The specialised span for a flat draw whose one stage is `st`, or null.
const Entry* FindSpecial(const DrawSetup& ds, const StageSetup& st) {
    if (st.resultTemp) return nullptr;
    const int target = IndexOf(kTargets, int(ds.target.format));
    if (target < 0) return nullptr;
    int blend = 0;
    while (blend < kBlendCount && !BlendMatches(ds, kBlends[blend])) ++blend;
    if (blend == kBlendCount) return nullptr;
    if (!st.usesTexture) {
        if (st.colorOp != D3DTOP_SELECTARG2 || st.colorArg2 != DWORD(kDif) ||
            st.alphaOp != D3DTOP_SELECTARG2 || st.alphaArg2 != DWORD(kDif))
            return nullptr;
        return &kTable.entries[ShapeSlot(blend, target)];
    }
    const RasterTexture* tex = st.texture;
    if (!tex) return nullptr;
    const SamplerSetup& sm = st.sampler;
    if (sm.addressU != kClamp || sm.addressV != kClamp) return nullptr;
    if (sm.minFilter != sm.magFilter) return nullptr;
    if (sm.mipFilter != kMipNone && tex->levelCount > 1) return nullptr;
    const int format = IndexOf(kFormats, int(tex->levels[0].format));
    const int filter = IndexOf(kFilters, sm.minFilter);
    const bool sixteenBit = tex->levels[0].format == kFormatA1R5G5B5 &&
                            sm.minFilter == kFilterPoint && kBlends[blend].on == 0;
    if ((format < 0 && !sixteenBit) || filter < 0) return nullptr;
    int combo = 0;
    while (combo < kComboCount && !StageMatches(st, kCombos[combo])) ++combo;
    if (combo == kComboCount) return nullptr;
    if (sixteenBit) return &kTable.entries[SixteenBitSlot(combo, target)];
    return &kTable.entries[TexturedSlot(format, filter, combo, blend, target)];
}

// A kernel equal to one stage draws through that stage's specialised span:
// stage 0 then holds sampler 0 (a kernel reading no sampler has no stage).
const Entry* KernelSpecial(const DrawSetup& ds) {
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
    choice.genericPairs = ds.kernel != nullptr;
    if (!ds.flat || ds.specularAdd || ds.writeMask != 0xF) return choice;
    const Entry* e = nullptr;
    if (ds.kernel)
        e = KernelSpecial(ds);
    else if (ds.stageCount == 1)
        e = FindSpecial(ds, ds.stages[0]);
    if (!e) return choice;
    choice.special = e->fn;
    choice.depthGated = ds.depthTest;
    if (ds.depthTest) choice.depthWriting = e->depthWriting;
    return choice;
}

}  // namespace platform::raster
