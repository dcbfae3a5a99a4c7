// Walker figures as ready-made pixel patterns: with a 1-pixel pen the dash and its front ring are one of
// 121 shapes, so a figure well inside the field is painted from a short list of offsets, unchecked.
#pragma once

#include <array>
#include <cstdint>

#include "field.hpp"

namespace pellwick {

/// Where a figure lies on the field: the index of its front pixel and the pattern of the rest.
struct FigureSpot {
    std::int32_t base = 0;
    std::int32_t pattern = -1;  // -1: not a pattern (off the edge, or a pen other than 1)
    std::int32_t tile = 0;      // the top-left one of the 2x2 tiles the figure may touch
};

class FigurePatterns {
public:
    /// Finds the spot of the dash from (x1, y1) to (x2, y2) with its ring around (x1, y1); pattern -1 when the
    /// figure must be drawn the general way.
    FigureSpot locate(const Field& f, float x1, float y1, float x2, float y2) {
        // Truncation floors every coordinate that passes the checks below, since they are all positive; a
        // coordinate too large, negative or not a number fails them.
        const auto px = static_cast<int>(x1), py = static_cast<int>(y1);
        const int dx = static_cast<int>(x2) - px, dy = static_cast<int>(y2) - py;
        const int inside = within(px, kMargin, f.width() - 1 - kMargin) &
                            within(py, kMargin, f.height() - 1 - kMargin) & within(dx, -kReach, kReach) &
                            within(dy, -kReach, kReach) & static_cast<int>(f.penWidth() == 1);
        if (!inside) return {};
        if (f.width() != width_) prepare(f.width());
        return {py * f.width() + px, (dy + kReach) * kSide + (dx + kReach), f.tileOf(px - kReach, py - kReach)};
    }
    /// Paints a located figure (pattern >= 0) on the field it was located on.
    void paint(Field& f, FigureSpot spot, Colour colour) const {
        Colour* p = f.data() + spot.base;
        const std::ptrdiff_t w = width_;
        const auto& tail = tails_[spot.pattern];
        p[0] = colour;
        p[-w - 1] = colour;
        p[-w] = colour;
        p[-w + 1] = colour;
        p[-1] = colour;
        p[1] = colour;
        p[w - 1] = colour;
        p[w] = colour;
        p[w + 1] = colour;
        p[tail[0]] = colour;
        p[tail[1]] = colour;
        p[tail[2]] = colour;
        p[tail[3]] = colour;
        f.markTileBlock(spot.tile);  // the figure spans 11 pixels at most, so 2x2 tiles of 16 hold it
    }
    /// Paints the figure exactly as drawLine then drawCircle (radius 1, the head) would with the field's
    /// current pen: from a pattern when it lies well inside the field, the general way otherwise.
    void draw(Field& f, float x1, float y1, float x2, float y2, Colour colour) {
        const FigureSpot spot = locate(f, x1, y1, x2, y2);
        if (spot.pattern >= 0) {
            paint(f, spot, colour & 0xFFFFFF);
        } else {
            f.drawLine(x1, y1, x2, y2, colour);
            f.drawCircle(x1, y1, 1.0F, colour);
        }
    }

private:
    static constexpr int kReach = 5;  // the dash's far end lies at most this many pixels from its front end
    static constexpr int kSide = 2 * kReach + 1;
    static constexpr int kTail = kReach - 1;  // dash pixels beyond the front pixel and its ring

    static constexpr int kMargin = kReach + 1;  // a figure this far inside the field stays on it

    static int within(int v, int lo, int hi) { return static_cast<int>(v >= lo) & static_cast<int>(v <= hi); }
    [[gnu::cold]] void prepare(int fieldWidth);

    int width_ = 0;  // the field width the offsets were made for; 0 before the first use
    // For each pattern, the dash's pixels two or more steps from its front end (the front pixel and the
    // ring around it are the same for every pattern); shorter dashes repeat the front pixel's offset 0.
    std::array<std::array<std::int32_t, kTail>, kSide * kSide> tails_{};
};

}  // namespace pellwick
