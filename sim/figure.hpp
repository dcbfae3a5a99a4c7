// Walker figures as ready-made pixel patterns: with a 1-pixel pen the dash and its front ring are one of
// 121 shapes, so a figure well inside the field is painted from a short list of offsets, unchecked, and one
// at the edge from the same shape, pixel by pixel.
#pragma once

#include <array>
#include <cstdint>

#include "field.hpp"

namespace pellwick {

/// Where a figure lies on the field: the index of its front pixel and the pattern of the rest.
/// A figure at the edge (pattern >= kEdge) may lie partly off the field; its base and tile hold the front
/// pixel's column and row instead.
struct FigureSpot {
    static constexpr std::int32_t kEdge = 1 << 16;
    std::int32_t base = 0;
    std::int32_t pattern = -1;  // -1: not a pattern (a pen other than 1, or coordinates far off the field)
    std::int32_t tile = 0;      // the top-left one of the 2x2 tiles the figure may touch
};

class FigurePatterns {
public:
    /// Finds the spot of the dash from (x1, y1) to (x2, y2) with its ring around (x1, y1); pattern -1 when the
    /// figure must be drawn the general way.
    FigureSpot locate(const Field& f, float x1, float y1, float x2, float y2) {
        if (f.width() != width_ || f.height() != height_) prepare(f.width(), f.height());
        // Truncation floors every coordinate that passes the checks below, since they are all positive; a
        // coordinate too large, negative or not a number fails them.
        const auto px = static_cast<int>(x1), py = static_cast<int>(y1);
        const int dx = static_cast<int>(x2) - px, dy = static_cast<int>(y2) - py;
        const bool inside = (static_cast<unsigned>(px) - kMargin <= spanX_) &
                            (static_cast<unsigned>(py) - kMargin <= spanY_) &
                            (static_cast<unsigned>(dx + kReach) <= 2 * kReach) &
                            (static_cast<unsigned>(dy + kReach) <= 2 * kReach) & (f.penWidth() == 1) & fits_;
        if (!inside) [[unlikely]] return locateAtEdge(f, x1, y1, x2, y2);
        return {py * f.width() + px, (dy + kReach) * kSide + (dx + kReach), f.tileOf(px - kReach, py - kReach)};
    }
    /// Paints a located figure (pattern >= 0) on the field it was located on.
    void paint(Field& f, FigureSpot spot, Colour colour) const {
        if (spot.pattern >= FigureSpot::kEdge) [[unlikely]] return paintAtEdge(f, spot, colour);
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
private:
    static constexpr int kReach = 5;  // the dash's far end lies at most this many pixels from its front end
    static constexpr int kSide = 2 * kReach + 1;
    static constexpr int kTail = kReach - 1;  // dash pixels beyond the front pixel and its ring

    static constexpr int kMargin = kReach + 1;  // a figure this far inside the field stays on it

    [[gnu::cold]] void prepare(int fieldWidth, int fieldHeight);
    FigureSpot locateAtEdge(const Field& f, float x1, float y1, float x2, float y2) const;
    void paintAtEdge(Field& f, FigureSpot spot, Colour colour) const;

    int width_ = 0;  // the field size the offsets and spans were made for; 0 before the first use
    int height_ = 0;
    // How far beyond kMargin a front pixel may lie and leave the whole figure on the field, across and down;
    // meaningful only when fits_, that is when the field is large enough for a figure at all.
    unsigned spanX_ = 0;
    unsigned spanY_ = 0;
    bool fits_ = false;
    // For each pattern, the dash's pixels two or more steps from its front end (the front pixel and the
    // ring around it are the same for every pattern); shorter dashes repeat the front pixel's offset 0.
    std::array<std::array<std::int32_t, kTail>, kSide * kSide> tails_{};
    // The same pixels as column and row steps from the front pixel, for painting pixel by pixel.
    struct Step {
        std::int8_t dx, dy;
    };
    std::array<std::array<Step, kTail>, kSide * kSide> tailSteps_{};
    // Each pattern's extent around its front pixel, in columns and rows.
    struct Box {
        int left, right, top, bottom;
    };
    std::array<Box, kSide * kSide> boxes_{};
};

}  // namespace pellwick
