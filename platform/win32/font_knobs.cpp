// The font hooks of the test knobs: application font files, refusals,
// call counters and what an HFONT realised as.
#include <atomic>
#include <mutex>
#include <set>
#include <string>

#include "font_objects.h"
#include "test_knobs.h"

namespace platform::gdi {

namespace {

struct FontKnobs {
    std::mutex mutex;
    std::string refusedFace;  // with refuseAnyFace false
    bool refuseAnyFace = false;
    int refusals = 0;
    std::set<UINT> refusedGlyphs;
    std::atomic<long> creates{0}, bitmaps{0}, sizeQueries{0}, live{0};
};

FontKnobs& Knobs() {
    static FontKnobs* knobs = new FontKnobs;
    return *knobs;
}

}  // namespace

bool FontKnobRefusesCreate(const LOGFONTA& log) {
    FontKnobs& k = Knobs();
    ++k.creates;
    std::lock_guard<std::mutex> lock(k.mutex);
    if (k.refusals <= 0 || (!k.refuseAnyFace && !FaceNamesEqual(k.refusedFace, FaceNameOf(log))))
        return false;
    --k.refusals;
    return true;
}

bool FontKnobRefusesGlyph(UINT code) {
    FontKnobs& k = Knobs();
    std::lock_guard<std::mutex> lock(k.mutex);
    return k.refusedGlyphs.count(code) > 0;
}

void FontKnobCountGlyph(bool sizeOnly) {
    ++(sizeOnly ? Knobs().sizeQueries : Knobs().bitmaps);
}

void FontKnobLive(int delta) {
    Knobs().live += delta;
}

void ResetFontKnobs() {
    FontKnobs& k = Knobs();
    {
        std::lock_guard<std::mutex> lock(k.mutex);
        k.refusals = 0;
        k.refusedGlyphs.clear();
    }
    k.creates = k.bitmaps = k.sizeQueries = 0;
    RemoveAddedFaces();
}

}  // namespace platform::gdi

using namespace platform::gdi;

bool KnobFontAddFile(const char* utf8Path) {
    return AddFaceFile(utf8Path);
}

void KnobFontRefuseCreate(const char* face, int times) {
    FontKnobs& k = Knobs();
    std::lock_guard<std::mutex> lock(k.mutex);
    k.refuseAnyFace = face == nullptr;
    k.refusedFace = face ? face : "";
    k.refusals = times;
}

void KnobFontRefuseGlyph(UINT code, bool refuse) {
    FontKnobs& k = Knobs();
    std::lock_guard<std::mutex> lock(k.mutex);
    if (refuse)
        k.refusedGlyphs.insert(code);
    else
        k.refusedGlyphs.erase(code);
}

KnobFontCounters KnobFontCounts() {
    FontKnobs& k = Knobs();
    return {k.creates.load(), k.bitmaps.load(), k.sizeQueries.load(), k.live.load()};
}

bool KnobFontInformation(HFONT handle, KnobFontInfo* info) {
    auto font = GetAs<Font>(handle);
    if (!font || !info || !font->Realise()) return false;
    info->file = font->choice.face->file;
    info->index = font->choice.face->index;
    info->ppem = font->ppem;
    info->emboldened = font->choice.embolden;
    info->oblique = font->choice.oblique;
    info->charset = font->choice.charset;
    return true;
}
