// Writes to a 32-bit colour target held back instead of done, row by row:
// one-colour fills (a frame fills a target black and then covers most of it
// with an opaque picture, or fills it again, before anything reads it), and
// rows that are a copy of the same rows of another buffer (a whole-surface
// copy that moved the bytes instead, see the device's StretchRect). A held
// row is written when a span that reads or partly writes its pixels comes,
// or when the owner is about to hand the bytes to anything else (WriteAll);
// a span that overwrites every pixel it covers without reading them forgets
// the part of the held row it covers. Either way every reader sees the bytes
// the writes done in order would have left.
#pragma once

#include <cstdint>
#include <vector>

#include "raster.h"

namespace platform::raster {

class HeldRows {
  public:
    explicit HeldRows(int height) : rows_(size_t(height > 0 ? height : 0)) {}

    bool Any() const { return held_ > 0; }
    // Whether all of row y (pixels 0 .. width - 1) is held as a copy.
    bool HoldsWholeCopy(int y, int width) const {
        const Row& r = rows_[size_t(y)];
        return r.copy && r.x0 == 0 && r.x1 == width;
    }
    // Whether row y holds anything back.
    bool Holds(int y) const {
        const Row& r = rows_[size_t(y)];
        return r.x0 < r.x1;
    }

    // Whether row y holds a fill back over every one of pixels x0 .. x1 - 1;
    // `argb` is then its colour.
    bool HoldsFillOver(int y, int x0, int x1, uint32_t& argb) const {
        const Row& r = rows_[size_t(y)];
        if (r.copy || r.x0 >= r.x1 || x0 < r.x0 || x1 > r.x1) return false;
        argb = r.argb;
        return true;
    }

    // Whether row y holds any of pixels x0 .. x1 - 1 back.
    bool Overlaps(int y, int x0, int x1) const {
        const Row& r = rows_[size_t(y)];
        return r.x0 < r.x1 && x0 < r.x1 && r.x0 < x1;
    }

    // Before a span covers pixels x0 .. x1 - 1 of row y: `overwrites` when it
    // writes each of them with a value that does not depend on the target.
    void BeforeSpan(const RasterSurface& s, int y, int x0, int x1, bool overwrites) {
        Row& r = rows_[size_t(y)];
        if (r.x0 >= r.x1 || x1 <= r.x0 || x0 >= r.x1) return;
        if (overwrites) {
            if (x0 <= r.x0 && x1 >= r.x1) {
                Drop(r);
                return;
            }
            if (x0 <= r.x0) {
                r.x0 = x1;
                return;
            }
            if (x1 >= r.x1) {
                r.x1 = x0;
                return;
            }
        }
        WriteRow(s, y);
    }

    // A fill of pixels x0 .. x1 - 1 of row y with `argb`, after BeforeSpan
    // has settled what was held under it.
    void Hold(const RasterSurface& s, int y, uint32_t argb, int x0, int x1) {
        if (x0 >= x1) return;
        Row& r = rows_[size_t(y)];
        if (r.x0 < r.x1) {
            if (!r.copy && r.argb == argb && x0 <= r.x1 && x1 >= r.x0) {
                r.x0 = x0 < r.x0 ? x0 : r.x0;
                r.x1 = x1 > r.x1 ? x1 : r.x1;
                return;
            }
            WriteRow(s, y);
        }
        r = Row{x0, x1, argb, false};
        ++held_;
    }

    // Every row (pixels 0 .. width - 1) is the same row of `source` (pitch
    // bytes a row), which stays unchanged until this is written out; nothing
    // may be held already.
    void HoldCopy(const uint8_t* source, int pitch, int width) {
        copySource_ = source;
        copyPitch_ = pitch;
        for (Row& r : rows_) r = Row{0, width, 0, true};
        held_ = int(rows_.size());
    }

    // Forgets everything held: every pixel is about to be overwritten.
    void Clear() {
        for (Row& r : rows_) r = Row{};
        held_ = 0;
    }

    // Writes what row y holds back.
    void WriteRow(const RasterSurface& s, int y);
    // Writes every held row.
    void WriteAll(const RasterSurface& s);
    // Writes the held rows among rows y0 .. y1 - 1.
    void WriteRows(const RasterSurface& s, int y0, int y1);

  private:
    struct Row {
        int x0 = 0, x1 = 0;
        uint32_t argb = 0;
        bool copy = false;
    };
    void Drop(Row& r) {
        r = Row{};
        --held_;
    }
    std::vector<Row> rows_;
    int held_ = 0;  // rows holding a write
    const uint8_t* copySource_ = nullptr;
    int copyPitch_ = 0;
};

}  // namespace platform::raster
