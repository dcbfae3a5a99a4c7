// Walker figures as ready-made pixel patterns: with a 1-pixel pen the dash and its front ring are one of
// 121 shapes, so a figure well inside the field is painted from a short list of offsets, unchecked, and one
// at the edge from the same shape, pixel by pixel. The shapes are drawn once with the plain figure.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "raster/field.hpp"

namespace pellwick {

/// Where a figure lies on the field: the index of its front pixel and the pattern of the rest.
/// A figure at the edge (pattern >= EDGE) may lie partly off the field; its base and tile hold the front
/// pixel's column and row instead.
struct FigureSpot {
    static constexpr std::int32_t EDGE = 1 << 16;
    std::int32_t base = 0;
    std::int32_t pattern = -1;  // -1: not a pattern (a pen other than 1, or coordinates far off the field)
    std::int32_t tile = 0;      // the top-left one of the 2x2 tiles that hold the figure
};

class FigurePatterns {
public:
    /// Draws the 121 shapes with the plain figure.
    FigurePatterns();

    /// Finds the spot of the dash from (x1, y1) to (x2, y2) with its ring around (x1, y1); pattern -1 when the
    /// figure must be drawn the general way.
    FigureSpot locate(const Field& f, float x1, float y1, float x2, float y2) {
        if (f.width() != width_ || f.height() != height_) prepare(f.width(), f.height());
        // Truncation floors every coordinate that passes the checks below, since they are all positive; a
        // coordinate too large, negative or not a number fails them.
        const auto px = static_cast<int>(x1), py = static_cast<int>(y1);
        const int dx = static_cast<int>(x2) - px, dy = static_cast<int>(y2) - py;
        const bool inside = (static_cast<unsigned>(px) - MARGIN <= spanX_) &
                            (static_cast<unsigned>(py) - MARGIN <= spanY_) &
                            (static_cast<unsigned>(dx + REACH) <= 2 * REACH) &
                            (static_cast<unsigned>(dy + REACH) <= 2 * REACH) & (f.penWidth() == 1) & fits_;
        if (!inside) [[unlikely]] return locateAtEdge(f, x1, y1, x2, y2);
        return {py * f.width() + px, (dy + REACH) * SIDE + (dx + REACH), blockOf(f, px, py, dx, dy)};
    }
    /// Paints a located figure (pattern >= 0) on the field it was located on, in a colour as the field stores
    /// it (Field::storedColour).
    void paint(Field& f, FigureSpot spot, Colour colour) const {
        if (spot.pattern >= FigureSpot::EDGE) [[unlikely]] return paintAtEdge(f, spot, colour);
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
        f.markTileBlock(spot.tile);
    }
private:
    static constexpr int REACH = 5;  // the dash's far end lies at most this many pixels from its front end
    static constexpr int SIDE = 2 * REACH + 1;
    static constexpr int TAIL = REACH - 1;  // dash pixels beyond the front pixel and its ring

    static constexpr int MARGIN = REACH + 1;  // a figure this far inside the field stays on it

    // The top-left one of the 2x2 tiles that hold a figure, all on the field, with its front pixel at (px, py)
    // and its back pixel (dx, dy) from there. The figure lies between its ring (one pixel around the front)
    // and its back pixel, so it spans at most REACH + 2 pixels each way: two tiles hold it from the first.
    static int blockOf(const Field& f, int px, int py, int dx, int dy) {
        static_assert(REACH + 2 <= Field::TILE_SIZE);
        return f.tileOf(px + std::min(dx, -1), py + std::min(dy, -1));
    }
    void deriveShape(Field& scratch, int dx, int dy);
    [[gnu::cold]] void prepare(int fieldWidth, int fieldHeight);
    FigureSpot locateAtEdge(const Field& f, float x1, float y1, float x2, float y2) const;
    void paintAtEdge(Field& f, FigureSpot spot, Colour colour) const;

    int width_ = 0;  // the field size the offsets and spans were made for; 0 before the first use
    int height_ = 0;
    // How far beyond MARGIN a front pixel may lie and leave the whole figure on the field, across and down;
    // meaningful only when fits_, that is when the field is large enough for a figure at all.
    unsigned spanX_ = 0;
    unsigned spanY_ = 0;
    bool fits_ = false;
    // For each pattern, its pixels outside the 3x3 block around the front pixel (the front pixel and the ring
    // around it are the same for every pattern), as column and row steps from the front pixel; shorter
    // dashes repeat the front pixel (0, 0).
    struct Step {
        std::int8_t dx, dy;
    };
    std::array<std::array<Step, TAIL>, SIDE * SIDE> tailSteps_{};
    // The same pixels as offsets in the field's pixels, for the field size in width_.
    std::array<std::array<std::int32_t, TAIL>, SIDE * SIDE> tails_{};
    // Each pattern's extent around its front pixel, in columns and rows.
    struct Box {
        int left, right, top, bottom;
    };
    std::array<Box, SIDE * SIDE> boxes_{};
};

}  // namespace pellwick
